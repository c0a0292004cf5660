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
    // Both exact models; each stage reports the one with the lower weighted
    // residual sum.
    Auto,
};

// "quadratic", "paralyzable", "nonparalyzable", "auto".
QString choiceName(ModelChoice choice);
// The choice so named; false for any other name.
bool choiceFromName(const QString& name, ModelChoice& choice);

// Every model's fit of both stages of one channel.
struct ChannelModels
{
    StageFit input[kDeadTimeModels];
    StageFit output[kDeadTimeModels];

    const StageFit& fit(DeadTimeStage stage, DeadTimeModel model) const;
    // The fit the choice reports. Auto takes the exact model with the lower
    // chi-square (the weighted residual sum) among those fitted; the
    // paralysable one when neither is.
    const StageFit& chosen(DeadTimeStage stage, ModelChoice choice) const;
};

// Fits both stages of channels 0 .. nChannels - 1 of fit with every model,
// over the points fit was made from (same points, same order, same rule for
// a missing channel). The quadratic is fit itself, with the figures of
// stats (channelStats of fit); the exact models are fitted afresh.
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
