// One known scan written in every format veskor-fit reads through a column
// mapping, against the same points written as a count table; the errors a
// mapping can meet; --table; and the measured XDAC files against the count
// tables derived from them (skipped where ../shared/realdata is not).

#include "hdf5write.h"
#include "input/counttablewrite.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using veskor::test::runTool;
using veskor::test::ToolRun;

constexpr int kPoints = 9;
constexpr int kChannels = 3;

// A scan of counts at several beam intensities and counting times, as
// paralysable stages would count it, with a little scatter.
struct Scan
{
    QVector<double> seconds;
    QVector<double> i0;
    QVector<QVector<double>> icr; // [point][channel]
    QVector<QVector<double>> sca;
};

Scan knownScan()
{
    Scan s;
    for (int k = 0; k < kPoints; ++k) {
        const double t = 0.5 + 0.75 * (k % 3);
        const double rate0 = 4000.0 * (k + 1);
        s.seconds << t;
        s.i0 << std::round(rate0 * t);
        QVector<double> icr;
        QVector<double> sca;
        for (int c = 0; c < kChannels; ++c) {
            const double efficiency = 8.0 + c;
            const double in = efficiency * rate0 * std::exp(-efficiency * rate0 * (0.8 + 0.1 * c) * 1e-6);
            const double out = in * std::exp(-in * (2.5 + 0.1 * c) * 1e-6);
            const double jitter = double((k * 7 + c * 3) % 5 - 2);
            icr << std::round(in * t) + 3 * jitter;
            sca << std::round(out * t) - 2 * jitter;
        }
        s.icr << icr;
        s.sca << sca;
    }
    return s;
}

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// The labels every text format carries, in order, and a row's values.
QStringList labels(const QString& angle = "Angle")
{
    QStringList l{angle, "Seconds", "I0"};
    for (int c = 1; c <= kChannels; ++c)
        l << QString("ICR%1").arg(c);
    for (int c = 1; c <= kChannels; ++c)
        l << QString("SCA%1").arg(c);
    return l;
}

QStringList row(const Scan& s, int k)
{
    QStringList r{number(0.25 * k), number(s.seconds[k]), number(s.i0[k])};
    for (double v : s.icr[k])
        r << number(v);
    for (double v : s.sca[k])
        r << number(v);
    return r;
}

QByteArray delimited(const Scan& s, const QString& separator, bool quoted)
{
    QStringList heads = labels();
    if (quoted)
        for (QString& h : heads)
            h = '"' + h + '"';
    QString text = "# exported for the dead-time scan\n" + heads.join(separator) + "\n";
    for (int k = 0; k < kPoints; ++k)
        text += row(s, k).join(separator) + "\n";
    return text.toUtf8();
}

QByteArray spec(const Scan& s)
{
    QString text = "#F scan.spec\n#E 1700000000\n#D Mon Dec 07 2026\n\n"
                   "#S 1 timescan 1 0\n#L Epoch  I0\n1 2\n3 4\n\n"
                   "#S 2 ascan att 0 8 8 1\n#D Mon Dec 07 2026\n#N 9\n#L " +
                   labels("Two Theta").join("  ") + "\n";
    for (int k = 0; k < kPoints; ++k) {
        if (k == 4)
            text += "#C beam refilled\n@A 1 2 3 4\\\n 5 6 7 8\n";
        text += row(s, k).join(' ') + "\n";
    }
    return text.toUtf8();
}

QByteArray xdi(const Scan& s)
{
    QString text = "# XDI/1.0 Veskor-test/1\n";
    const QStringList l = labels();
    for (int i = 0; i < l.size(); ++i)
        text += QString("# Column.%1: %2%3\n").arg(i + 1).arg(l[i]).arg(i == 1 ? " s" : "");
    text += "# Mono.name: Si 311\n#////\n# a dead-time scan\n#----\n# " + l.join(' ') + "\n";
    for (int k = 0; k < kPoints; ++k)
        text += "  " + row(s, k).join("  ") + "\n";
    return text.toUtf8();
}

QByteArray xdac(const Scan& s)
{
    QString text = "XDAC V1.4 Datafile V1\n\"scan.001\" created on 12/7/2026\nE0= 8979.00\n"
                   "Offsets= 115.00 54.25 0.00\n\n\n" +
                   QString(80, '-') + "\n";
    for (const QString& l : labels())
        text += l.rightJustified(14);
    text += "\n";
    for (int k = 0; k < kPoints; ++k) {
        for (const QString& v : row(s, k))
            text += v.rightJustified(14);
        text += "\n";
    }
    return text.toUtf8();
}

QByteArray table(const Scan& s, bool rates)
{
    QVector<QVector<double>> icr;
    QVector<QVector<double>> sca;
    QVector<double> i0;
    for (int k = 0; k < kPoints; ++k) {
        const double t = rates ? s.seconds[k] : 1.0;
        i0 << (rates ? s.i0[k] / t : s.i0[k]);
        QVector<double> a;
        QVector<double> b;
        for (int c = 0; c < kChannels; ++c) {
            a << (rates ? s.icr[k][c] / t : s.icr[k][c]);
            b << (rates ? s.sca[k][c] / t : s.sca[k][c]);
        }
        icr << a;
        sca << b;
    }
    QVector<PointView> views;
    for (int k = 0; k < kPoints; ++k)
        views << PointView{i0[k], &icr[k], &sca[k]};
    return countTableBytes(views, kChannels, {});
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The scan as an HDF5 file's bytes, written through the library: I0 and the
// times as integers and doubles where a detector's software keeps them, the
// counts either one dataset per channel or [point, channel] arrays.
QByteArray hdf5(const Scan& s, bool perChannel)
{
    const hsize_t n = kPoints;
    QVector<Hdf5Dataset> sets{{"entry/instrument/scaler/I0", {n}, s.i0, H5T_STD_U32LE},
                              {"entry/instrument/NDAttributes/Seconds", {n}, s.seconds}};
    QVector<double> icr;
    QVector<double> sca;
    for (int c = 0; c < kChannels; ++c) {
        QVector<double> a;
        QVector<double> b;
        for (int k = 0; k < kPoints; ++k) {
            a << s.icr[k][c];
            b << s.sca[k][c];
        }
        if (perChannel) {
            sets.append({QString("entry/instrument/NDAttributes/ICR%1").arg(c + 1), {n}, a,
                         H5T_STD_I32LE});
            sets.append({QString("entry/instrument/NDAttributes/SCA%1").arg(c + 1), {n}, b,
                         H5T_IEEE_F32LE});
        }
    }
    for (int k = 0; k < kPoints; ++k) {
        icr += s.icr[k];
        sca += s.sca[k];
    }
    if (!perChannel) {
        sets.append({"entry/data/ICR", {n, kChannels}, icr, H5T_STD_U32LE});
        sets.append({"entry/data/SCA", {n, kChannels}, sca});
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("scan.h5");
    QString error;
    if (!writeHdf5File(path, sets, &error))
        qWarning() << error;
    return veskor::test::contents(path);
}

const QStringList kMapping{"--i0", "I0", "--icr", "ICR{n}", "--sca", "SCA{n}"};

using Writer = std::function<QByteArray(const Scan&)>;

} // namespace

Q_DECLARE_METATYPE(Writer)

class TestScanFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data();
    void formats();
    void mappingErrors_data();
    void mappingErrors();
    void tableFile();
    void labelledFileWithoutMapping();
    void measuredXdac_data();
    void measuredXdac();
    void readmeExamples_data();
    void readmeExamples();

private:
    QTemporaryDir dir;
};

// The window's constants per channel, which the counting times cannot
// change (its fit has unit weights): the coefficients and the texts the
// results file holds.
QJsonArray windowConstants(const QJsonObject& report)
{
    QJsonArray all;
    for (const QJsonValue r : report.value("results").toArray()) {
        QJsonObject o;
        for (const char* key : {"inputFit", "outputFit", "tau0Text", "tauText"})
            o[key] = r.toObject().value(key);
        all.append(o);
    }
    return all;
}

// Each format, read with the mapping, gives the results of the same points
// in a count table, bit for bit: with --time the rates (every model the
// window has), without it the counts (every model).
void TestScanFormats::formats_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QStringList>("mapping");

    const QStringList whole{"--i0", "I0", "--icr", "ICR", "--sca", "SCA"};
    const struct
    {
        const char* name;
        const char* file;
        Writer writer;
        QStringList mapping;
    } formats[] = {
        {"SPEC", "scan.spec", spec, QStringList{"--scan", "2"} + kMapping},
        {"XDI", "scan.xdi", xdi, kMapping},
        {"XDAC", "scan.001", xdac, kMapping},
        {"CSV", "scan.csv", [](const Scan& s) { return delimited(s, ",", true); }, kMapping},
        {"CSV, semicolons", "scan2.csv", [](const Scan& s) { return delimited(s, ";", false); },
         kMapping},
        {"TSV", "scan.tsv", [](const Scan& s) { return delimited(s, "\t", false); }, kMapping},
        {"blank-separated", "scan.txt", [](const Scan& s) { return delimited(s, "   ", false); },
         kMapping},
        {"HDF5, a dataset per channel", "scan1.h5", [](const Scan& s) { return hdf5(s, true); },
         kMapping},
        {"HDF5, [point, channel]", "scan2.h5", [](const Scan& s) { return hdf5(s, false); }, whole},
    };
    for (const auto& f : formats)
        QTest::newRow(f.name) << QString(f.file) << f.writer << f.mapping;
}

void TestScanFormats::formats()
{
    QFETCH(QString, file);
    QFETCH(Writer, writer);
    QFETCH(QStringList, mapping);
    const Scan s = knownScan();
    const QString path = dir.filePath(file);
    const QString rates = dir.filePath("rates.dat");
    const QString counts = dir.filePath("counts.dat");
    QVERIFY(write(path, writer(s)) && write(rates, table(s, true)) && write(counts, table(s, false)));

    const struct
    {
        QStringList mapped;
        QStringList reference;
    } runs[] = {
        {mapping + QStringList{"--time", "Seconds"}, {}},
        {mapping + QStringList{"--model", "auto"}, {"--model", "auto"}},
    };
    for (const auto& run : runs) {
        const ToolRun got = runTool(QStringList{"--json"} + run.mapped + QStringList{path});
        const ToolRun want = runTool(QStringList{"--json"} + run.reference +
                                     QStringList{run.reference.isEmpty() ? rates : counts});
        QVERIFY2(got.finished && got.exitCode == 0, qPrintable(got.err));
        QVERIFY2(want.finished && want.exitCode == 0, qPrintable(want.err));
        QCOMPARE(got.json()["points"].toInt(), kPoints);
        QCOMPARE(got.json()["channels"].toInt(), kChannels);
        QVERIFY(!got.json()["results"].toArray().isEmpty());
        // The table holds no times: the figures that weigh counts by them
        // differ, the window's constants do not.
        if (run.reference.isEmpty())
            QCOMPARE(windowConstants(got.json()), windowConstants(want.json()));
        else
            QCOMPARE(got.json()["results"], want.json()["results"]);
        QCOMPARE(got.json()["files"].toArray()[0].toObject()["format"].toString().isEmpty(), false);
    }
}

// A mapping the files cannot give: exit 2, the reason on stderr, nothing
// written.
void TestScanFormats::mappingErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");

    const QByteArray csv = "Energy,Seconds,I0,ICR1,ICR2,SCA1,SCA2\n1,1,10,5,6,4,5\n2,1,20,9,11,8,9\n";
    const QByteArray twoScans = "#S 1 ascan a 0 1 1 1\n#L I0  ICR  SCA\n1 2 3\n4 5 6\n\n"
                                "#S 2 dscan b 0 1 1 1\n#L I0  ICR  SCA\n7 8 9\n";
    QTest::newRow("column missing")
        << csv << QStringList{"--i0", "I0", "--icr", "ICR5", "--sca", "SCA1"}
        << "no column 'ICR5' in %1 (for --icr); it has: Energy, Seconds, I0, ICR1, ICR2, SCA1, SCA2";
    QTest::newRow("time missing")
        << csv << kMapping + QStringList{"--time", "IntTime"}
        << "no column 'IntTime' in %1 (for --time)";
    QTest::newRow("SPEC scan to choose")
        << twoScans << QStringList{"--i0", "I0", "--icr", "ICR", "--sca", "SCA"}
        << "%1 holds 2 scans; choose one with --scan\n  --scan 1  ascan a 0 1 1 1 (line 1, 2 rows)"
           "\n  --scan 2  dscan b 0 1 1 1 (line 6, 1 row)";
    QTest::newRow("count table through a mapping")
        << QByteArray("# Channels : 1\n1 2 3\n4 5 6\n") << kMapping
        << "%1 has no line of column labels";
    QTest::newRow("mapping incomplete")
        << csv << QStringList{"--i0", "I0", "--icr", "ICR{n}"}
        << "--i0, --icr and --sca are given together";
    QTest::newRow("channel number in --time")
        << csv << kMapping + QStringList{"--time", "T{n}"} << "only --icr and --sca take it";
    QTest::newRow("--scan without mapping") << csv << QStringList{"--scan", "1"} << "--scan chooses";
}

void TestScanFormats::mappingErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QString path = dir.filePath("bad.dat");
    const QString out = dir.filePath("bad-results.dat");
    const QString tablePath = dir.filePath("bad-table.dat");
    QVERIFY(write(path, bytes));
    const ToolRun r = runTool(QStringList{"-o", out, "--table", tablePath} + args + QStringList{path});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 2);
    const QString said = message.contains("%1") ? message.arg(path) : message;
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QVERIFY(!QFile::exists(out) && !QFile::exists(tablePath));
}

// --table writes what the window reads back to the same constants, never
// over an input or a file it did not write, and again over its own.
void TestScanFormats::tableFile()
{
    const Scan s = knownScan();
    const QString csv = dir.filePath("for-table.csv");
    const QString tablePath = dir.filePath("table.dat");
    const QString other = dir.filePath("someone-elses.dat");
    QVERIFY(write(csv, delimited(s, ",", false)) && write(other, "1 2 3\n"));
    const QStringList mapping = kMapping + QStringList{"--time", "Seconds"};

    const ToolRun made = runTool(QStringList{"--json", "--table", tablePath} + mapping + QStringList{csv});
    QVERIFY2(made.exitCode == 0, qPrintable(made.err));
    QCOMPARE(made.json()["written"].toObject()["table"].toString(), tablePath);
    const QByteArray written = veskor::test::contents(tablePath);
    QVERIFY(written.startsWith("# Channels : 3\n# veskor-fit table of " + csv.toUtf8() +
                               ": I0 = I0, ICR = ICR{n}, SCA = SCA{n}, each divided by Seconds\n"));
    const ToolRun back = runTool({"--json", tablePath});
    QCOMPARE(windowConstants(back.json()), windowConstants(made.json()));

    QCOMPARE(runTool(QStringList{"--table", tablePath} + mapping + QStringList{csv}).exitCode, 0);
    for (const QString& target : {csv, other}) {
        const QByteArray before = veskor::test::contents(target);
        const ToolRun refused = runTool(QStringList{"--table", target} + mapping + QStringList{csv});
        QCOMPARE(refused.exitCode, 2);
        QCOMPARE(veskor::test::contents(target), before);
    }
}

// A CSV with a header row, fed in as a count table, is not silently fitted.
void TestScanFormats::labelledFileWithoutMapping()
{
    const QString csv = dir.filePath("header.csv");
    QVERIFY(write(csv, "I0,ICR1,SCA1\n100,90,80\n200,170,150\n300,240,200\n"));
    const ToolRun plain = runTool({csv});
    QCOMPARE(plain.exitCode, 0);
    QVERIFY2(plain.warnings().contains(csv + " holds labelled columns (CSV), which the count table "
                                             "format does not read; name them with --i0, --icr "
                                             "and --sca"),
             qPrintable(plain.err));
    QCOMPARE(runTool({"--strict", csv}).exitCode, 5);
}

// The measured files: the mapping, divided by IntTime, gives the derived
// tables' rows to the six digits they hold, and for the dead-time curves
// veskor-fit prints the same constants for both. (The window counts are no
// dead-time curve: their tau * ICR of 2.6 moves in the third digit with
// the tables' rounding.)
void TestScanFormats::measuredXdac_data()
{
    QTest::addColumn<QString>("scanFile");
    QTest::addColumn<QString>("derived");
    QTest::addColumn<QString>("sca");
    QTest::addColumn<bool>("curve");
    QTest::newRow("cu, all output events")
        << "cudata.dat" << "cu_icr_ocr_table.dat" << "Ifslow{n}" << true;
    QTest::newRow("cu, window counts") << "cudata.dat" << "cu_icr_roi_table.dat" << "Ifch{n}" << false;
    QTest::newRow("txrf, all output events")
        << "LSCF_LAO_asdep_TXRF.018" << "txrf_icr_ocr_table.dat" << "Ifslow{n}" << true;
    QTest::newRow("txrf, window counts")
        << "LSCF_LAO_asdep_TXRF.018" << "txrf_icr_roi_table.dat" << "Ifch{n}" << false;
}

void TestScanFormats::measuredXdac()
{
    QFETCH(QString, scanFile);
    QFETCH(QString, derived);
    QFETCH(QString, sca);
    QFETCH(bool, curve);
    const QDir data(QStringLiteral(VESKOR_REALDATA));
    if (!data.exists(scanFile) || !data.exists("derived/" + derived))
        QSKIP("the measured data are not beside the repository");

    const QString tablePath = dir.filePath("measured.dat");
    QFile::remove(tablePath);
    const QStringList mapping{"--i0", "I0", "--icr", "Iffast{n}", "--sca", sca, "--time", "IntTime"};
    const ToolRun mapped = runTool(QStringList{"--table", tablePath} + mapping +
                                   QStringList{data.filePath(scanFile)});
    const ToolRun table = runTool({data.filePath("derived/" + derived)});
    QCOMPARE(mapped.exitCode, 0);
    QCOMPARE(table.exitCode, 0);
    // The derived table holds the rates to six digits: the window's
    // constants agree to about as many.
    if (curve) {
        const QJsonArray a = windowConstants(
            runTool(QStringList{"--json"} + mapping + QStringList{data.filePath(scanFile)}).json());
        const QJsonArray b =
            windowConstants(runTool({"--json", data.filePath("derived/" + derived)}).json());
        QCOMPARE(a.size(), b.size());
        for (int ch = 0; ch < a.size(); ++ch) {
            const auto tau = [](const QJsonValue& r) {
                const QJsonArray fit = r.toObject().value("outputFit").toArray();
                return -fit[1].toDouble() / fit[0].toDouble();
            };
            QVERIFY(std::fabs(tau(a[ch]) - tau(b[ch])) < 1e-4 * std::fabs(tau(b[ch])));
        }
    }

    const auto rows = [](const QByteArray& bytes) {
        QVector<QStringList> all;
        for (const QByteArray& line : bytes.split('\n'))
            if (!line.startsWith('#') && !line.trimmed().isEmpty())
                all << QString::fromLatin1(line).simplified().split(' ');
        return all;
    };
    const QVector<QStringList> want = rows(veskor::test::contents(data.filePath("derived/" + derived)));
    QVector<QStringList> got = rows(veskor::test::contents(tablePath));
    for (QStringList& r : got)
        for (QString& v : r)
        {
            char text[32];
            std::snprintf(text, sizeof text, "%g", v.toDouble());
            v = QString::fromLatin1(text);
        }
    QCOMPARE(got.size(), want.size());
    QCOMPARE(got, want);
}

// The README's worked examples, as it prints them: each gives the
// constants of the example scan's count table.
void TestScanFormats::readmeExamples_data()
{
    QTest::addColumn<QStringList>("args");
    const QString source = QStringLiteral(VESKOR_SOURCE_DIR);
    QFile readme(source + "/README.md");
    QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    int found = 0;
    for (const QString& line : QString::fromUtf8(readme.readAll()).split('\n')) {
        if (!line.startsWith("build/veskor-fit ") || !line.contains("examples/formats/"))
            continue;
        // Words of a shell line: single quotes hold {n}; outputs under
        // build/ go to the test's folder.
        QStringList args;
        for (QString word : line.split(' ', Qt::SkipEmptyParts).mid(1)) {
            if (word.startsWith('\'') && word.endsWith('\''))
                word = word.mid(1, word.size() - 2);
            if (word.startsWith("build/"))
                word = dir.filePath(word.mid(6));
            else if (word.startsWith("examples/"))
                word = source + "/" + word;
            args << word;
        }
        QTest::newRow(qPrintable(QString::number(++found))) << args;
    }
    QVERIFY(found >= 6);
}

void TestScanFormats::readmeExamples()
{
    QFETCH(QStringList, args);
    const ToolRun example = runTool(QStringList{"--json"} + args);
    const ToolRun table =
        runTool({"--json", QStringLiteral(VESKOR_SOURCE_DIR) + "/examples/scan-table.dat"});
    QVERIFY2(example.exitCode == 0, qPrintable(example.err));
    QCOMPARE(example.json()["points"].toInt(), 12);
    if (args.contains("--time"))
        QCOMPARE(windowConstants(example.json()), windowConstants(table.json()));
    else
        QCOMPARE(example.json()["results"], table.json()["results"]);
}

QTEST_GUILESS_MAIN(TestScanFormats)
#include "tst_scanformats.moc"
