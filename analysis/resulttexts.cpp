#include "analysis/resulttexts.h"

#include "analysis/channelsummary.h"
#include "analysis/scanchecks.h"
#include "mainwindow/fieldtext.h"

#include <QDir>

#include <cmath>

namespace {

using Check = ChannelWarning::Check;
using Constant = ChannelWarning::Constant;

constexpr int kMaxToolTipLines = 8;

QString micro(double seconds)
{
    return QString::number(seconds * 1e6, 'g', 3);
}

QString figure(double v)
{
    return QString::number(v, 'g', 3);
}

QString symbol(Constant constant)
{
    return constant == Constant::Tau ? QStringLiteral("\u03c4") : QStringLiteral("\u03c40");
}

DeadTimeStage stageOf(Constant constant)
{
    return constant == Constant::Tau ? DeadTimeStage::Output : DeadTimeStage::Input;
}

} // namespace

QString ResultTexts::modelLabel(DeadTimeModel model)
{
    switch (model) {
    case DeadTimeModel::Quadratic:
        return tr("quadratic");
    case DeadTimeModel::Paralyzable:
        return tr("paralyzable");
    case DeadTimeModel::NonParalyzable:
        return tr("nonparalyzable");
    case DeadTimeModel::Hybrid:
        return tr("hybrid");
    }
    return QString();
}

QString ResultTexts::choiceLabel(ModelChoice choice)
{
    switch (choice) {
    case ModelChoice::Quadratic:
        return modelLabel(DeadTimeModel::Quadratic);
    case ModelChoice::Paralyzable:
        return modelLabel(DeadTimeModel::Paralyzable);
    case ModelChoice::NonParalyzable:
        return modelLabel(DeadTimeModel::NonParalyzable);
    case ModelChoice::Hybrid:
        return modelLabel(DeadTimeModel::Hybrid);
    case ModelChoice::Auto:
        return tr("auto");
    }
    return QString();
}

QString ResultTexts::stageModelLabel(const ChannelModels& models, DeadTimeStage stage,
                                     ModelChoice choice)
{
    const StageFit& fit = models.chosen(stage, choice);
    if (choice != ModelChoice::Auto)
        return modelLabel(fit.model);
    if (!fit.available())
        return notAvailableMark();
    if (fit.averaged)
        return tr("auto: mean");
    return tr("auto: %1").arg(modelLabel(fit.model));
}

QString ResultTexts::notAvailableMark()
{
    return tr("n/a");
}

QString ResultTexts::notAvailable(const StageFit& fit, DeadTimeStage stage)
{
    const QString x = stage == DeadTimeStage::Input ? QStringLiteral("I0") : QStringLiteral("ICR");
    const QString y = stage == DeadTimeStage::Input ? QStringLiteral("ICR") : QStringLiteral("SCA");
    using Outcome = StageFit::Outcome;
    switch (fit.outcome) {
    case Outcome::Fitted:
        return QString();
    case Outcome::NotFinite:
        return tr("a value is not a finite number");
    case Outcome::Singular:
        return fit.model == DeadTimeModel::Quadratic
                   ? tr("fewer than two different %1 values other than 0").arg(x)
                   : tr("fewer than two different %1 values above 0").arg(x);
    case Outcome::NoCounts:
        return tr("no %1 count above 0").arg(y);
    case Outcome::NotConverged:
        return tr("the %1 fit did not converge").arg(modelLabel(fit.model));
    case Outcome::TooSteep:
        return tr("the best %1 curve loses more than 99 % of the counts at the top point")
            .arg(modelLabel(fit.model));
    case Outcome::NoInformation:
        return tr("the points do not fix the %1 curve's coefficients").arg(modelLabel(fit.model));
    }
    return QString();
}

QString ResultTexts::undeterminedMark()
{
    return tr("undetermined");
}

QString ResultTexts::undetermined(const StageFit& fit, DeadTimeStage stage)
{
    const QString x = stage == DeadTimeStage::Input ? QStringLiteral("I0") : QStringLiteral("ICR");
    switch (fit.undetermined) {
    case StageFit::Undetermined::No:
        break;
    case StageFit::Undetermined::NarrowRange:
        if (!(fit.lowestX > 0.0))
            return tr("fewer than two %1 values above 0").arg(x);
        return tr("%1 spans only %2\u00d7, less than %3\u00d7")
            .arg(x, QString::number(fit.highestX / fit.lowestX, 'f', 2), figure(kMinSpan));
    case StageFit::Undetermined::LargeError:
        if (!std::isfinite(fit.constantError))
            return tr("no standard error can be had from %1 points").arg(fit.pointsFitted);
        return tr("its standard error is more than half of it");
    case StageFit::Undetermined::FitFailed:
        return notAvailable(fit, stage);
    }
    return QString();
}

QString ResultTexts::pointName(int index, const QString& file, qint64 line)
{
    const QString number = QString::number(index + 1);
    if (file.isEmpty())
        return tr("point %1").arg(number);
    const QString path = QDir::toNativeSeparators(file);
    // One arg() for all, so that a "%1" in a file name stays as it is.
    if (line > 0)
        return tr("point %1 (%2, line %3)").arg(number, path, QString::number(line));
    return tr("point %1 (%2)").arg(number, path);
}

QString ResultTexts::warning(const ChannelWarning& w, const QVector<ChannelModels>& models,
                             ModelChoice choice, const std::function<QString(int)>& pointName)
{
    const QString name = symbol(w.constant);
    switch (w.check) {
    case Check::DeadTimeFraction:
        return tr("%1 \u00d7 highest ICR = %2, above %3: the quadratic no longer holds at the "
                  "highest rates; choose an exact model")
            .arg(name, figure(w.value), figure(w.reference));
    case Check::OutlyingConstant:
        return tr("%1 = %2 \u00b5s lies far from the other channels' (median %3 \u00b5s)")
            .arg(name, micro(w.value), micro(w.reference));
    case Check::OutputAboveInput:
        if (w.point < 0)
            return tr("SCA exceeds ICR at %1 more points").arg(qint64(w.value));
        return tr("%1: SCA %2 exceeds ICR %3")
            .arg(pointName(w.point), fieldText(w.value), fieldText(w.reference));
    case Check::NonFiniteConstant: {
        QString reason;
        if (w.channel >= 0 && w.channel < models.size()) {
            const DeadTimeStage stage = stageOf(w.constant);
            const ChannelModels& m = models[w.channel];
            if (choice == ModelChoice::Auto) {
                reason = tr("%1: %2; %3: %4")
                             .arg(modelLabel(DeadTimeModel::Paralyzable),
                                  notAvailable(m.fit(stage, DeadTimeModel::Paralyzable), stage),
                                  modelLabel(DeadTimeModel::NonParalyzable),
                                  notAvailable(m.fit(stage, DeadTimeModel::NonParalyzable), stage));
            } else {
                reason = notAvailable(m.chosen(stage, choice), stage);
            }
        }
        if (reason.isEmpty())
            return tr("%1 is not available: the fit is singular").arg(name);
        return tr("%1 is not available: %2").arg(name, reason);
    }
    case Check::NarrowI0Range:
        return tr("I0 spans only %1 to %2 (a factor of %3, less than %4): \u03c4"
                  "0 cannot be "
                  "determined from this scan")
            .arg(fieldText(w.value), fieldText(w.reference), figure(w.reference / w.value),
                 figure(kMinSpan));
    case Check::NarrowIcrRange:
        return tr("ICR spans only %1 to %2 (a factor of %3, less than %4): \u03c4 cannot be "
                  "determined from this scan")
            .arg(fieldText(w.value), fieldText(w.reference), figure(w.reference / w.value),
                 figure(kMinSpan));
    case Check::NegativeConstant:
        return tr("%1 = %2 \u00b5s is negative, which no dead time is: the counts do not fall as "
                  "a dead time makes them")
            .arg(name, micro(w.value));
    case Check::PoorFit: {
        QString text = tr("\u03c7\u00b2/\u03bd = %1, above %2: the points scatter more than "
                          "counting allows")
                           .arg(figure(w.value), figure(w.reference));
        if (w.point >= 0)
            text += tr("; farthest off: %1, %2 standard deviations")
                        .arg(pointName(w.point), QString::number(w.measure, 'f', 1));
        return text;
    }
    case Check::FirstOrderBias:
        return tr("on the %1 curve fitted to these points the quadratic's %2 runs %3 \u00b5s off, "
                  "more than its standard error of %4 \u00b5s: choose an exact model")
            .arg(modelLabel(w.model), name, micro(w.measure), micro(w.deviationLimit));
    case Check::ImpreciseConstant:
        if (std::isnan(w.reference))
            return tr("%1 is undetermined: no standard error can be had").arg(name);
        return tr("%1 is undetermined: its standard error of %2 \u00b5s is more than half of it")
            .arg(name, micro(w.reference));
    case Check::ModelsUndecided:
        return tr("the data do not decide between %1 and %2 (\u0394\u03c7\u00b2 = %3 times the "
                  "scatter, below %4): their mean is shown, its error widened by half their "
                  "difference of %5 \u00b5s")
            .arg(modelLabel(DeadTimeModel::Paralyzable), modelLabel(DeadTimeModel::NonParalyzable),
                 figure(w.value), figure(w.reference), micro(std::abs(w.measure)));
    case Check::PastPeak:
        return tr("%1 points lie past the top of the %2 curve (highest rate %3), the first %4: "
                  "there a count rate has two true rates")
            .arg(QString::number(w.value), modelLabel(w.model), fieldText(w.reference),
                 pointName(w.point));
    case Check::I0NotPositive: {
        QString text = tr("%1: I0 = %2 is not above 0: the point says nothing about a dead time")
                           .arg(pointName(w.point), fieldText(w.value));
        if (w.reference > 1)
            text += tr(" (%1 such points)").arg(QString::number(w.reference));
        return text;
    }
    case Check::FewerChannels:
        return tr("%1 has %2 channels where the points before it had %3: only the channels "
                  "every point has are fitted")
            .arg(pointName(w.point), QString::number(w.value), QString::number(w.reference));
    }
    return QString();
}

QString ResultTexts::warningTag(ChannelWarning::Check check)
{
    switch (check) {
    case Check::DeadTimeFraction:
        return tr("high loss");
    case Check::OutlyingConstant:
        return tr("outlier");
    case Check::OutputAboveInput:
        return tr("SCA > ICR");
    case Check::NonFiniteConstant:
        return tr("not available");
    case Check::NarrowI0Range:
        return tr("I0 range");
    case Check::NarrowIcrRange:
        return tr("ICR range");
    case Check::NegativeConstant:
        return tr("negative");
    case Check::PoorFit:
        return tr("poor fit");
    case Check::FirstOrderBias:
        return tr("bias");
    case Check::ImpreciseConstant:
        return tr("undetermined");
    case Check::ModelsUndecided:
        return tr("models undecided");
    case Check::PastPeak:
        return tr("past peak");
    case Check::I0NotPositive:
        return tr("I0 \u2264 0");
    case Check::FewerChannels:
        return tr("channels");
    }
    return QString();
}

bool warningConcerns(const ChannelWarning& w, int channel, DeadTimeStage stage)
{
    if (w.channel >= 0 && w.channel != channel)
        return false;
    switch (w.check) {
    case Check::OutputAboveInput:
        return stage == DeadTimeStage::Output;
    case Check::FewerChannels:
        return true;
    case Check::I0NotPositive:
        return stage == DeadTimeStage::Input;
    default:
        return stageOf(w.constant) == stage;
    }
}

QString resultFieldToolTip(const RunAnalysis& run, int channel, DeadTimeStage stage,
                           const QStringList& stageWarnings, int pointsFitted)
{
    const Constant constant = stage == DeadTimeStage::Input ? Constant::Tau0 : Constant::Tau;
    const ChannelModels& m = run.models[channel];
    const StageFit& shown = m.chosen(stage, run.choice);
    auto describe = [&](const StageFit& fit) {
        if (!fit.available())
            return ResultTexts::tr("%1 not available: %2")
                .arg(symbol(constant), ResultTexts::notAvailable(fit, stage));
        if (!fit.determined())
            return ResultTexts::tr("%1 undetermined: %2")
                .arg(symbol(constant), ResultTexts::undetermined(fit, stage));
        return constantSummary(constant, fit.constant, fit.constantError, fit.reducedChiSquare);
    };

    QStringList lines;
    const bool autoFound = run.choice != ModelChoice::Auto || shown.available();
    lines << describe(shown) + QStringLiteral(", ") +
                 (autoFound ? ResultTexts::stageModelLabel(m, stage, run.choice)
                            : ResultTexts::choiceLabel(ModelChoice::Auto));
    for (DeadTimeModel model : {DeadTimeModel::Quadratic, DeadTimeModel::Paralyzable,
                                DeadTimeModel::NonParalyzable, DeadTimeModel::Hybrid}) {
        if (autoFound && !shown.averaged && model == shown.model)
            continue;
        lines << ResultTexts::modelLabel(model) + QStringLiteral(": ") +
                     describe(m.fit(stage, model));
    }
    const QString fitted =
        QCoreApplication::translate("PointSet", "Fitted over %1 points.").arg(pointsFitted);
    const int room = kMaxToolTipLines - lines.size() - 1;
    if (stageWarnings.size() <= room) {
        lines += stageWarnings;
    } else {
        lines += stageWarnings.mid(0, room - 1);
        lines << ResultTexts::tr("\u2026 and %1 more warnings in the results table")
                     .arg(stageWarnings.size() - (room - 1));
    }
    lines << fitted;
    return lines.join(QLatin1Char('\n'));
}
