#pragma once

#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "analysis/stagefit.h"
#include "input/pointview.h"

#include <QString>
#include <QVector>

// Which model gives the constants that are reported.
enum class ModelChoice
{
    Quadratic,
    Paralyzable,
    NonParalyzable,
    Hybrid,
    // The exact models, each stage deciding between them (see
    // ModelDecision).
    Auto,
};

// "quadratic", "paralyzable", "nonparalyzable", "hybrid", "auto".
QString choiceName(ModelChoice choice);
// The choice so named; false for any other name. The other spelling of
// the two exact models ("paralysable", "non-paralysable", ...) is taken
// too.
bool choiceFromName(const QString& name, ModelChoice& choice);

// Above this scaled chi-square difference the data decide between the two
// exact models, and the hybrid model earns its third parameter.
constexpr double kModelsDecide = 10.0;

// How auto settled one stage of one channel.
struct ModelDecision
{
    enum class Verdict
    {
        // Neither exact model fitted.
        NoneFitted,
        // One exact model fits better by more than kModelsDecide (or only
        // one fitted): its fit is reported.
        Decided,
        // The data do not tell the exact models apart: their mean is
        // reported, its error widened by half their spread.
        Undecided,
        // The hybrid model fits better than either by more than
        // kModelsDecide: its fit is reported.
        Hybrid,
    };

    Verdict verdict = Verdict::NoneFitted;
    // The exact model of the lower chi-square (Decided, Undecided), or
    // Hybrid.
    DeadTimeModel model = DeadTimeModel::Paralyzable;
    // |chi2 paralysable - chi2 non-paralysable| divided by the reduced
    // chi-square of the better: the difference in units of the scatter
    // the data show, whatever the units of the counts. NaN when not both
    // fitted.
    double scaledDelta = StageFit::notAvailable;
    // (lower exact chi2 - hybrid chi2) / hybrid reduced chi-square, the F
    // statistic of the hybrid's extra parameter; NaN when not to be had.
    double hybridGain = StageFit::notAvailable;
};

// Every model's fit of both stages of one channel.
struct ChannelModels
{
    StageFit input[kDeadTimeModels];
    StageFit output[kDeadTimeModels];
    // What auto reports for each stage (input, output) and why.
    StageFit autoFit[2];
    ModelDecision decision[2];
    // The highest ICR of the channel's points: the rate a later
    // measurement can be corrected up to without extrapolating.
    double calibratedUpTo = StageFit::notAvailable;

    const StageFit& fit(DeadTimeStage stage, DeadTimeModel model) const;
    // The fit the choice reports: the model's own, or autoFit.
    const StageFit& chosen(DeadTimeStage stage, ModelChoice choice) const;
    const ModelDecision& decided(DeadTimeStage stage) const;
};

// Decides auto's report of one stage from that stage's fits (indexed by
// DeadTimeModel): the hybrid fit when its gain exceeds kModelsDecide and
// both its parts are above 0; otherwise the better exact model when the
// scaled difference exceeds kModelsDecide; otherwise their mean, with
// error sqrt(s^2 + (d / 2)^2), s the larger of their errors and d their
// difference. The paralysable fit (not available) when neither fitted.
StageFit decideModel(const StageFit fits[kDeadTimeModels], ModelDecision& decision);

// The highest rate the stage of fit passes on: 1 / (e tau) for a
// paralysable stage (the pre-amplifier's highest ICR, the amplifier's
// highest throughput), the top of the hybrid curve; infinity for the
// quadratic and the non-paralysable model, NaN when not fitted.
double peakRate(const StageFit& fit);
// The true rate at which it is reached (1 / tau paralysable), or
// infinity / NaN as peakRate.
double peakTrueRate(const StageFit& fit);

// Fits both stages of channels 0 .. nChannels - 1 of fit with every model,
// over the points fit was made from (same points, same order, same rule for
// a missing channel). The quadratic is fit itself, with Poisson figures
// (quadraticStageFit); the exact models are fitted afresh, auto decided,
// and every stage fit's x range and determination set.
QVector<ChannelModels> fitChannelModels(const QVector<PointView>& points, const DeadTimeFit& fit,
                                        const QVector<ChannelStats>& stats);

// The constants the choice reports, in the records the window's fit and
// its figures use: tau0s and taus (NaN where a stage has no constant), with
// the errors, reduced chi-squares and dead-time fractions of the fits
// chosen. The coefficient lists stay the quadratic's (fit's), which the plots
// draw. highestIcr comes from stats.
void reportedConstants(const QVector<ChannelModels>& models, ModelChoice choice,
                       const DeadTimeFit& fit, const QVector<ChannelStats>& stats,
                       DeadTimeFit& reported, QVector<ChannelStats>& reportedStats);
