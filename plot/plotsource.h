#pragma once

#include "input/pointview.h"
#include "mainwindow/valuerange.h"

#include <QVector>

// What the two plots read of a point set: the points with their channel
// count in common, the ranges the axes scale to and, once fitted, the
// per-channel coefficient pairs {k1, k2} of y = k1 x + k2 x^2.
// The window fills it from its panels; a headless tool from its own records.
struct PlotSource
{
    QVector<PointView> points;
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;
    bool fitted = false;
    QVector<QVector<double>> i0NinFits;
    QVector<QVector<double>> ninNoutFits;
};
