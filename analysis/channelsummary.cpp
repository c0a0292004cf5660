#include "analysis/channelsummary.h"

#include "mainwindow/fieldtext.h"

#include <cmath>

namespace {

using Check = ChannelWarning::Check;
using Constant = ChannelWarning::Constant;

QString microseconds(double seconds)
{
    return QString::number(seconds * 1e6, 'g', 3);
}

} // namespace

QString constantName(Constant constant)
{
    switch (constant) {
    case Constant::Tau0:
        return QStringLiteral("tau0");
    case Constant::Tau:
        return QStringLiteral("tau");
    case Constant::None:
        break;
    }
    return QString();
}

QString channelWarningText(const ChannelWarning& w, const std::function<QString(int)>& pointName)
{
    const QString channel = QStringLiteral("channel %1: ").arg(w.channel + 1);
    const QString name = constantName(w.constant);
    switch (w.check) {
    case Check::DeadTimeFraction:
        return channel + QStringLiteral("%1 * highest ICR = %2 exceeds %3: the quadratic model "
                                        "no longer holds at the highest rates")
                             .arg(name, fieldText(w.value), fieldText(w.reference));
    case Check::OutlyingConstant:
        return channel + QStringLiteral("%1 = %2 lies far from the other channels' (median %3, "
                                        "more than %4 median absolute deviations: %5)")
                             .arg(name, fieldText(w.value), fieldText(w.reference),
                                  fieldText(kOutlierMads), fieldText(w.deviationLimit));
    case Check::OutputAboveInput:
        return channel + QStringLiteral("%1: SCA count %2 exceeds ICR %3")
                             .arg(pointName(w.point), fieldText(w.value), fieldText(w.reference));
    case Check::NonFiniteConstant:
        return channel +
               QStringLiteral("%1 is %2: the fit is singular").arg(name, fieldText(w.value));
    }
    return channel;
}

QString constantSummary(ChannelWarning::Constant constant, double value, double error,
                        double reducedChiSquare)
{
    QString text =
        constant == Constant::Tau0 ? QStringLiteral("\u03c40 = ") : QStringLiteral("\u03c4 = ");
    text += microseconds(value);
    if (!std::isnan(error))
        text += QStringLiteral(" \u00b1 ") + microseconds(error);
    text += QStringLiteral(" \u00b5s");
    if (!std::isnan(reducedChiSquare)) {
        // Two decimals tell a good fit (about 1) from a poor one; beyond
        // ten, whole numbers do.
        const int decimals = reducedChiSquare < 10 ? 2 : reducedChiSquare < 100 ? 1 : 0;
        text += QStringLiteral(" (\u03c7\u00b2/\u03bd %1)")
                    .arg(QString::number(reducedChiSquare, 'f', decimals));
    }
    return text;
}
