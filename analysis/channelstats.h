#pragma once

#include "analysis/deadtimefit.h"
#include "input/pointview.h"

#include <QVector>

// What says how far one channel's constants can be trusted, next to the
// constants of a fit. A figure that cannot be had is NaN (see
// QuadraticFitUncertainty for when).
struct ChannelStats
{
    // Standard errors of tau0 and tau.
    double tau0Error;
    double tauError;
    // Reduced chi-square of the input fit (ICR against I0) and of the output
    // fit (SCA against ICR), in counting statistics.
    double inputChiSquare;
    double outputChiSquare;
    // The channel's highest ICR over the points.
    double highestIcr;
    // The dead-time fractions at that rate: tau0 and tau times highestIcr.
    // The quadratic model is a first-order expansion in these; it holds
    // while they stay small.
    double tau0Fraction;
    double tauFraction;
};

// The figures of every channel of fit, over the points fit was made from
// (same points, same order, same rule for a missing channel).
QVector<ChannelStats> channelStats(const QVector<PointView>& points, const DeadTimeFit& fit);
