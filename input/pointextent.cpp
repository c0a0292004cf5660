#include "input/pointextent.h"

#include <QtGlobal>

PointExtent pointExtent(double i0, const QVector<double>& icrs, const QVector<double>& scas)
{
    PointExtent p;
    p.i0 = i0;
    p.channels = qMin(icrs.size(), scas.size());
    for (double v : icrs)
        p.icrRange.widen(v);
    for (double v : scas)
        p.scaRange.widen(v);
    return p;
}

int channelCountAfter(bool setWasEmpty, int nChannels, int m)
{
    return (setWasEmpty || nChannels > m) ? m : nChannels;
}

void widenWithPointRange(ValueRange& setRange, const ValueRange& pointRange)
{
    const double lo = pointRange.valid ? pointRange.min : -1.0;
    const double hi = pointRange.valid ? pointRange.max : 1.0;
    setRange.widen(lo);
    setRange.widen(hi);
}
