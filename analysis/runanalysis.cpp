#include "analysis/runanalysis.h"

#include "analysis/scanchecks.h"

#include <QStringList>

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
                w.reason = QStringLiteral("paralyzable: %1; nonparalyzable: %2")
                               .arg(outcomeText(m.fit(stage, DeadTimeModel::Paralyzable), stage),
                                    outcomeText(m.fit(stage, DeadTimeModel::NonParalyzable),
                                                stage));
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

QVector<UndeterminedConstant> undeterminedConstants(const RunAnalysis& run)
{
    QVector<UndeterminedConstant> all;
    for (int ch = 0; ch < run.models.size(); ++ch)
        for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
            const StageFit& fit = run.models[ch].chosen(stage, run.choice);
            if (!fit.determined())
                all.append({ch, stage, undeterminedText(fit, stage)});
        }
    return all;
}

void constantsToWrite(const RunAnalysis& run, UndeterminedFill fill, QVector<double>& tau0s,
                      QVector<double>& taus)
{
    const bool quadratic = run.choice == ModelChoice::Quadratic;
    tau0s = quadratic ? run.fit.tau0s : run.reported.tau0s;
    taus = quadratic ? run.fit.taus : run.reported.taus;
    for (const UndeterminedConstant& u : undeterminedConstants(run)) {
        const bool input = u.stage == DeadTimeStage::Input;
        const double replacement = fill == UndeterminedFill::Zero ? 0.0
                                   : input                        ? run.fit.tau0s.value(u.channel)
                                                                  : run.fit.taus.value(u.channel);
        (input ? tau0s : taus)[u.channel] = replacement;
    }
}

QString channelRanges(const QVector<int>& channels)
{
    QStringList parts;
    for (int i = 0; i < channels.size();) {
        int j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1)
            ++j;
        parts << (j == i ? QString::number(channels[i] + 1)
                         : QStringLiteral("%1-%2").arg(channels[i] + 1).arg(channels[j] + 1));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString undeterminedChannels(const QVector<UndeterminedConstant>& constants,
                             const StageChannelsName& name)
{
    QStringList parts;
    for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
        QVector<int> channels;
        for (const UndeterminedConstant& u : constants)
            if (u.stage == stage)
                channels.append(u.channel);
        if (channels.isEmpty())
            continue;
        const QString ranges = channelRanges(channels);
        parts << (name ? name(stage, channels.size() > 1, ranges)
                       : QStringLiteral("%1 of channel%2 %3")
                             .arg(stage == DeadTimeStage::Input ? "tau0" : "tau",
                                  channels.size() == 1 ? "" : "s", ranges));
    }
    return parts.join(QStringLiteral("; "));
}
