#include "modelstudy.h"

#include <QStringList>

#include <cmath>
#include <utility>

namespace {

const ModelChoice kChoices[] = {ModelChoice::Quadratic, ModelChoice::Paralyzable,
                                ModelChoice::NonParalyzable, ModelChoice::Hybrid,
                                ModelChoice::Auto};

void count(StudyCell& cell, const StageFit& fit, double truth)
{
    ++cell.constants;
    if (!fit.determined()) {
        ++cell.undeterminedBy[int(fit.undetermined)];
        return;
    }
    ++cell.determined;
    // A running mean, so that the sum of many small biases keeps its digits.
    cell.meanBias += ((fit.constant - truth) / truth - cell.meanBias) / cell.determined;
    cell.meanReducedChiSquare +=
        (fit.reducedChiSquare - cell.meanReducedChiSquare) / cell.determined;
    // A NaN error (a determined constant should have none) counts as a miss.
    const double off = std::abs(fit.constant - truth);
    cell.withinOne += off <= fit.constantError ? 1 : 0;
    cell.withinTwo += off <= 2 * fit.constantError ? 1 : 0;
}

QString percent(const StudyCell& cell, double share)
{
    if (cell.determined == 0)
        return QStringLiteral("–");
    return QString::number(100 * share, 'f', 1) + QStringLiteral(" %");
}

QString bias(const StudyCell& cell)
{
    if (cell.determined == 0)
        return QStringLiteral("–");
    QString text = QString::number(100 * cell.meanBias, 'f', 1) + QStringLiteral(" %");
    if (text.startsWith(QLatin1String("-0.0")))
        text.remove(0, 1);
    return text;
}

// "0", or the count and its reasons: "4000 (range)", "7 (3 error, 4 failed)".
QString undetermined(const StudyCell& cell)
{
    using U = StageFit::Undetermined;
    const int n = cell.undetermined();
    if (n == 0)
        return QStringLiteral("0");
    QStringList reasons;
    const std::pair<U, const char*> names[] = {
        {U::NarrowRange, "range"}, {U::LargeError, "error"}, {U::FitFailed, "failed"}};
    for (const auto& [why, name] : names) {
        const int k = cell.undeterminedFor(why);
        if (k == n)
            return QStringLiteral("%1 (%2)").arg(n).arg(QLatin1String(name));
        if (k > 0)
            reasons << QStringLiteral("%1 %2").arg(k).arg(QLatin1String(name));
    }
    return QStringLiteral("%1 (%2)").arg(n).arg(reasons.join(QStringLiteral(", ")));
}

QString truthName(scansim::Truth truth)
{
    switch (truth) {
    case scansim::Truth::Paralyzable:
        return QStringLiteral("paralysable");
    case scansim::Truth::NonParalyzable:
        return QStringLiteral("non-paralysable");
    case scansim::Truth::Hybrid:
        return QStringLiteral("hybrid");
    }
    return QString();
}

QString kindName(scansim::ScanKind kind)
{
    switch (kind) {
    case scansim::ScanKind::Even:
        return QStringLiteral("1 s");
    case scansim::ScanKind::Timed:
        return QStringLiteral("0.5-4 s");
    case scansim::ScanKind::Narrow:
        return QStringLiteral("1 s, I0 over 1.5x");
    }
    return QString();
}

} // namespace

RunAnalysis analyseScan(const scansim::Scan& scan)
{
    // A timed scan's counts become rates per second, as --time divides
    // them; the views then carry the time each rate is per.
    QVector<double> i0s;
    QVector<double> times;
    QVector<QVector<double>> icrs;
    QVector<QVector<double>> scas;
    for (const scansim::Point& p : scan.points) {
        const double t = scan.kind == scansim::ScanKind::Timed ? p.time : 1.0;
        QVector<double> icr;
        QVector<double> sca;
        for (long long v : p.icrs)
            icr.append(double(v) / t);
        for (long long v : p.scas)
            sca.append(double(v) / t);
        i0s.append(double(p.i0) / t);
        times.append(t);
        icrs.append(icr);
        scas.append(sca);
    }
    QVector<PointView> views;
    for (int j = 0; j < i0s.size(); ++j)
        views.append(PointView{i0s[j], &icrs[j], &scas[j], times[j]});
    // Every model is fitted whatever is reported; the study picks by
    // ChannelModels::chosen, so the warnings are not needed.
    return fitRunModels(views, scansim::kElements);
}

QVector<StudyRow> runStudy(scansim::Truth truth, double fraction, scansim::ScanKind kind, int scans,
                           std::uint64_t studySeed)
{
    QVector<StudyRow> rows;
    for (ModelChoice choice : kChoices)
        rows.append({truth, fraction, kind, choice, {}, {}});
    for (int s = 1; s <= scans; ++s) {
        const scansim::Scan scan = scansim::simulateScan(
            truth, fraction, kind, scansim::scanSeed(studySeed, truth, fraction, kind, s));
        const RunAnalysis run = analyseScan(scan);
        for (StudyRow& row : rows) {
            for (int ch = 0; ch < scansim::kElements; ++ch) {
                const ChannelModels& m = run.models[ch];
                count(row.tau0, m.chosen(DeadTimeStage::Input, row.choice),
                      scan.tau0s[std::size_t(ch)]);
                count(row.tau, m.chosen(DeadTimeStage::Output, row.choice),
                      scan.taus[std::size_t(ch)]);
            }
        }
    }
    return rows;
}

QString studyTable(const QVector<StudyRow>& rows)
{
    QString text = QStringLiteral(
        "| truth | tau·ICRmax | points | model | tau0 undetermined | tau0 bias | within 1 SE | "
        "within 2 SE | tau undetermined | tau bias | within 1 SE | within 2 SE |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const StudyRow& r : rows) {
        const QStringList cells = {truthName(r.truth),
                                   QString::number(r.fraction, 'f', 2),
                                   kindName(r.kind),
                                   choiceName(r.choice),
                                   undetermined(r.tau0),
                                   bias(r.tau0),
                                   percent(r.tau0, r.tau0.shareWithinOne()),
                                   percent(r.tau0, r.tau0.shareWithinTwo()),
                                   undetermined(r.tau),
                                   bias(r.tau),
                                   percent(r.tau, r.tau.shareWithinOne()),
                                   percent(r.tau, r.tau.shareWithinTwo())};
        text += QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
    }
    return text;
}
