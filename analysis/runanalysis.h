#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelmodels.h"
#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "input/pointview.h"

#include <QVector>

#include <functional>

// Everything the analysis of one set of points gives: the window's fit,
// every model's fit of every channel, the constants of the model chosen
// and the warnings about them. The window and veskor-fit both take their
// figures from here.
struct RunAnalysis
{
    ModelChoice choice = ModelChoice::Quadratic;
    // The window's fit and its figures, bit for bit what the window shows
    // and saves with the quadratic.
    DeadTimeFit fit;
    QVector<ChannelStats> stats;
    // Per channel, both stages fitted with every model.
    QVector<ChannelModels> models;
    // The constants choice reports, NaN where a stage has none (see
    // reportedConstants).
    DeadTimeFit reported;
    QVector<ChannelStats> reportedStats;
    // checkScan's set-wide warnings, then channel by channel
    // checkChannels' on the reported constants followed by checkScan's for
    // that channel. The dead-time fraction check belongs to the quadratic
    // (the exact models hold at any fraction) and is left out for the
    // others. A constant that is not available carries the reason.
    QVector<ChannelWarning> warnings;
};

// Fits channels 0 .. nChannels - 1 over points (fitDeadTimeConstants,
// then the exact models) and checks the constants choice reports:
// fitRunModels followed by reportRunModel.
RunAnalysis analyseRun(const QVector<PointView>& points, int nChannels, ModelChoice choice);

// The costly half: every model's fit of every channel, with the window's
// fit and its figures. Nothing is reported yet (reported and warnings stay
// empty).
RunAnalysis fitRunModels(const QVector<PointView>& points, int nChannels);

// The cheap half: the constants choice reports from the fits run holds, and
// the warnings about them. points are those run was fitted over. May be
// called again with another choice; every earlier report is replaced.
void reportRunModel(RunAnalysis& run, const QVector<PointView>& points, ModelChoice choice);

// A constant of the choice that the scan does not fix (see determination()).
struct UndeterminedConstant
{
    int channel; // from 0
    DeadTimeStage stage;
    QString reason; // undeterminedText()
};

// Every undetermined constant of run's choice, tau0 before tau channel by
// channel.
QVector<UndeterminedConstant> undeterminedConstants(const RunAnalysis& run);

// What a results file holds in place of an undetermined constant, which
// the acquisition software would otherwise read as a number (or as nan).
enum class UndeterminedFill
{
    // The quadratic's constant, as the window writes it.
    Quadratic,
    // 0: no correction.
    Zero,
};

// The constants a results file of run's choice holds: the window's own for
// the quadratic (bit for bit what it saves), the model's otherwise; each
// undetermined one replaced as fill says.
void constantsToWrite(const RunAnalysis& run, UndeterminedFill fill, QVector<double>& tau0s,
                      QVector<double>& taus);

// "1-4, 7" for the channels 0, 1, 2, 3 and 6 (counting from 0, in
// ascending order).
QString channelRanges(const QVector<int>& channels);

// "tau0 of channels 1-4, 7; tau of channel 3": the undetermined constants
// named for a message, each stage's as name gives it (by default in
// veskor-fit's words) from whether it is several channels and their
// ranges.
using StageChannelsName =
    std::function<QString(DeadTimeStage stage, bool several, const QString& ranges)>;
QString undeterminedChannels(const QVector<UndeterminedConstant>& constants,
                             const StageChannelsName& name = {});
