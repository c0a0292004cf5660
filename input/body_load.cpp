#include "input/ameasp.h"
#include "mainwindow/body.h"

void Body::filesSelected(QStringList files)
{
    Q_UNUSED(files);
}

void Body::addPoint(AMeasP* panel)
{
    Q_UNUSED(panel);
}

void Body::readCountTable(const QString& path)
{
    Q_UNUSED(path);
}
