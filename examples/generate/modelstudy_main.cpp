// veskor-model-study: the Monte-Carlo study of the README's model section.
//
//   veskor-model-study [--scans N] [--seed S]
//       prints the table: for a paralysable, a non-paralysable and a hybrid
//       truth at dead-time fractions of 0.05, 0.10 and 0.20 (points of one
//       second), and at 0.10 with points of 0.5 to 4 s and with I0 over
//       1.5x only, N scans each (1000 by default), every model's count of
//       undetermined constants, mean bias and share of true constants
//       within one and two standard errors. Each cell's scans have seeds of
//       their own, a hash of S (1 by default), the cell and the scan's
//       number.
//   veskor-model-study --write TRUTH FRACTION N FILE [--points KIND] [--seed S]
//       writes scan N (from 1) of that cell, for veskor-fit: a count table,
//       or for timed points a CSV file with their times (a count table has
//       no column for them), read with
//         veskor-fit --i0 I0 --icr 'ICR{n}' --sca 'SCA{n}' --time Seconds
//       TRUTH is paralyzable, nonparalyzable or hybrid; KIND even (the
//       default), timed or narrow.

#include "modelstudy.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "Usage: veskor-model-study [--scans N] [--seed S]\n"
                         "       veskor-model-study --write paralyzable|nonparalyzable|hybrid "
                         "FRACTION N FILE\n"
                         "                          [--points even|timed|narrow] [--seed S]\n");
    return 2;
}

bool truthFromName(const QString& name, scansim::Truth& truth)
{
    if (name == QLatin1String("paralyzable"))
        truth = scansim::Truth::Paralyzable;
    else if (name == QLatin1String("nonparalyzable"))
        truth = scansim::Truth::NonParalyzable;
    else if (name == QLatin1String("hybrid"))
        truth = scansim::Truth::Hybrid;
    else
        return false;
    return true;
}

bool kindFromName(const QString& name, scansim::ScanKind& kind)
{
    if (name == QLatin1String("even"))
        kind = scansim::ScanKind::Even;
    else if (name == QLatin1String("timed"))
        kind = scansim::ScanKind::Timed;
    else if (name == QLatin1String("narrow"))
        kind = scansim::ScanKind::Narrow;
    else
        return false;
    return true;
}

// The options after the first of args: pairs of --seed S, and --scans N
// (study) or --points KIND (write). False for anything else.
bool readOptions(const QStringList& args, int first, bool writing, qulonglong& seed, int& scans,
                 scansim::ScanKind& kind)
{
    for (int i = first; i < args.size(); i += 2) {
        bool ok = i + 1 < args.size();
        if (ok && args[i] == QLatin1String("--seed"))
            seed = args[i + 1].toULongLong(&ok);
        else if (ok && !writing && args[i] == QLatin1String("--scans")) {
            scans = args[i + 1].toInt(&ok);
            ok = ok && scans >= 1;
        } else if (ok && writing && args[i] == QLatin1String("--points"))
            ok = kindFromName(args[i + 1], kind);
        else
            ok = false;
        if (!ok)
            return false;
    }
    return true;
}

int writeScan(const QStringList& args)
{
    scansim::Truth truth;
    scansim::ScanKind kind = scansim::ScanKind::Even;
    qulonglong seed = 1;
    int unused = 0;
    bool fractionOk = false;
    bool numberOk = false;
    if (args.size() < 5 || !truthFromName(args[1], truth) ||
        !readOptions(args, 5, true, seed, unused, kind))
        return usage();
    const double fraction = args[2].toDouble(&fractionOk);
    const int number = args[3].toInt(&numberOk);
    if (!fractionOk || !numberOk || number < 1 ||
        !(fraction > 0 && fraction < scansim::highestFraction(truth)))
        return usage();
    const scansim::Scan scan = scansim::simulateScan(
        truth, fraction, kind, scansim::scanSeed(seed, truth, fraction, kind, number));
    const std::vector<char> table =
        kind == scansim::ScanKind::Timed ? scansim::csvTable(scan) : scansim::countTable(scan);
    QFile out(args[4]);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(table.data(), qint64(table.size())) != qint64(table.size())) {
        std::fprintf(stderr, "veskor-model-study: cannot write %s\n", qPrintable(args[4]));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    if (!args.isEmpty() && args[0] == QLatin1String("--write"))
        return writeScan(args);

    int scans = 1000;
    qulonglong seed = 1;
    scansim::ScanKind unused = scansim::ScanKind::Even;
    if (!readOptions(args, 0, false, seed, scans, unused))
        return usage();
    const scansim::Truth truths[] = {scansim::Truth::Paralyzable, scansim::Truth::NonParalyzable,
                                     scansim::Truth::Hybrid};
    QVector<StudyRow> rows;
    for (scansim::Truth truth : truths)
        for (double fraction : {0.05, 0.10, 0.20})
            rows += runStudy(truth, fraction, scansim::ScanKind::Even, scans, seed);
    for (scansim::ScanKind kind : {scansim::ScanKind::Timed, scansim::ScanKind::Narrow})
        for (scansim::Truth truth : truths)
            rows += runStudy(truth, 0.10, kind, scans, seed);
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << studyTable(rows);
    return 0;
}
