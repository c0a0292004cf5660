#pragma once

#include "mainwindow/valuerange.h"

#include <QVector>

// What one measurement point adds to the extent of a set of points: its I0,
// its channel count and the ranges of its ICR and SCA values.
struct PointExtent
{
    double i0 = 0.0;
    // The lesser of the point's ICR and SCA counts.
    int channels = 0;
    // Not valid when the point has no value of that kind.
    ValueRange icrRange;
    ValueRange scaRange;
};

// The extent of a point with these values.
PointExtent pointExtent(double i0, const QVector<double>& icrs, const QVector<double>& scas);

// The set's channel count after adding a point of m channels: m for the first
// point of an empty set, whatever the count was before; the lesser of the two
// otherwise.
int channelCountAfter(bool setWasEmpty, int nChannels, int m);

// Widens a set's range by a point's range. A point without values of that
// kind counts as spanning -1 to 1, so the set's range always becomes valid.
void widenWithPointRange(ValueRange& setRange, const ValueRange& pointRange);

// Adds a point's extent to a set that has the members nChannels, i0Range,
// icrRange and scaRange (the window's point set, a headless tool's own).
// setWasEmpty tells whether the set held no point before this one.
template <class Set> void addToExtent(Set& set, bool setWasEmpty, const PointExtent& point)
{
    set.nChannels = channelCountAfter(setWasEmpty, set.nChannels, point.channels);
    set.i0Range.widen(point.i0);
    widenWithPointRange(set.icrRange, point.icrRange);
    widenWithPointRange(set.scaRange, point.scaRange);
}
