#pragma once

#include <QVector>

// The most channels a measurement point may have and still be loaded. The
// largest multi-element fluorescence detectors in use have a few hundred
// elements; every channel becomes two fields of the point's panel (some
// 20 KB each), so a point of 1024 channels costs about 40 MB of widgets, and
// a mistaken channel count of millions cannot exhaust the machine.
constexpr int maxPointChannels = 1024;

// True when a point with these values may be loaded. Otherwise writes
// "Point not loaded: <n> channels, more than 1024" to the debug log, n being
// the larger of the two counts. Whoever turns file contents into points asks
// this for every point: the window and the headless loader alike.
bool admitPoint(const QVector<double>& icrs, const QVector<double>& scas);
