#include "analysis/channelmodels.h"

#include "analysis/channelthreads.h"
#include "analysis/hybridfit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const ModelChoice kChoices[] = {ModelChoice::Quadratic, ModelChoice::Paralyzable,
                                ModelChoice::NonParalyzable, ModelChoice::Hybrid,
                                ModelChoice::Auto};

// The lowest and highest x > 0 of a stage, and its determination.
void settle(StageFit& fit, const QVector<double>& x)
{
    for (double v : x) {
        if (!(v > 0.0) || !std::isfinite(v))
            continue;
        fit.lowestX = std::isnan(fit.lowestX) ? v : std::min(fit.lowestX, v);
        fit.highestX = std::isnan(fit.highestX) ? v : std::max(fit.highestX, v);
    }
    fit.undetermined = determination(fit);
}

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
    case ModelChoice::Hybrid:
        return modelName(DeadTimeModel::Hybrid);
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
    // The British spelling, with or without the hyphen.
    QString other = name;
    other.replace(QLatin1String("-"), QString()).replace(QLatin1String("lysable"),
                                                          QLatin1String("lyzable"));
    return other != name && choiceFromName(other, choice);
}

StageFit decideModel(const StageFit fits[kDeadTimeModels], ModelDecision& decision)
{
    decision = ModelDecision();
    const StageFit& para = fits[int(DeadTimeModel::Paralyzable)];
    const StageFit& non = fits[int(DeadTimeModel::NonParalyzable)];
    const StageFit& hybrid = fits[int(DeadTimeModel::Hybrid)];
    if (!para.available() && !non.available())
        return para;
    decision.verdict = ModelDecision::Verdict::Decided;
    if (!para.available() || !non.available()) {
        const StageFit& only = para.available() ? para : non;
        decision.model = only.model;
        return only;
    }
    const StageFit& better = non.chiSquare < para.chiSquare ? non : para;
    const StageFit& worse = &better == &para ? non : para;
    decision.model = better.model;
    decision.scaledDelta = (worse.chiSquare - better.chiSquare) / better.reducedChiSquare;
    if (hybrid.available() && hybrid.paralysablePart > 0.0 && hybrid.nonParalysablePart > 0.0 &&
        hybrid.reducedChiSquare > 0.0)
        decision.hybridGain = (better.chiSquare - hybrid.chiSquare) / hybrid.reducedChiSquare;
    if (decision.hybridGain > kModelsDecide) {
        decision.verdict = ModelDecision::Verdict::Hybrid;
        decision.model = DeadTimeModel::Hybrid;
        return hybrid;
    }
    // A NaN difference (no degree of freedom, or a curve through every
    // point) decides nothing either.
    if (decision.scaledDelta > kModelsDecide)
        return better;
    decision.verdict = ModelDecision::Verdict::Undecided;
    StageFit mean = better;
    mean.averaged = true;
    mean.constant = (para.constant + non.constant) / 2;
    mean.scale = (para.scale + non.scale) / 2;
    const double halfSpread = (para.constant - non.constant) / 2;
    const double error = std::max(para.constantError, non.constantError);
    mean.constantError = std::sqrt(error * error + halfSpread * halfSpread);
    const double scaleSpread = (para.scale - non.scale) / 2;
    const double scaleError = std::max(para.scaleError, non.scaleError);
    mean.scaleError = std::sqrt(scaleError * scaleError + scaleSpread * scaleSpread);
    return mean;
}

namespace {

// The true rate at which z e^(-z tp) / (1 + z tn) tops out: the root of
// 1 - tp z - tp tn z^2 = 0, written so that tn = 0 gives 1 / tp.
double hybridTop(double tp, double tn)
{
    return 2.0 / (tp + std::sqrt(tp * tp + 4.0 * tp * tn));
}

} // namespace

double peakTrueRate(const StageFit& fit)
{
    if (!fit.available())
        return StageFit::notAvailable;
    switch (fit.model) {
    case DeadTimeModel::Paralyzable:
        return fit.constant > 0.0 ? 1.0 / fit.constant : std::numeric_limits<double>::infinity();
    case DeadTimeModel::Hybrid:
        return fit.paralysablePart > 0.0 ? hybridTop(fit.paralysablePart, fit.nonParalysablePart)
                                         : std::numeric_limits<double>::infinity();
    case DeadTimeModel::Quadratic:
    case DeadTimeModel::NonParalyzable:
        break;
    }
    return std::numeric_limits<double>::infinity();
}

double peakRate(const StageFit& fit)
{
    const double z = peakTrueRate(fit);
    if (!std::isfinite(z))
        return z;
    if (fit.model == DeadTimeModel::Paralyzable)
        return z * std::exp(-1.0);
    return z * std::exp(-z * fit.paralysablePart) / (1.0 + z * fit.nonParalysablePart);
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
    case ModelChoice::Hybrid:
        return fit(stage, DeadTimeModel::Hybrid);
    case ModelChoice::Paralyzable:
        break;
    case ModelChoice::Auto:
        return autoFit[stage == DeadTimeStage::Input ? 0 : 1];
    }
    return fit(stage, DeadTimeModel::Paralyzable);
}

const ModelDecision& ChannelModels::decided(DeadTimeStage stage) const
{
    return decision[stage == DeadTimeStage::Input ? 0 : 1];
}

QVector<ChannelModels> fitChannelModels(const QVector<PointView>& points, const DeadTimeFit& fit,
                                        const QVector<ChannelStats>& stats)
{
    const int nChannels = std::min(fit.tau0s.size(), stats.size());
    const int n = points.size();
    QVector<ChannelModels> all(nChannels);
    QVector<double> i0s(n);
    QVector<double> times(n);
    for (int j = 0; j < n; ++j) {
        i0s[j] = points[j].i0;
        times[j] = points[j].time;
    }
    // The channels' fits take most of a large scan's analysis, and are
    // independent.
    ChannelModels* out = all.data();
    forEachChannel(nChannels, [&](int ch) {
        QVector<double> icrs(n);
        QVector<double> scas(n);
        for (int j = 0; j < n; ++j) {
            icrs[j] = points[j].icr(ch);
            scas[j] = points[j].sca(ch);
        }
        ChannelModels& m = out[ch];
        const int q = int(DeadTimeModel::Quadratic);
        const int p = int(DeadTimeModel::Paralyzable);
        const int np = int(DeadTimeModel::NonParalyzable);
        m.input[q] = quadraticStageFit(DeadTimeStage::Input, i0s, icrs, fit.i0NinFits[ch][0],
                                       fit.i0NinFits[ch][1], times);
        m.output[q] = quadraticStageFit(DeadTimeStage::Output, icrs, scas, fit.ninNoutFits[ch][0],
                                        fit.ninNoutFits[ch][1], times);
        for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
            m.input[int(model)] = fitExactStage(model, DeadTimeStage::Input, i0s, icrs, times);
            m.output[int(model)] = fitExactStage(model, DeadTimeStage::Output, icrs, scas, times);
        }
        const int h = int(DeadTimeModel::Hybrid);
        m.input[h] = fitHybridStage(DeadTimeStage::Input, i0s, icrs, times, m.input[p], m.input[np]);
        m.output[h] =
            fitHybridStage(DeadTimeStage::Output, icrs, scas, times, m.output[p], m.output[np]);
        for (int k = 0; k < kDeadTimeModels; ++k) {
            settle(m.input[k], i0s);
            settle(m.output[k], icrs);
        }
        m.autoFit[0] = decideModel(m.input, m.decision[0]);
        m.autoFit[1] = decideModel(m.output, m.decision[1]);
        // The mean's error is its own: settle again.
        m.autoFit[0].undetermined = determination(m.autoFit[0]);
        m.autoFit[1].undetermined = determination(m.autoFit[1]);
        m.calibratedUpTo = stats.value(ch).highestIcr;
    });
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
