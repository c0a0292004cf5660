#pragma once

#include "input/pointview.h"

#include <QVector>

// The dead-time constants of every channel and the coefficients they come
// from. Index i of each vector is channel i; each coefficient pair holds the
// linear term's coefficient first.
struct DeadTimeFit
{
    QVector<double> tau0s;                // pre-amplifier: -a2 / a1 / a1
    QVector<double> taus;                 // amplifier: -c2 / c1
    QVector<QVector<double>> i0NinFits;   // {a1, a2} of Nin = a1 I0 + a2 I0^2
    QVector<QVector<double>> ninNoutFits; // {c1, c2} of Nout = c1 Nin + c2 Nin^2
};

// Fits channels 0 .. nChannels - 1 over all points, in points order, with
// fitQuadratic: ICR against I0 for tau0, SCA against ICR for tau. A point
// that lacks a channel in its ICRs or its SCAs counts 0.0 for both of that
// channel's counts (its I0 still enters). The values are not checked: a
// singular fit gives NaN or infinite constants, as the arithmetic has them.
// nChannels below 1 gives empty vectors. Logs nothing.
DeadTimeFit fitDeadTimeConstants(const QVector<PointView>& points, int nChannels);
