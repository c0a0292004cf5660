#include "mainwindow/body.h"

void Body::drawI0Nin(QPainter* p)
{
    Q_UNUSED(p);
}

void Body::drawNinNout(QPainter* p)
{
    Q_UNUSED(p);
}
