#include "modelstudy.h"

#include <cmath>

namespace {

const ModelChoice kChoices[] = {ModelChoice::Quadratic, ModelChoice::Paralyzable,
                                ModelChoice::NonParalyzable, ModelChoice::Auto};

void count(StudyCell& cell, double fitted, double error, double truth)
{
    ++cell.constants;
    if (std::isnan(fitted))
        return;
    ++cell.available;
    // A running mean, so that the sum of many small biases keeps its digits.
    cell.meanBias += ((fitted - truth) / truth - cell.meanBias) / cell.available;
    const double off = std::abs(fitted - truth);
    cell.withinOne += off <= error ? 1 : 0;
    cell.withinTwo += off <= 2 * error ? 1 : 0;
}

QString percent(double share)
{
    return QString::number(100 * share, 'f', 1) + QStringLiteral(" %");
}

QString bias(const StudyCell& cell)
{
    QString text = QString::number(100 * cell.meanBias, 'f', 1) + QStringLiteral(" %");
    if (text.startsWith(QLatin1String("-0.0")))
        text.remove(0, 1);
    if (cell.available < cell.constants)
        text += QStringLiteral(" (%1 n/a)").arg(cell.constants - cell.available);
    return text;
}

} // namespace

RunAnalysis analyseScan(const scansim::Scan& scan)
{
    QVector<double> i0s;
    QVector<QVector<double>> icrs;
    QVector<QVector<double>> scas;
    for (const scansim::Point& p : scan.points) {
        i0s.append(double(p.i0));
        icrs.append(QVector<double>(p.icrs.begin(), p.icrs.end()));
        scas.append(QVector<double>(p.scas.begin(), p.scas.end()));
    }
    QVector<PointView> views;
    for (int j = 0; j < i0s.size(); ++j)
        views.append(PointView{i0s[j], &icrs[j], &scas[j]});
    // Every model is fitted whatever the choice; the choice only picks.
    return analyseRun(views, scansim::kElements, ModelChoice::Quadratic);
}

QVector<StudyRow> runStudy(scansim::Truth truth, double fraction, int scans,
                           std::uint64_t firstSeed)
{
    QVector<StudyRow> rows;
    for (ModelChoice choice : kChoices)
        rows.append({truth, fraction, choice, {}, {}});
    for (int s = 0; s < scans; ++s) {
        const scansim::Scan scan = scansim::simulateScan(truth, fraction, firstSeed + s);
        const RunAnalysis run = analyseScan(scan);
        for (StudyRow& row : rows) {
            for (int ch = 0; ch < scansim::kElements; ++ch) {
                const StageFit& in = run.models[ch].chosen(DeadTimeStage::Input, row.choice);
                const StageFit& out = run.models[ch].chosen(DeadTimeStage::Output, row.choice);
                count(row.tau0, in.constant, in.constantError, scan.tau0s[std::size_t(ch)]);
                count(row.tau, out.constant, out.constantError, scan.taus[std::size_t(ch)]);
            }
        }
    }
    return rows;
}

QString studyTable(const QVector<StudyRow>& rows)
{
    QString text = QStringLiteral(
        "| truth | tau·ICRmax | model | tau0 bias | within 1 SE | within 2 SE | tau bias | "
        "within 1 SE | within 2 SE |\n"
        "|---|---|---|---|---|---|---|---|---|\n");
    for (const StudyRow& r : rows) {
        const QString truth = r.truth == scansim::Truth::Paralyzable
                                  ? QStringLiteral("paralysable")
                                  : QStringLiteral("non-paralysable");
        text +=
            QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 |\n")
                .arg(truth, QString::number(r.fraction, 'f', 2), choiceName(r.choice), bias(r.tau0),
                     percent(r.tau0.shareWithinOne()), percent(r.tau0.shareWithinTwo()),
                     bias(r.tau), percent(r.tau.shareWithinOne()), percent(r.tau.shareWithinTwo()));
    }
    return text;
}
