#include "analysis/runanalysis.h"

#include "analysis/scanchecks.h"

RunAnalysis analyseRun(const QVector<PointView>& points, int nChannels, ModelChoice choice)
{
    RunAnalysis run = fitRunModels(points, nChannels);
    reportRunModel(run, points, choice);
    return run;
}

RunAnalysis fitRunModels(const QVector<PointView>& points, int nChannels)
{
    RunAnalysis run;
    run.fit = fitDeadTimeConstants(points, nChannels);
    run.stats = channelStats(points, run.fit);
    run.models = fitChannelModels(points, run.fit, run.stats);
    return run;
}

void reportRunModel(RunAnalysis& run, const QVector<PointView>& points, ModelChoice choice)
{
    run.choice = choice;
    run.warnings.clear();
    reportedConstants(run.models, choice, run.fit, run.stats, run.reported, run.reportedStats);

    const QVector<ChannelWarning> scan = checkScan(points, run.models, choice);
    QVector<QVector<ChannelWarning>> byChannel(run.models.size());
    for (const ChannelWarning& w : scan) {
        if (w.channel < 0)
            run.warnings.append(w);
    }
    for (ChannelWarning w : checkChannels(points, run.reported, run.reportedStats)) {
        if (w.check == ChannelWarning::Check::DeadTimeFraction && choice != ModelChoice::Quadratic)
            continue;
        if (w.check == ChannelWarning::Check::NonFiniteConstant) {
            const DeadTimeStage stage = w.constant == ChannelWarning::Constant::Tau0
                                            ? DeadTimeStage::Input
                                            : DeadTimeStage::Output;
            const ChannelModels& m = run.models[w.channel];
            w.reason = outcomeText(m.chosen(stage, choice), stage);
            if (choice == ModelChoice::Auto)
                w.reason =
                    QStringLiteral("paralysable: %1; non-paralysable: %2")
                        .arg(w.reason,
                             outcomeText(m.fit(stage, DeadTimeModel::NonParalyzable), stage));
        }
        byChannel[w.channel].append(w);
    }
    for (const ChannelWarning& w : scan) {
        if (w.channel >= 0)
            byChannel[w.channel].append(w);
    }
    for (const QVector<ChannelWarning>& channel : qAsConst(byChannel))
        run.warnings += channel;
}
