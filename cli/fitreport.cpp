#include "cli/fitreport.h"

#include "analysis/channelsummary.h"
#include "analysis/scanchecks.h"
#include "cli/fitrun.h"
#include "mainwindow/fieldtext.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

using Check = ChannelWarning::Check;
using Constant = ChannelWarning::Constant;

// Three digits tell a chi-square or a fraction well enough.
QString figure(double v)
{
    return std::isnan(v) ? QStringLiteral("n/a") : QString::number(v, 'g', 3);
}

// The first cell right-aligned under "# ch", the others left-aligned in
// columns of the given widths.
QString tableRow(const QString& first, const QStringList& cells, const QVector<int>& widths)
{
    QString line = first.rightJustified(4);
    for (int i = 0; i < cells.size(); ++i)
        line += QStringLiteral("  ") + cells[i].leftJustified(widths[i]);
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
}

QString orNotAvailable(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("n/a") : text;
}

QJsonValue jsonNumber(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
}

QString checkName(Check c)
{
    switch (c) {
    case Check::DeadTimeFraction:
        return QStringLiteral("deadTimeFraction");
    case Check::OutlyingConstant:
        return QStringLiteral("outlyingConstant");
    case Check::OutputAboveInput:
        return QStringLiteral("outputAboveInput");
    case Check::NonFiniteConstant:
        return QStringLiteral("nonFiniteConstant");
    case Check::NarrowI0Range:
        return QStringLiteral("narrowI0Range");
    case Check::NarrowIcrRange:
        return QStringLiteral("narrowIcrRange");
    case Check::NegativeConstant:
        return QStringLiteral("negativeConstant");
    case Check::PoorFit:
        return QStringLiteral("poorFit");
    case Check::FirstOrderBias:
        return QStringLiteral("firstOrderBias");
    case Check::I0NotPositive:
        return QStringLiteral("i0NotPositive");
    case Check::FewerChannels:
        return QStringLiteral("fewerChannels");
    case Check::ImpreciseConstant:
        return QStringLiteral("impreciseConstant");
    case Check::ModelsUndecided:
        return QStringLiteral("modelsUndecided");
    case Check::PastPeak:
        return QStringLiteral("pastPeak");
    }
    return QString();
}

QString pointName(const FitRun& run, int index)
{
    const FitRun::Point& p = run.points[index];
    QString name = QStringLiteral("point %1 (%2").arg(index + 1).arg(run.files[p.file].path);
    if (p.line > 0)
        name += QStringLiteral(", line %1").arg(p.line);
    return name + QLatin1Char(')');
}

// The model a stage's constant comes from; empty when auto found it in
// neither exact model.
QString stageModel(const FitRun& run, int ch, DeadTimeStage stage)
{
    const StageFit& fit = run.models[ch].chosen(stage, run.choice);
    if (run.choice == ModelChoice::Auto && !fit.available())
        return QString();
    return fitModelName(fit);
}

QString verdictName(ModelDecision::Verdict verdict)
{
    switch (verdict) {
    case ModelDecision::Verdict::NoneFitted:
        return QStringLiteral("none fitted");
    case ModelDecision::Verdict::Decided:
        return QStringLiteral("decided");
    case ModelDecision::Verdict::Undecided:
        return QStringLiteral("undecided");
    case ModelDecision::Verdict::Hybrid:
        return QStringLiteral("hybrid");
    }
    return QString();
}

// The figure auto decided a stage by: the hybrid's gain where it won, the
// scaled difference of the exact models otherwise.
double decidingFigure(const ModelDecision& d)
{
    return d.verdict == ModelDecision::Verdict::Hybrid ? d.hybridGain : d.scaledDelta;
}

QJsonValue jsonText(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

struct FileWarning
{
    int file;
    QString check;
    qint64 line;
    QString text;
};

QVector<FileWarning> fileWarnings(const FitRun& run)
{
    QVector<FileWarning> all;
    for (int i = 0; i < run.files.size(); ++i) {
        const FitRun::File& f = run.files[i];
        if (f.opened && f.points == 0)
            all.append({i, QStringLiteral("noPoints"), 0,
                        QStringLiteral("%1: no measurement point found").arg(f.path)});
        for (const TextFinding& t : f.findings) {
            const QString where =
                QStringLiteral("%1, line %2: ").arg(f.path, QString::number(t.line));
            if (t.kind == TextFinding::Kind::NulCharacter) {
                all.append({i, QStringLiteral("notText"), t.line,
                            where + QStringLiteral("a NUL character: this is not a text file, and "
                                                   "what was read from it is likely meaningless")});
                continue;
            }
            QString text = where + QStringLiteral("value %1 (\"%2\") did not convert and was "
                                                  "read as 0")
                                       .arg(t.column)
                                       .arg(t.token);
            if (t.moreLines > 0)
                text += QStringLiteral(" (and on %1 more line%2)")
                            .arg(t.moreLines)
                            .arg(t.moreLines == 1 ? "" : "s");
            all.append({i, QStringLiteral("valueNotConverted"), t.line, text});
        }
        for (const FitRun::File::Note& n : f.notes)
            all.append({i, n.check, 0, n.text});
    }
    return all;
}

QJsonObject stageJson(const StageFit& fit, DeadTimeStage stage)
{
    const bool input = stage == DeadTimeStage::Input;
    QJsonObject o;
    o[input ? "tau0" : "tau"] = fit.determined() ? jsonNumber(fit.constant) : QJsonValue();
    if (!fit.determined())
        o[input ? "tau0Undetermined" : "tauUndetermined"] = undeterminedText(fit, stage);
    if (fit.model == DeadTimeModel::Hybrid && fit.available()) {
        o[input ? "tau0Paralyzable" : "tauParalyzable"] = jsonNumber(fit.paralysablePart);
        o[input ? "tau0ParalyzableError" : "tauParalyzableError"] =
            jsonNumber(fit.paralysablePartError);
        o[input ? "tau0Nonparalyzable" : "tauNonparalyzable"] = jsonNumber(fit.nonParalysablePart);
        o[input ? "tau0NonparalyzableError" : "tauNonparalyzableError"] =
            jsonNumber(fit.nonParalysablePartError);
    }
    o[input ? "tau0Error" : "tauError"] = jsonNumber(fit.constantError);
    o[input ? "inputScale" : "outputScale"] = jsonNumber(fit.scale);
    o[input ? "inputScaleError" : "outputScaleError"] = jsonNumber(fit.scaleError);
    o[input ? "inputChiSquare" : "outputChiSquare"] = jsonNumber(fit.chiSquare);
    o[input ? "inputReducedChiSquare" : "outputReducedChiSquare"] =
        jsonNumber(fit.reducedChiSquare);
    if (!fit.available())
        o[input ? "tau0NotAvailable" : "tauNotAvailable"] = outcomeText(fit, stage);
    return o;
}

void merge(QJsonObject& into, const QJsonObject& from)
{
    for (auto it = from.begin(); it != from.end(); ++it)
        into[it.key()] = it.value();
}

} // namespace

QString tableText(const FitRun& run)
{
    int opened = 0;
    for (const FitRun::File& f : run.files)
        opened += f.opened ? 1 : 0;
    auto count = [](int n, const char* what) {
        return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
    };
    QString text = QStringLiteral("# %1 from %2, %3; model %4; tau0 and tau in microseconds\n")
                       .arg(count(run.points.size(), "point"), count(opened, "file"),
                            count(run.nChannels, "channel"), choiceName(run.choice));

    // An undetermined constant shows a mark; the reasons follow the table,
    // each once.
    QStringList reasons;
    auto constantCell = [&](const StageFit& fit, DeadTimeStage stage, double value, double error) {
        if (fit.determined())
            return valueWithError(value, error);
        const QString why = undeterminedText(fit, stage);
        if (!reasons.contains(why))
            reasons << why;
        return QStringLiteral("undetermined [%1]").arg(reasons.indexOf(why) + 1);
    };

    const bool decides = run.choice == ModelChoice::Auto;
    QVector<int> widths{18, 14, 11, 18, 14, 11, 11, 10};
    QStringList heads = {"tau0",      "model in",    "chi2/nu in",  "tau",
                         "model out", "chi2/nu out", "tau0*ICRmax", "tau*ICRmax"};
    if (decides) {
        widths << 10 << 10;
        heads << "by in" << "by out";
    }
    text += tableRow(QStringLiteral("# ch"), heads, widths);
    for (int ch = 0; ch < run.reported.tau0s.size(); ++ch) {
        const ChannelStats& s = run.reportedStats[ch];
        const ChannelModels& m = run.models[ch];
        QStringList cells = {
            constantCell(m.chosen(DeadTimeStage::Input, run.choice), DeadTimeStage::Input,
                         run.reported.tau0s[ch], s.tau0Error),
            orNotAvailable(stageModel(run, ch, DeadTimeStage::Input)),
            figure(s.inputChiSquare),
            constantCell(m.chosen(DeadTimeStage::Output, run.choice), DeadTimeStage::Output,
                         run.reported.taus[ch], s.tauError),
            orNotAvailable(stageModel(run, ch, DeadTimeStage::Output)),
            figure(s.outputChiSquare),
            figure(s.tau0Fraction),
            figure(s.tauFraction)};
        if (decides)
            cells << figure(decidingFigure(m.decided(DeadTimeStage::Input)))
                  << figure(decidingFigure(m.decided(DeadTimeStage::Output)));
        text += tableRow(QString::number(ch + 1), cells, widths);
    }
    for (int i = 0; i < reasons.size(); ++i)
        text += QStringLiteral("# [%1] undetermined: %2\n").arg(i + 1).arg(reasons[i]);
    return text;
}

QString warningText(const FitRun& run, const ChannelWarning& w)
{
    return channelWarningText(w, [&run](int point) { return pointName(run, point); });
}

QStringList fileWarningTexts(const FitRun& run)
{
    QStringList texts;
    for (const FileWarning& w : fileWarnings(run))
        texts << w.text;
    return texts;
}

QJsonDocument jsonReport(const FitRun& run, const WrittenFiles& written)
{
    QJsonArray files;
    for (const FitRun::File& f : run.files) {
        QJsonObject o;
        o["path"] = f.path;
        o["status"] = !f.opened       ? QStringLiteral("unreadable")
                      : f.points == 0 ? QStringLiteral("no points")
                                      : QStringLiteral("read");
        o["points"] = f.points;
        if (!f.columnFormat.isEmpty())
            o["format"] = f.columnFormat;
        files.append(o);
    }

    QJsonArray channels;
    for (int ch = 0; ch < run.reported.tau0s.size(); ++ch) {
        const ChannelStats& s = run.reportedStats[ch];
        const StageFit& in = run.models[ch].chosen(DeadTimeStage::Input, run.choice);
        const StageFit& out = run.models[ch].chosen(DeadTimeStage::Output, run.choice);
        // What the results file holds: the window's constant for the
        // quadratic, whatever a singular fit left; the model's otherwise.
        const bool quadratic = run.choice == ModelChoice::Quadratic;
        const double tau0Written = quadratic ? run.fit.tau0s[ch] : run.reported.tau0s[ch];
        const double tauWritten = quadratic ? run.fit.taus[ch] : run.reported.taus[ch];
        QJsonObject o;
        o["channel"] = ch + 1;
        const QString inModel = stageModel(run, ch, DeadTimeStage::Input);
        const QString outModel = stageModel(run, ch, DeadTimeStage::Output);
        o["model"] = inModel == outModel  ? jsonText(inModel)
                     : inModel.isEmpty()  ? jsonText(outModel)
                     : outModel.isEmpty() ? jsonText(inModel)
                                          : QJsonValue(QStringLiteral("mixed"));
        o["tau0Model"] = jsonText(inModel);
        o["tauModel"] = jsonText(outModel);
        o["finite"] = std::isfinite(run.reported.tau0s[ch]) && std::isfinite(run.reported.taus[ch]);
        merge(o, stageJson(in, DeadTimeStage::Input));
        merge(o, stageJson(out, DeadTimeStage::Output));
        o["tau0Text"] = fieldText(tau0Written);
        o["tauText"] = fieldText(tauWritten);
        if (ch < written.tau0s.size() && ch < written.taus.size()) {
            o["tau0Written"] = fieldText(written.tau0s[ch]);
            o["tauWritten"] = fieldText(written.taus[ch]);
        }
        o["highestIcr"] = jsonNumber(s.highestIcr);
        o["tau0Fraction"] = jsonNumber(s.tau0Fraction);
        o["tauFraction"] = jsonNumber(s.tauFraction);
        // The window's quadratic coefficients, which the plots draw.
        o["inputFit"] =
            QJsonArray{jsonNumber(run.fit.i0NinFits[ch][0]), jsonNumber(run.fit.i0NinFits[ch][1])};
        o["outputFit"] = QJsonArray{jsonNumber(run.fit.ninNoutFits[ch][0]),
                                    jsonNumber(run.fit.ninNoutFits[ch][1])};
        // Every model's fit, whichever is reported, so that a reader sees
        // how far they differ.
        QJsonObject models;
        for (DeadTimeModel m : {DeadTimeModel::Quadratic, DeadTimeModel::Paralyzable,
                                DeadTimeModel::NonParalyzable, DeadTimeModel::Hybrid}) {
            QJsonObject model =
                stageJson(run.models[ch].fit(DeadTimeStage::Input, m), DeadTimeStage::Input);
            merge(model,
                  stageJson(run.models[ch].fit(DeadTimeStage::Output, m), DeadTimeStage::Output));
            models[modelName(m)] = model;
        }
        o["models"] = models;
        // How far the data tell the models apart, whichever is reported.
        {
            for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
                const ModelDecision& d = run.models[ch].decided(stage);
                QJsonObject decision;
                decision["verdict"] = verdictName(d.verdict);
                decision["scaledDeltaChiSquare"] = jsonNumber(d.scaledDelta);
                decision["hybridGain"] = jsonNumber(d.hybridGain);
                decision["threshold"] = kModelsDecide;
                o[stage == DeadTimeStage::Input ? "tau0Decision" : "tauDecision"] = decision;
            }
        }
        // How far the constants may be used: up to the highest ICR
        // calibrated, and never beyond the peak of a paralysable stage.
        QJsonObject validity;
        for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
            const StageFit& fit = run.models[ch].chosen(stage, run.choice);
            QJsonObject v;
            v["calibratedUpTo"] = jsonNumber(run.models[ch].calibratedUpTo);
            v["peakRate"] = jsonNumber(peakRate(fit));
            validity[stage == DeadTimeStage::Input ? "input" : "output"] = v;
        }
        o["validity"] = validity;
        channels.append(o);
    }

    QJsonArray warnings;
    for (const FileWarning& w : fileWarnings(run)) {
        QJsonObject o;
        o["check"] = w.check;
        o["file"] = run.files[w.file].path;
        if (w.line > 0)
            o["line"] = w.line;
        o["aboutData"] = true;
        o["message"] = w.text;
        warnings.append(o);
    }
    for (const ChannelWarning& w : run.warnings) {
        QJsonObject o;
        o["check"] = checkName(w.check);
        if (w.channel >= 0)
            o["channel"] = w.channel + 1;
        if (w.constant != Constant::None)
            o["constant"] = constantName(w.constant);
        if (w.point >= 0) {
            const FitRun::Point& p = run.points[w.point];
            o["point"] = w.point + 1;
            o["file"] = run.files[p.file].path;
            if (p.line > 0)
                o["line"] = p.line;
        }
        o["value"] = jsonNumber(w.value);
        o["reference"] = jsonNumber(w.reference);
        if (w.check == Check::OutlyingConstant || w.check == Check::FirstOrderBias)
            o["deviationLimit"] = jsonNumber(w.deviationLimit);
        if (w.check == Check::PoorFit && w.point >= 0)
            o["residual"] = jsonNumber(w.measure);
        if (w.check == Check::FirstOrderBias)
            o["bias"] = jsonNumber(w.measure);
        o["aboutData"] = aboutData(w);
        o["message"] = warningText(run, w);
        warnings.append(o);
    }

    QJsonObject out;
    if (!written.results.isEmpty())
        out["results"] = written.results;
    if (!written.conf.isEmpty())
        out["conf"] = written.conf;
    if (!written.plot.isEmpty())
        out["plot"] = written.plot;
    if (!written.table.isEmpty())
        out["table"] = written.table;

    QJsonObject root;
    root["files"] = files;
    root["points"] = run.points.size();
    root["channels"] = run.nChannels;
    root["model"] = choiceName(run.choice);
    root["results"] = channels;
    root["warnings"] = warnings;
    root["written"] = out;
    return QJsonDocument(root);
}
