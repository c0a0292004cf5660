#include "input/channellimit.h"

#include <QDebug>
#include <QtGlobal>

bool admitPoint(const QVector<double>& icrs, const QVector<double>& scas)
{
    const int channels = qMax(icrs.size(), scas.size());
    if (channels <= maxPointChannels)
        return true;
    qDebug() << "Point not loaded:" << channels << "channels, more than" << maxPointChannels;
    return false;
}
