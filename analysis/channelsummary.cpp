#include "analysis/channelsummary.h"

#include "analysis/scanchecks.h"
#include "mainwindow/fieldtext.h"

#include <algorithm>
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
    const QString channel =
        w.channel < 0 ? QString() : QStringLiteral("channel %1: ").arg(w.channel + 1);
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
        if (w.point < 0)
            return channel + QStringLiteral("the SCA count exceeds the ICR at %1 more points")
                                 .arg(qint64(w.value));
        return channel + QStringLiteral("%1: SCA count %2 exceeds ICR %3")
                             .arg(pointName(w.point), fieldText(w.value), fieldText(w.reference));
    case Check::NonFiniteConstant:
        if (!w.reason.isEmpty())
            return channel + QStringLiteral("%1 is not available: %2").arg(name, w.reason);
        return channel +
               QStringLiteral("%1 is %2: the fit is singular").arg(name, fieldText(w.value));
    case Check::NarrowI0Range:
    case Check::NarrowIcrRange:
        return channel +
               QStringLiteral("%1 spans only %2 to %3 (a factor of %4, less than %5): %6 cannot "
                              "be determined from this scan")
                   .arg(w.check == Check::NarrowI0Range ? QStringLiteral("I0")
                                                        : QStringLiteral("ICR"),
                        fieldText(w.value), fieldText(w.reference),
                        QString::number(w.reference / w.value, 'g', 3), fieldText(kMinSpan), name);
    case Check::NegativeConstant:
        return channel + QStringLiteral("%1 = %2 is negative (%1 * highest ICR = %3): no dead "
                                        "time is; the counts do not fall as a dead time makes "
                                        "them")
                             .arg(name, fieldText(w.value), fieldText(w.reference));
    case Check::PoorFit: {
        QString text =
            channel + QStringLiteral("chi2/nu of the %1 fit is %2, above %3: the "
                                     "points scatter more than counting allows")
                          .arg(name, QString::number(w.value, 'g', 3), fieldText(w.reference));
        if (w.point >= 0)
            text += QStringLiteral("; farthest off: %1, %2 standard deviations")
                        .arg(pointName(w.point), QString::number(w.measure, 'f', 1));
        return text;
    }
    case Check::FirstOrderBias:
        return channel + QStringLiteral("the quadratic gives %1 = %2; on the exact %3 curve "
                                        "fitted to these points (%1 = %4) it would give %5, a "
                                        "first-order bias of %6, more than its standard error "
                                        "%7 (--model %3 fits the exact model)")
                             .arg(name, fieldText(w.value), modelName(w.model),
                                  fieldText(w.reference), fieldText(w.reference + w.measure),
                                  fieldText(w.measure), fieldText(w.deviationLimit));
    case Check::ImpreciseConstant:
        if (std::isnan(w.reference))
            return channel + QStringLiteral("%1 = %2 is undetermined: no standard error can be had")
                                 .arg(name, fieldText(w.value));
        return channel + QStringLiteral("%1 = %2 is undetermined: its standard error %3 is more "
                                        "than %4 %5 of it")
                             .arg(name, fieldText(w.value), fieldText(w.reference),
                                  QString::number(100 * kMaxRelativeError), QStringLiteral("%"));
    case Check::ModelsUndecided:
        return channel + QStringLiteral("the data do not decide between the paralyzable and the "
                                        "nonparalyzable %1 (chi-square difference %2 scatters, "
                                        "below %3): their mean is reported, its error widened "
                                        "by half their difference of %4")
                             .arg(name, QString::number(w.value, 'g', 3), fieldText(w.reference),
                                  fieldText(std::abs(w.measure)));
    case Check::PastPeak:
        return channel + QStringLiteral("points past the top of the %1 curve of %2 (highest "
                                        "rate %3): %4, the first %5; there a count rate has two "
                                        "true rates")
                             .arg(modelName(w.model), name, fieldText(w.reference),
                                  QString::number(w.value), pointName(w.point));
    case Check::I0NotPositive: {
        QString text = QStringLiteral("%1: I0 = %2 is not above 0: the point says nothing about "
                                      "a dead time")
                           .arg(pointName(w.point), fieldText(w.value));
        if (w.reference > 1)
            text += QStringLiteral(" (%1 such points)").arg(w.reference);
        return channel + text;
    }
    case Check::FewerChannels:
        return channel + QStringLiteral("%1 has %2 channel%3; the set had %4: only the channels "
                                        "every point has are fitted")
                             .arg(pointName(w.point), QString::number(w.value),
                                  w.value == 1 ? QString() : QStringLiteral("s"),
                                  QString::number(w.reference));
    }
    return channel;
}

void valueAndError(double seconds, double errorSeconds, QString& valueText, QString& errorText)
{
    errorText.clear();
    if (std::isnan(seconds)) {
        valueText = QStringLiteral("n/a");
        return;
    }
    const double value = seconds * 1e6;
    const double error = errorSeconds * 1e6;
    if (!std::isfinite(value) || !(error > 0.0) || !std::isfinite(error)) {
        valueText = QString::number(value, 'g', 6);
        if (error == 0.0)
            errorText = QStringLiteral("0");
        return;
    }
    // An error below the value's sixth digit says the data fix the value
    // exactly; both are shown as numbers, not as a run of zeros. So is an
    // error too small for fixed decimals.
    if (error < 1e-5 * std::abs(value) || error < 1e-9) {
        valueText = QString::number(value, 'g', 6);
        errorText = QString::number(error, 'g', 2);
        return;
    }
    // The error to two significant digits, and the value to the same place.
    int exponent = int(std::floor(std::log10(error)));
    double place = std::pow(10.0, exponent - 1);
    if (std::round(error / place) >= 100) {
        ++exponent;
        place *= 10;
    }
    const int decimals = std::max(1 - exponent, 0);
    // Adding 0.0 turns a rounded -0 into 0.
    const double roundedValue = std::round(value / place) * place + 0.0;
    const double roundedError = std::round(error / place) * place;
    valueText = QString::number(roundedValue, 'f', decimals);
    errorText = QString::number(roundedError, 'f', decimals);
}

QString valueWithError(double seconds, double errorSeconds)
{
    QString value;
    QString error;
    valueAndError(seconds, errorSeconds, value, error);
    return error.isEmpty() ? value : value + QStringLiteral(" \u00b1 ") + error;
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

QStringList exactModelSummaries(const ChannelModels& models, DeadTimeStage stage)
{
    const Constant constant = stage == DeadTimeStage::Input ? Constant::Tau0 : Constant::Tau;
    QStringList lines;
    for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
        const StageFit& fit = models.fit(stage, model);
        const QString label = model == DeadTimeModel::Paralyzable
                                  ? QStringLiteral("paralysable: ")
                                  : QStringLiteral("non-paralysable: ");
        if (fit.available())
            lines << label + constantSummary(constant, fit.constant, fit.constantError,
                                             fit.reducedChiSquare);
        else
            lines << label + QStringLiteral("%1 not available: %2")
                                 .arg(constantName(constant), outcomeText(fit, stage));
    }
    return lines;
}
