#include "cli/fitreport.h"

#include "analysis/channelsummary.h"
#include "cli/fitrun.h"
#include "mainwindow/fieldtext.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

using Check = ChannelWarning::Check;
using Constant = ChannelWarning::Constant;

constexpr int kColumnWidth = 14;

QString figure(double v)
{
    return std::isnan(v) ? QStringLiteral("n/a") : fieldText(v);
}

// The first cell right-aligned under "# ch", the others left-aligned in
// columns wide enough for any number the field format gives.
QString tableRow(const QString& first, const QStringList& cells)
{
    QString line = first.rightJustified(4);
    for (const QString& c : cells)
        line += QStringLiteral("  ") + c.leftJustified(kColumnWidth - 2);
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
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
    }
    return QString();
}

QString pointName(const FitRun& run, int index)
{
    const FitRun::Point& p = run.points[index];
    const FitRun::File& f = run.files[p.file];
    QString name = QStringLiteral("point %1 (%2").arg(index + 1).arg(f.path);
    if (f.points > 1)
        name += QStringLiteral(", point %1 of the file").arg(p.indexInFile + 1);
    return name + QLatin1Char(')');
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
    QString text = QStringLiteral("# %1 from %2, %3\n")
                       .arg(count(run.points.size(), "point"), count(opened, "file"),
                            count(run.nChannels, "channel"));

    const QStringList heads = {"tau0",       "+-tau0",      "tau",         "+-tau",
                               "chi2/nu in", "chi2/nu out", "tau0*ICRmax", "tau*ICRmax"};
    text += tableRow(QStringLiteral("# ch"), heads);
    for (int ch = 0; ch < run.fit.tau0s.size(); ++ch) {
        const ChannelStats& s = run.stats[ch];
        // A constant shows as the window shows it ("nan" for a singular
        // fit); the other figures may be not available.
        const QStringList cells = {fieldText(run.fit.tau0s[ch]), figure(s.tau0Error),
                                   fieldText(run.fit.taus[ch]),  figure(s.tauError),
                                   figure(s.inputChiSquare),     figure(s.outputChiSquare),
                                   figure(s.tau0Fraction),       figure(s.tauFraction)};
        text += tableRow(QString::number(ch + 1), cells);
    }
    return text;
}

QString warningText(const FitRun& run, const ChannelWarning& w)
{
    return channelWarningText(w, [&run](int point) { return pointName(run, point); });
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
        files.append(o);
    }

    QJsonArray channels;
    for (int ch = 0; ch < run.fit.tau0s.size(); ++ch) {
        const ChannelStats& s = run.stats[ch];
        const double tau0 = run.fit.tau0s[ch];
        const double tau = run.fit.taus[ch];
        QJsonObject o;
        o["channel"] = ch + 1;
        o["finite"] = std::isfinite(tau0) && std::isfinite(tau);
        o["tau0"] = jsonNumber(tau0);
        o["tau0Text"] = fieldText(tau0);
        o["tau0Error"] = jsonNumber(s.tau0Error);
        o["tau"] = jsonNumber(tau);
        o["tauText"] = fieldText(tau);
        o["tauError"] = jsonNumber(s.tauError);
        o["inputReducedChiSquare"] = jsonNumber(s.inputChiSquare);
        o["outputReducedChiSquare"] = jsonNumber(s.outputChiSquare);
        o["highestIcr"] = jsonNumber(s.highestIcr);
        o["tau0Fraction"] = jsonNumber(s.tau0Fraction);
        o["tauFraction"] = jsonNumber(s.tauFraction);
        o["inputFit"] =
            QJsonArray{jsonNumber(run.fit.i0NinFits[ch][0]), jsonNumber(run.fit.i0NinFits[ch][1])};
        o["outputFit"] = QJsonArray{jsonNumber(run.fit.ninNoutFits[ch][0]),
                                    jsonNumber(run.fit.ninNoutFits[ch][1])};
        channels.append(o);
    }

    QJsonArray warnings;
    for (const ChannelWarning& w : run.warnings) {
        QJsonObject o;
        o["check"] = checkName(w.check);
        o["channel"] = w.channel + 1;
        if (w.constant != Constant::None)
            o["constant"] = constantName(w.constant);
        if (w.point >= 0) {
            o["point"] = w.point + 1;
            o["file"] = run.files[run.points[w.point].file].path;
        }
        o["value"] = jsonNumber(w.value);
        o["reference"] = jsonNumber(w.reference);
        if (w.check == Check::OutlyingConstant)
            o["deviationLimit"] = jsonNumber(w.deviationLimit);
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

    QJsonObject root;
    root["files"] = files;
    root["points"] = run.points.size();
    root["channels"] = run.nChannels;
    root["results"] = channels;
    root["warnings"] = warnings;
    root["written"] = out;
    return QJsonDocument(root);
}
