#include "analysis/channelmodels.h"

#include <cmath>

namespace {

const ModelChoice kChoices[] = {ModelChoice::Quadratic, ModelChoice::Paralyzable,
                                ModelChoice::NonParalyzable, ModelChoice::Auto};

} // namespace

QString choiceName(ModelChoice choice)
{
    switch (choice) {
    case ModelChoice::Quadratic:
        return modelName(DeadTimeModel::Quadratic);
    case ModelChoice::Paralyzable:
        return modelName(DeadTimeModel::Paralyzable);
    case ModelChoice::NonParalyzable:
        return modelName(DeadTimeModel::NonParalyzable);
    case ModelChoice::Auto:
        return QStringLiteral("auto");
    }
    return QString();
}

bool choiceFromName(const QString& name, ModelChoice& choice)
{
    for (ModelChoice c : kChoices) {
        if (choiceName(c) == name) {
            choice = c;
            return true;
        }
    }
    return false;
}

const StageFit& ChannelModels::fit(DeadTimeStage stage, DeadTimeModel model) const
{
    return (stage == DeadTimeStage::Input ? input : output)[int(model)];
}

const StageFit& ChannelModels::chosen(DeadTimeStage stage, ModelChoice choice) const
{
    switch (choice) {
    case ModelChoice::Quadratic:
        return fit(stage, DeadTimeModel::Quadratic);
    case ModelChoice::NonParalyzable:
        return fit(stage, DeadTimeModel::NonParalyzable);
    case ModelChoice::Paralyzable:
        break;
    case ModelChoice::Auto: {
        const StageFit& para = fit(stage, DeadTimeModel::Paralyzable);
        const StageFit& non = fit(stage, DeadTimeModel::NonParalyzable);
        if (non.available() && (!para.available() || non.chiSquare < para.chiSquare))
            return non;
        break;
    }
    }
    return fit(stage, DeadTimeModel::Paralyzable);
}

QVector<ChannelModels> fitChannelModels(const QVector<PointView>& points, const DeadTimeFit& fit,
                                        const QVector<ChannelStats>& stats)
{
    const int nChannels = std::min(fit.tau0s.size(), stats.size());
    const int n = points.size();
    QVector<ChannelModels> all(nChannels);
    QVector<double> i0s(n);
    QVector<double> icrs(n);
    QVector<double> scas(n);
    QVector<double> times(n);
    for (int j = 0; j < n; ++j) {
        i0s[j] = points[j].i0;
        times[j] = points[j].time;
    }
    for (int ch = 0; ch < nChannels; ++ch) {
        for (int j = 0; j < n; ++j) {
            icrs[j] = points[j].icr(ch);
            scas[j] = points[j].sca(ch);
        }
        ChannelModels& m = all[ch];
        const int q = int(DeadTimeModel::Quadratic);
        m.input[q] =
            quadraticStageFit(DeadTimeStage::Input, i0s, icrs, fit.i0NinFits[ch][0],
                              fit.i0NinFits[ch][1], stats[ch].tau0Error, stats[ch].inputChiSquare);
        m.output[q] = quadraticStageFit(DeadTimeStage::Output, icrs, scas, fit.ninNoutFits[ch][0],
                                        fit.ninNoutFits[ch][1], stats[ch].tauError,
                                        stats[ch].outputChiSquare);
        for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
            m.input[int(model)] = fitExactStage(model, DeadTimeStage::Input, i0s, icrs, times);
            m.output[int(model)] = fitExactStage(model, DeadTimeStage::Output, icrs, scas, times);
        }
    }
    return all;
}

void reportedConstants(const QVector<ChannelModels>& models, ModelChoice choice,
                       const DeadTimeFit& fit, const QVector<ChannelStats>& stats,
                       DeadTimeFit& reported, QVector<ChannelStats>& reportedStats)
{
    reported = DeadTimeFit();
    reported.i0NinFits = fit.i0NinFits;
    reported.ninNoutFits = fit.ninNoutFits;
    reportedStats.clear();
    for (int ch = 0; ch < models.size(); ++ch) {
        const StageFit& in = models[ch].chosen(DeadTimeStage::Input, choice);
        const StageFit& out = models[ch].chosen(DeadTimeStage::Output, choice);
        reported.tau0s.append(in.constant);
        reported.taus.append(out.constant);
        ChannelStats s;
        s.tau0Error = in.constantError;
        s.tauError = out.constantError;
        s.inputChiSquare = in.reducedChiSquare;
        s.outputChiSquare = out.reducedChiSquare;
        s.highestIcr = stats[ch].highestIcr;
        s.tau0Fraction = in.constant * s.highestIcr;
        s.tauFraction = out.constant * s.highestIcr;
        reportedStats.append(s);
    }
}
