#include "analysis/channelchecks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Constant = ChannelWarning::Constant;
using Check = ChannelWarning::Check;

const double notANumber = std::numeric_limits<double>::quiet_NaN();

double median(QVector<double> values)
{
    if (values.isEmpty())
        return notANumber;
    std::sort(values.begin(), values.end());
    const int h = values.size() / 2;
    return values.size() % 2 ? values[h] : values[h - 1] / 2 + values[h] / 2;
}

struct ConstantColumn
{
    Constant constant;
    const QVector<double>& values;
    QVector<double> errors;
};

// The outlier test for channel ch against the other channels' values of
// the same constant; see the header for the rule.
void checkOutlier(const ConstantColumn& column, int ch, QVector<ChannelWarning>& out)
{
    const double v = column.values[ch];
    if (!std::isfinite(v))
        return;
    QVector<double> others;
    QVector<double> errors;
    for (int i = 0; i < column.values.size(); ++i) {
        if (!std::isfinite(column.values[i]))
            continue;
        if (std::isfinite(column.errors[i]))
            errors.append(column.errors[i]);
        if (i != ch)
            others.append(column.values[i]);
    }
    if (others.size() < 2)
        return;
    const double m = median(others);
    QVector<double> deviations;
    deviations.reserve(others.size());
    for (double o : qAsConst(others))
        deviations.append(std::abs(o - m));
    double mad = std::max(median(deviations), 1e-6 * std::abs(m));
    if (!errors.isEmpty())
        mad = std::max(mad, median(errors));
    const double limit = kOutlierMads * mad;
    if (std::abs(v - m) > limit)
        out.append({Check::OutlyingConstant, ch, column.constant, -1, v, m, limit});
}

} // namespace

QVector<ChannelWarning> checkChannels(const QVector<PointView>& points, const DeadTimeFit& fit,
                                      const QVector<ChannelStats>& stats)
{
    const int nChannels = std::min(fit.tau0s.size(), stats.size());
    ConstantColumn columns[] = {{Constant::Tau0, fit.tau0s, {}}, {Constant::Tau, fit.taus, {}}};
    for (const ChannelStats& s : stats) {
        columns[0].errors.append(s.tau0Error);
        columns[1].errors.append(s.tauError);
    }

    QVector<ChannelWarning> out;
    for (int ch = 0; ch < nChannels; ++ch) {
        for (const ConstantColumn& c : columns)
            if (!std::isfinite(c.values[ch]))
                out.append(
                    {Check::NonFiniteConstant, ch, c.constant, -1, c.values[ch], notANumber});

        const double fractions[] = {stats[ch].tau0Fraction, stats[ch].tauFraction};
        for (int k = 0; k < 2; ++k)
            if (fractions[k] > kMaxDeadTimeFraction)
                out.append({Check::DeadTimeFraction, ch, columns[k].constant, -1, fractions[k],
                            kMaxDeadTimeFraction});

        for (const ConstantColumn& c : columns)
            checkOutlier(c, ch, out);

        int above = 0;
        for (int j = 0; j < points.size(); ++j) {
            const double sca = points[j].sca(ch);
            const double icr = points[j].icr(ch);
            if (sca > icr && ++above <= kNamedOutputAboveInput)
                out.append({Check::OutputAboveInput, ch, Constant::None, j, sca, icr});
        }
        if (above > kNamedOutputAboveInput)
            out.append({Check::OutputAboveInput, ch, Constant::None, -1,
                        double(above - kNamedOutputAboveInput), notANumber});
    }
    return out;
}
