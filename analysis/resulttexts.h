#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelmodels.h"
#include "analysis/runanalysis.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>

// The window's words for the analysis: model names, why a constant is
// missing, the checks' warnings, the tool tips of the result fields. Every
// text goes through the translator (context "ResultTexts"), so the window
// shows them in its language; veskor-fit keeps its own English texts
// (channelsummary.h), which name its options.
class ResultTexts
{
    Q_DECLARE_TR_FUNCTIONS(ResultTexts)

public:
    static QString modelLabel(DeadTimeModel model);
    static QString choiceLabel(ModelChoice choice);
    // The model a stage's constant comes from, for the results table: under
    // auto "auto: paralyzable" or "auto: mean" (of the two exact models); "n/a" where auto found it in neither model.
    static QString stageModelLabel(const ChannelModels& models, DeadTimeStage stage,
                                   ModelChoice choice);
    // Why a stage has no constant, in a few words; empty for a fitted one.
    static QString notAvailable(const StageFit& fit, DeadTimeStage stage);
    static QString notAvailableMark();
    // "undetermined": what a table shows for such a constant.
    static QString undeterminedMark();
    // Why the scan does not fix a stage's constant (see determination());
    // empty for a determined one.
    static QString undetermined(const StageFit& fit, DeadTimeStage stage);
    // "point 7 (scan.dat, line 12)": the row the user sees in the window.
    static QString pointName(int index, const QString& file, qint64 line);

    // One warning as a sentence, figures in microseconds. models and choice
    // say why a constant is missing; pointName names a point by its index in
    // the points fitted.
    static QString warning(const ChannelWarning& w, const QVector<ChannelModels>& models,
                           ModelChoice choice, const std::function<QString(int)>& pointName);
    // A word or two for the results table's warnings cell ("poor fit").
    static QString warningTag(ChannelWarning::Check check);
};

// Whether a warning concerns a stage of a channel: its constant's stage, the
// output stage for a point whose SCA exceeds its ICR, both for a point that
// lowers the channel count. A warning about the whole set (channel -1)
// concerns every channel.
bool warningConcerns(const ChannelWarning& w, int channel, DeadTimeStage stage);

// The tool tip of a result field: the constant of the model chosen with its
// error and chi-square, the other models' values a line each, the stage's
// warnings (as many as leave room, then how many more the results table
// holds) and how many points the fit used. At most eight lines.
QString resultFieldToolTip(const RunAnalysis& run, int channel, DeadTimeStage stage,
                           const QStringList& stageWarnings, int pointsFitted);
