#include "mainwindow/pointset.h"

void PointSet::fitDeadTimes() {}

void PointSet::fitQuadratic(const QVector<double>& x, const QVector<double>& y,
                            QVector<double>& out)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    Q_UNUSED(out);
}
