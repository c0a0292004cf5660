// veskor-model-study: the Monte-Carlo study of the README's model section.
//
//   veskor-model-study [--scans N] [--first-seed S]
//       prints the table: for a paralysable and a non-paralysable truth at
//       dead-time fractions of 0.05, 0.10 and 0.20, N scans each (200 by
//       default, seeds S, S + 1, ...; 1 by default), every model's mean bias
//       and share of true constants within one and two standard errors.
//   veskor-model-study --write paralyzable|nonparalyzable FRACTION SEED FILE
//       writes one of those scans as a count table, for veskor-fit.

#include "modelstudy.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "Usage: veskor-model-study [--scans N] [--first-seed S]\n"
                         "       veskor-model-study --write paralyzable|nonparalyzable FRACTION "
                         "SEED FILE\n");
    return 2;
}

bool truthFromName(const QString& name, scansim::Truth& truth)
{
    if (name == QLatin1String("paralyzable"))
        truth = scansim::Truth::Paralyzable;
    else if (name == QLatin1String("nonparalyzable"))
        truth = scansim::Truth::NonParalyzable;
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    if (!args.isEmpty() && args[0] == QLatin1String("--write")) {
        scansim::Truth truth;
        bool fractionOk = false;
        bool seedOk = false;
        if (args.size() != 5 || !truthFromName(args[1], truth))
            return usage();
        const double fraction = args[2].toDouble(&fractionOk);
        const qulonglong seed = args[3].toULongLong(&seedOk);
        if (!fractionOk || !seedOk || !(fraction > 0 && fraction < 0.35))
            return usage();
        const std::vector<char> table =
            scansim::countTable(scansim::simulateScan(truth, fraction, seed));
        QFile out(args[4]);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(table.data(), qint64(table.size())) != qint64(table.size())) {
            std::fprintf(stderr, "veskor-model-study: cannot write %s\n", qPrintable(args[4]));
            return 1;
        }
        return 0;
    }

    int scans = 200;
    qulonglong firstSeed = 1;
    for (int i = 0; i < args.size(); i += 2) {
        bool ok = i + 1 < args.size();
        if (ok && args[i] == QLatin1String("--scans"))
            scans = args[i + 1].toInt(&ok);
        else if (ok && args[i] == QLatin1String("--first-seed"))
            firstSeed = args[i + 1].toULongLong(&ok);
        else
            ok = false;
        if (!ok || scans < 1)
            return usage();
    }
    QVector<StudyRow> rows;
    for (scansim::Truth truth : {scansim::Truth::Paralyzable, scansim::Truth::NonParalyzable})
        for (double fraction : {0.05, 0.10, 0.20})
            rows += runStudy(truth, fraction, scans, firstSeed);
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << studyTable(rows);
    return 0;
}
