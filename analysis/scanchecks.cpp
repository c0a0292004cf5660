#include "analysis/scanchecks.h"

#include "analysis/quadraticfit.h"

#include <algorithm>
#include <cmath>

namespace {

using Check = ChannelWarning::Check;
using Constant = ChannelWarning::Constant;

// Appends a NarrowI0Range or NarrowIcrRange warning when the positive
// values span less than kMinSpan; fewer than two of them say nothing.
// Returns whether it did.
bool checkSpan(const QVector<double>& values, Check check, int channel, Constant constant,
               QVector<ChannelWarning>& out)
{
    double lowest = 0.0;
    double highest = 0.0;
    int count = 0;
    for (double v : values) {
        if (!(v > 0.0) || !std::isfinite(v))
            continue;
        lowest = count == 0 ? v : std::min(lowest, v);
        highest = count == 0 ? v : std::max(highest, v);
        ++count;
    }
    if (count < 2 || highest >= kMinSpan * lowest)
        return false;
    out.append({check, channel, constant, -1, lowest, highest});
    return true;
}

// The checks of the whole set; returns whether I0 spans too little.
bool checkSet(const QVector<PointView>& points, QVector<ChannelWarning>& out)
{
    int firstNotPositive = -1;
    int notPositive = 0;
    for (int j = 0; j < points.size(); ++j) {
        if (!(points[j].i0 > 0.0)) {
            if (firstNotPositive < 0)
                firstNotPositive = j;
            ++notPositive;
        }
    }
    if (firstNotPositive >= 0)
        out.append({Check::I0NotPositive, -1, Constant::None, firstNotPositive,
                    points[firstNotPositive].i0, double(notPositive)});

    int channels = 0;
    for (int j = 0; j < points.size(); ++j) {
        const int m = std::min(points[j].icrs->size(), points[j].scas->size());
        if (j > 0 && m < channels)
            out.append({Check::FewerChannels, -1, Constant::None, j, double(m), double(channels)});
        channels = j == 0 ? m : std::min(channels, m);
    }

    QVector<double> i0s;
    for (const PointView& p : points)
        i0s.append(p.i0);
    return checkSpan(i0s, Check::NarrowI0Range, -1, Constant::Tau0, out);
}

// What the quadratic makes of an exact curve itself, less that curve's
// constant: the first-order model's bias at these points, free of the
// noise that two fits of the same counts differ by.
double firstOrderBias(const StageFit& exact, DeadTimeStage stage, const QVector<double>& x)
{
    const bool input = stage == DeadTimeStage::Input;
    QVector<double> y;
    for (double v : x) {
        const double rate = input ? exact.scale * v : v;
        double kept = 1.0;
        switch (exact.model) {
        case DeadTimeModel::Paralyzable:
            kept = std::exp(-rate * exact.constant);
            break;
        case DeadTimeModel::NonParalyzable:
            kept = 1.0 / (1.0 + rate * exact.constant);
            break;
        case DeadTimeModel::Hybrid:
            kept = std::exp(-rate * exact.paralysablePart) /
                   (1.0 + rate * exact.nonParalysablePart);
            break;
        case DeadTimeModel::Quadratic:
            break;
        }
        y.append(exact.scale * v * kept);
    }
    QVector<double> p;
    fitQuadratic(x, y, p);
    const double quadratic = input ? -p[1] / p[0] / p[0] : -p[1] / p[0];
    return quadratic - exact.constant;
}

// The points whose true rate lies past the top of fit's curve.
void checkPeak(const StageFit& fit, DeadTimeStage stage, int channel, Constant constant,
               const QVector<double>& x, QVector<ChannelWarning>& out)
{
    const double top = peakTrueRate(fit);
    if (!std::isfinite(top))
        return;
    int first = -1;
    int past = 0;
    for (int j = 0; j < x.size(); ++j) {
        const double rate = stage == DeadTimeStage::Input ? fit.scale * x[j] : x[j];
        if (rate > top) {
            first = first < 0 ? j : first;
            ++past;
        }
    }
    if (past == 0)
        return;
    ChannelWarning w{Check::PastPeak, channel, constant, first, double(past), peakRate(fit)};
    w.model = fit.model;
    out.append(w);
}

// narrow: the stage's x spans too little, which says all there is to say
// of the quadratic's constant; its bias is not worked out then (over a
// narrow range the quadratic's coefficients are all rounding).
void checkStage(const ChannelModels& m, DeadTimeStage stage, ModelChoice choice, int channel,
                const QVector<double>& x, bool narrow, double highestIcr,
                QVector<ChannelWarning>& out)
{
    const Constant constant = stage == DeadTimeStage::Input ? Constant::Tau0 : Constant::Tau;
    const StageFit& fit = m.chosen(stage, choice);
    if (!fit.available())
        return;
    if (fit.constant < 0.0)
        out.append({Check::NegativeConstant, channel, constant, -1, fit.constant,
                    fit.constant * highestIcr});
    if (fit.reducedChiSquare > kMaxReducedChiSquare) {
        ChannelWarning w{
            Check::PoorFit,      channel, constant, fit.worstPoint, fit.reducedChiSquare,
            kMaxReducedChiSquare};
        w.measure = fit.worstResidual;
        out.append(w);
    }
    if (fit.undetermined == StageFit::Undetermined::LargeError)
        out.append(
            {Check::ImpreciseConstant, channel, constant, -1, fit.constant, fit.constantError});
    const ModelDecision& decision = m.decided(stage);
    if (choice == ModelChoice::Auto && decision.verdict == ModelDecision::Verdict::Undecided) {
        ChannelWarning w{Check::ModelsUndecided, channel, constant,     -1,
                         decision.scaledDelta,   kModelsDecide};
        w.measure = m.fit(stage, DeadTimeModel::Paralyzable).constant -
                    m.fit(stage, DeadTimeModel::NonParalyzable).constant;
        out.append(w);
    }
    if (!fit.averaged)
        checkPeak(fit, stage, channel, constant, x, out);
    if (choice != ModelChoice::Quadratic || narrow || !std::isfinite(fit.constantError))
        return;
    ChannelWarning worst{Check::FirstOrderBias, channel, constant, -1, fit.constant, 0.0,
                         fit.constantError};
    for (DeadTimeModel model :
         {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable, DeadTimeModel::Hybrid}) {
        const StageFit& exact = m.fit(stage, model);
        if (!exact.available())
            continue;
        const double bias = firstOrderBias(exact, stage, x);
        if (std::abs(bias) > std::abs(worst.measure)) {
            worst.measure = bias;
            worst.reference = exact.constant;
            worst.model = model;
        }
    }
    if (std::abs(worst.measure) > fit.constantError)
        out.append(worst);
}

} // namespace

QVector<ChannelWarning> checkScan(const QVector<PointView>& points,
                                  const QVector<ChannelModels>& models, ModelChoice choice)
{
    QVector<ChannelWarning> out;
    const bool narrowI0 = checkSet(points, out);
    QVector<double> i0s;
    for (const PointView& p : points)
        i0s.append(p.i0);
    for (int ch = 0; ch < models.size(); ++ch) {
        QVector<double> icrs;
        double highest = 0.0;
        for (int j = 0; j < points.size(); ++j) {
            icrs.append(points[j].icr(ch));
            highest = j == 0 ? icrs[j] : std::max(highest, icrs[j]);
        }
        const bool narrowIcr = checkSpan(icrs, Check::NarrowIcrRange, ch, Constant::Tau, out);
        checkStage(models[ch], DeadTimeStage::Input, choice, ch, i0s, narrowI0, highest, out);
        checkStage(models[ch], DeadTimeStage::Output, choice, ch, icrs, narrowIcr, highest, out);
    }
    return out;
}

bool aboutData(const ChannelWarning& w)
{
    return w.check != Check::DeadTimeFraction && w.check != Check::FirstOrderBias &&
           w.check != Check::ModelsUndecided && w.check != Check::PastPeak &&
           w.check != Check::ImpreciseConstant;
}
