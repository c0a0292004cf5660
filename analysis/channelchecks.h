#pragma once

#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "analysis/stagefit.h"
#include "input/pointview.h"

#include <QString>
#include <QVector>

// Warnings about channels whose constants should not be trusted as they
// stand. None of them changes a constant; they are for the scientist.
struct ChannelWarning
{
    enum class Check
    {
        // tau0 or tau times the channel's highest ICR exceeds
        // kMaxDeadTimeFraction: the quadratic model, a first-order
        // expansion, no longer holds there.
        DeadTimeFraction,
        // The constant lies far from the other channels' (see checkChannels).
        OutlyingConstant,
        // At one point the channel's SCA count exceeds its ICR: no output
        // count can exceed the input it is counted from.
        OutputAboveInput,
        // The constant is NaN or infinite: the fit was singular.
        NonFiniteConstant,
        // The checks of a whole scan (checkScan, scanchecks.h):
        // I0 spans less than kMinSpan over the points: tau0 cannot be had.
        NarrowI0Range,
        // The channel's ICR spans less than kMinSpan: tau cannot be had.
        NarrowIcrRange,
        // The constant is negative: no dead time is.
        NegativeConstant,
        // The stage's reduced chi-square exceeds kMaxReducedChiSquare.
        PoorFit,
        // The quadratic's first-order bias, the largest it shows on the
        // exact curves fitted to the same points, exceeds its own standard
        // error.
        FirstOrderBias,
        // The constant's scaled standard error exceeds kMaxRelativeError
        // of it: the scan does not fix it.
        ImpreciseConstant,
        // Auto: the data do not tell the exact models apart, and their
        // mean is reported.
        ModelsUndecided,
        // Points lie past the top of the chosen paralysable or hybrid
        // curve, where a count rate has two true rates.
        PastPeak,
        // A point's I0 is not above 0.
        I0NotPositive,
        // A point has fewer channels than the points before it.
        FewerChannels,
    };
    enum class Constant
    {
        None,
        Tau0,
        Tau,
    };

    Check check;
    // Counting from 0; -1 for a check of the whole set (NarrowI0Range,
    // I0NotPositive, FewerChannels).
    int channel;
    // Which constant the check is about (None for OutputAboveInput).
    Constant constant = Constant::None;
    // OutputAboveInput: the index of the point in the points checked, or -1
    // for the points after the first kNamedOutputAboveInput of the channel.
    int point = -1;
    // What was found and the bound it broke:
    // DeadTimeFraction: the fraction and kMaxDeadTimeFraction;
    // OutlyingConstant: the constant and the median of the other channels,
    //   with deviationLimit = kOutlierMads * the MAD used;
    // OutputAboveInput: the SCA count and the ICR; for point -1 the number
    //   of the further points and NaN;
    // NonFiniteConstant: the constant and NaN;
    // NarrowI0Range, NarrowIcrRange: the lowest and the highest value;
    // NegativeConstant: the constant and the fraction constant * highest
    //   ICR;
    // PoorFit: the reduced chi-square and kMaxReducedChiSquare, with the
    //   worst point's standardised residual in measure;
    // FirstOrderBias: the quadratic's constant and model's, with the
    //   quadratic's standard error in deviationLimit and its bias in
    //   measure;
    // ImpreciseConstant: the constant and its standard error;
    // ModelsUndecided: the scaled chi-square difference and kModelsDecide,
    //   with the two models' difference in measure;
    // PastPeak: the number of points past the top and the peak rate, the
    //   first of them in point;
    // I0NotPositive: the first such point's I0 and the number of such
    //   points;
    // FewerChannels: the point's channel count and the set's before it.
    double value;
    double reference;
    double deviationLimit = 0.0;
    double measure = 0.0;
    // What made a constant not available (NonFiniteConstant), in a few
    // words; empty when nothing more is known.
    QString reason = QString();
    // FirstOrderBias: the exact model of the largest bias; PastPeak: the
    // model chosen.
    DeadTimeModel model = DeadTimeModel::Quadratic;
};

constexpr double kMaxDeadTimeFraction = 0.10;
// A channel's points whose SCA count exceeds the ICR are named one by one up
// to this many, the rest counted in one warning: a file of swapped columns
// would otherwise give a warning for every point.
constexpr int kNamedOutputAboveInput = 10;
constexpr double kOutlierMads = 5.0;

// Checks every channel of fit over the points it was made from, with the
// figures stats (channelStats of the same fit). Warnings come channel by
// channel; within a channel: non-finite constants, dead-time fractions,
// outlying constants (tau0 before tau in each), then points in point order.
//
// The outlier test, for each constant on its own: a channel's finite value
// v is compared with the finite values of the same constant in the other
// channels. With m their median and MAD the median of |value - m| over
// them, v is flagged when |v - m| > kOutlierMads * MAD'. MAD' is the MAD
// raised, where it is smaller, to
// - the median standard error of the channels compared (this one among
//   them): channels cannot be told apart more finely than they are
//   measured, so a flag also means more than five standard errors off.
//   Without it, three or four channels that happen to agree closely make a
//   sound channel look far off;
// - a millionth of |m|: constants that agree to the six digits the files
//   carry never flag one another (this also settles MAD = 0 with exact
//   data).
// With fewer than two other channels of finite value there is nothing to
// compare with, and the test is not made.
QVector<ChannelWarning> checkChannels(const QVector<PointView>& points, const DeadTimeFit& fit,
                                      const QVector<ChannelStats>& stats);
