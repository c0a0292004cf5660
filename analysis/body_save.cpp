#include "mainwindow/body.h"

void Body::saveResults(QString fname)
{
    Q_UNUSED(fname);
}
