#include "input/columnmapping.h"
#include "input/counttable.h"
#include "input/counttablewrite.h"
#include "input/labelledtext.h"

#include <QBuffer>
#include <QtTest>

#include <cstring>
#include <limits>

Q_DECLARE_METATYPE(LabelledTextFormat)

namespace {

QVector<double> column(ColumnSource& source, const QString& name, QString& error)
{
    NamedArray array;
    if (source.read(name, array, error) != ColumnSource::Lookup::Found)
        return {};
    return array.values;
}

quint64 bits(double v)
{
    quint64 b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

} // namespace

class TestLabelledText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detect_data();
    void detect();
    void read_data();
    void read();
    void mapping_data();
    void mapping();
    void tableReadsBackBitForBit();
};

void TestLabelledText::detect_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<LabelledTextFormat>("format");
    using F = LabelledTextFormat;
    QTest::newRow("SPEC") << QByteArray("#F x\n#E 1\n\n#S 1 ascan th 0 1 1 1\n#L th  I0\n0 1\n") << F::Spec;
    QTest::newRow("XDI") << QByteArray("# XDI/1.0\n# Column.1: energy eV\n#----\n# energy\n1\n") << F::Xdi;
    QTest::newRow("XDAC") << QByteArray("XDAC V1.4\nE0= 8979.00\nSRB= -200 13k\n\n----------\n"
                                        "    Energy   I0\n  1.0  2.0\n")
                          << F::Xdac;
    QTest::newRow("dashes, no XDAC line") << QByteArray("run 12\n-----\nE I0\n1 2\n") << F::Xdac;
    QTest::newRow("CSV") << QByteArray("I0,ICR1,SCA1\n1,2,3\n") << F::Csv;
    QTest::newRow("CSV, comment first") << QByteArray("# export\n\nI0;ICR1;SCA1\n1;2;3\n") << F::Csv;
    QTest::newRow("CSV, CRLF") << QByteArray("I0,ICR1\r\n1,2\r\n") << F::Csv;
    QTest::newRow("CSV, lone CR") << QByteArray("I0,ICR1\r1,2\r") << F::Csv;
    QTest::newRow("TSV") << QByteArray("I0\tICR 1\n1\t2\n") << F::Tsv;
    QTest::newRow("aligned by several tabs") << QByteArray("I0\t\tICR1\n1\t\t2\n") << F::Blank;
    QTest::newRow("CSV with a byte order mark") << QByteArray("\xEF\xBB\xBFI0,ICR1\n1,2\n") << F::Csv;
    QTest::newRow("semicolons and decimal commas") << QByteArray("I0;ICR1\n1,5;2,25\n") << F::Csv;
    QTest::newRow("XDAC header with a line of numbers")
        << QByteArray("XDAC V1.4\n8979.00\n-----\nE I0\n1 2\n") << F::Xdac;
    QTest::newRow("blank") << QByteArray("  I0  ICR1  SCA1\n 1 2 3\n") << F::Blank;
    QTest::newRow("count table") << QByteArray("# Channels : 1\n1 2 3\n4 5 6\n") << F::None;
    QTest::newRow("prose") << QByteArray("Dear user,\nthis is a letter.\n") << F::None;
    QTest::newRow("labels, no row") << QByteArray("I0,ICR1\n") << F::None;
    QTest::newRow("labels over a shorter row") << QByteArray("a b c\n1 2\n") << F::None;
    QTest::newRow("empty") << QByteArray() << F::None;
    QTest::newRow("numbers before dashes") << QByteArray("1 2\n-----\nE I0\n1 2\n") << F::None;
}

void TestLabelledText::detect()
{
    QFETCH(QByteArray, bytes);
    QFETCH(LabelledTextFormat, format);
    QCOMPARE(detectLabelledText(bytes), format);
}

// Each row reads one name from a file: the values it gives, or the error
// (or warning) whose text the row names.
void TestLabelledText::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("scan");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QString>("message");

    const QByteArray twoScans = "#S 1 ascan a 0 1 1 1\n#L a  b\n1 2\n3 4\n\n"
                                "#S 2 dscan b 0 1 2 1\n#L a  b\n5 6\n7 8\n9 10\n";
    QTest::newRow("SPEC label holding a space")
        << QByteArray("#S 1 ascan\n#L Two Theta  I0  ICR1\n1 2 3\n4 5 6\n") << "" << "Two Theta"
        << QVector<double>{1, 4} << "";
    QTest::newRow("SPEC MCA lines and comments skipped")
        << QByteArray("#S 1 x\n#L a  b\n#C paused\n@A 1 2 3\\\n 4 5 6\\\n 7\n1 2\n3 4\n") << ""
        << "b" << QVector<double>{2, 4} << "";
    QTest::newRow("SPEC second scan") << twoScans << "2" << "b" << QVector<double>{6, 8, 10} << "";
    QTest::newRow("SPEC scan number used again")
        << QByteArray("#S 1 a\n#L x\n1\n#S 1 b\n#L x\n2\n3\n") << "1.2" << "x"
        << QVector<double>{2, 3} << "";
    QTest::newRow("SPEC first of a number used again")
        << QByteArray("#S 1 a\n#L x\n1\n#S 1 b\n#L x\n2\n3\n") << "1" << "x" << QVector<double>{1}
        << "";
    QTest::newRow("SPEC several scans, none chosen")
        << twoScans << "" << "a" << QVector<double>{} << "holds 2 scans; choose one with --scan";
    QTest::newRow("SPEC scan not there")
        << twoScans << "7" << "a" << QVector<double>{} << "no scan 7 in f; it has: 1, 2";
    QTest::newRow("SPEC scan line inside an MCA block")
        << QByteArray("#F f\n@A 1 2\\\n#S 1 x\n") << "" << "a" << QVector<double>{}
        << "f holds no scan";
    QTest::newRow("SPEC scan without labels")
        << QByteArray("#S 1 a\n1 2\n") << "" << "a" << QVector<double>{} << "no #L line";
    QTest::newRow("XDI columns with units")
        << QByteArray("# XDI/1.0 x/1\n# Column.2: i0 counts\n# Column.1: energy eV\n"
                      "# Element.symbol: Cu\n#///\n# text\n#------\n# energy i0\n10 20\n11 21\n")
        << "" << "i0" << QVector<double>{20, 21} << "";
    QTest::newRow("XDAC labels after the dashes")
        << QByteArray("XDAC V1.4 Datafile V1\nOffsets= 1 2\n\n-------\n     Energy   I0  IntTime\n"
                      "  8779.0  4817.0  1.0\n  8789.0  4685.0  2.0\n")
        << "" << "IntTime" << QVector<double>{1, 2} << "";
    QTest::newRow("CSV quoted label holding the separator")
        << QByteArray("\"I0, main\",\"ICR\"\"1\"\n1,2\n3,4\n") << "" << "I0, main"
        << QVector<double>{1, 3} << "";
    QTest::newRow("CSV quoted label with a quote")
        << QByteArray("\"I0, main\",\"ICR\"\"1\"\n1,2\n") << "" << "ICR\"1" << QVector<double>{2}
        << "";
    QTest::newRow("byte order mark left out of the first label")
        << QByteArray("\xEF\xBB\xBFI0,ICR1\n1,2\n3,4\n") << "" << "I0" << QVector<double>{1, 3}
        << "";
    QTest::newRow("decimal commas between semicolons")
        << QByteArray("I0;ICR1\n1,5;2\n3;4,25\n") << "" << "ICR1" << QVector<double>{2, 4.25}
        << "";
    QTest::newRow("decimal commas need semicolons")
        << QByteArray("I0\tICR1\n1\t2\n3\t4,25\n") << "" << "ICR1" << QVector<double>{2}
        << "f, line 3: value 2 (ICR1, \"4,25\") is not a number; row skipped";
    QTest::newRow("TSV empty value skips the row")
        << QByteArray("a\tb\n1\t2\n3\t\n5\t6\n") << "" << "b" << QVector<double>{2, 6}
        << "f, line 3: value 2 (b, \"\") is not a number; row skipped";
    QTest::newRow("short row skipped")
        << QByteArray("a b\n1 2\n3\n5 6\n") << "" << "a" << QVector<double>{1, 5}
        << "f, line 3: 1 value for 2 labels; row skipped";
    QTest::newRow("long row skipped")
        << QByteArray("a b\n1 2\n3 4 5\n") << "" << "a" << QVector<double>{1}
        << "f, line 3: 3 values for 2 labels; row skipped";
    QTest::newRow("skipped rows counted")
        << QByteArray("a b\n1 2\n3\n4\n5\n6 7\n") << "" << "b" << QVector<double>{2, 7}
        << "f, line 3: 1 value for 2 labels; row skipped (and 2 more rows like it)";
    QTest::newRow("word in a row")
        << QByteArray("a b\n1 2\nn/a 4\n") << "" << "b" << QVector<double>{2}
        << "f, line 3: value 1 (a, \"n/a\") is not a number; row skipped";
    QTest::newRow("two columns of one label")
        << QByteArray("a a\n1 2\n") << "" << "a" << QVector<double>{}
        << "f has 2 columns labelled 'a'";
    QTest::newRow("name not there") << QByteArray("a b\n1 2\n") << "" << "c" << QVector<double>{}
                                    << "";
}

void TestLabelledText::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, scan);
    QFETCH(QString, name);
    QFETCH(QVector<double>, values);
    QFETCH(QString, message);

    LabelledTextReading r = readLabelledText(bytes, QStringLiteral("f"), scan);
    if (!r.source) {
        QVERIFY2(!message.isEmpty(), qPrintable(r.error));
        QVERIFY2(r.error.contains(message), qPrintable(r.error));
        QCOMPARE(r.scanNeeded, message.contains("--scan"));
        return;
    }
    QString error;
    QCOMPARE(column(*r.source, name, error), values);
    const QString said = error + r.source->warnings().join('\n');
    if (message.isEmpty())
        QVERIFY2(said.isEmpty(), qPrintable(said));
    else
        QVERIFY2(said.contains(message), qPrintable(said));
}

void TestLabelledText::mapping_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names"); // i0, icr, sca, time
    QTest::addColumn<int>("channels");
    QTest::addColumn<QVector<double>>("i0s");
    QTest::addColumn<QVector<double>>("lastScas"); // the last channel's
    QTest::addColumn<QString>("message");

    const QByteArray scan = "E T I0 ICR1 ICR2 SCA1 SCA2\n"
                            "1 2 10 20 30 40 50\n"
                            "2 0.5 3 5 7 9 11\n";
    QTest::newRow("channels while the name exists")
        << scan << QStringList{"I0", "ICR{n}", "SCA{n}", ""} << 2 << QVector<double>{10, 3}
        << QVector<double>{50, 11} << "";
    QTest::newRow("divided by the time")
        << scan << QStringList{"I0", "ICR{n}", "SCA{n}", "T"} << 2 << QVector<double>{5, 6}
        << QVector<double>{25, 22} << "";
    QTest::newRow("one channel without {n}")
        << scan << QStringList{"I0", "ICR2", "SCA2", ""} << 1 << QVector<double>{10, 3}
        << QVector<double>{50, 11} << "";
    QTest::newRow("missing name lists the labels")
        << scan << QStringList{"I0", "ICR5", "SCA1", ""} << 0 << QVector<double>{}
        << QVector<double>{}
        << "no column 'ICR5' in f (for --icr); it has: E, T, I0, ICR1, ICR2, SCA1, SCA2";
    QTest::newRow("channel 1 missing")
        << scan << QStringList{"I0", "Iffast{n}", "SCA{n}", ""} << 0 << QVector<double>{}
        << QVector<double>{} << "no column 'Iffast1' in f (for --icr)";
    QTest::newRow("missing time")
        << scan << QStringList{"I0", "ICR{n}", "SCA{n}", "IntTime"} << 0 << QVector<double>{}
        << QVector<double>{} << "no column 'IntTime' in f (for --time)";
    QTest::newRow("channels differ")
        << QByteArray("I0 ICR1 ICR2 SCA1\n1 2 3 4\n") << QStringList{"I0", "ICR{n}", "SCA{n}", ""}
        << 0 << QVector<double>{} << QVector<double>{}
        << "--icr 'ICR{n}' gives 2 channels, --sca 'SCA{n}' 1";
    QTest::newRow("labels without rows")
        << QByteArray("XDAC V1.4\n-----\nI0 ICR1 SCA1 T\n") << QStringList{"I0", "ICR{n}", "SCA{n}", "T"}
        << 1 << QVector<double>{} << QVector<double>{} << "";
    QTest::newRow("times of 0, below 0 and nan skip their points")
        << QByteArray("T I0 ICR SCA\n1 1 2 3\n0 4 5 6\n-1 7 8 9\nnan 1 1 1\n2 4 6 8\n")
        << QStringList{"I0", "ICR", "SCA", "T"} << 1 << QVector<double>{1, 2}
        << QVector<double>{3, 4}
        << "f, line 3: time T is 0; point skipped (and 2 more points like it)";
}

void TestLabelledText::mapping()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(int, channels);
    QFETCH(QVector<double>, i0s);
    QFETCH(QVector<double>, lastScas);
    QFETCH(QString, message);

    LabelledTextReading r = readLabelledText(bytes, QStringLiteral("f"), QString());
    QVERIFY2(r.source, qPrintable(r.error));
    const ColumnMapping mapping{names[0], names[1], names[2], names[3]};
    QVERIFY(mapping.problem().isEmpty());
    MappedScan scan;
    QString error;
    const bool ok = mapColumns(*r.source, mapping, scan, error);
    QCOMPARE(ok, channels > 0);
    if (!ok) {
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(scan.points.isEmpty());
        return;
    }
    QCOMPARE(scan.channels, channels);
    QVector<double> gotI0s;
    QVector<double> gotScas;
    for (const MappedPoint& p : qAsConst(scan.points)) {
        QCOMPARE(p.icrs.size(), channels);
        gotI0s << p.i0;
        gotScas << p.scas.constLast();
    }
    QCOMPARE(gotI0s, i0s);
    QCOMPARE(gotScas, lastScas);
    if (message.isEmpty())
        QVERIFY2(scan.warnings.isEmpty(), qPrintable(scan.warnings.join('\n')));
    else
        QCOMPARE(scan.warnings, QStringList{message});
}

// Awkward doubles through --table's writer and the window's reader: every
// bit comes back.
void TestLabelledText::tableReadsBackBitForBit()
{
    const QVector<QVector<double>> icrs = {
        {0.1, 1.0 / 3.0, 6232.125},
        {1e-300, 123456789.123456789, std::numeric_limits<double>::denorm_min()},
        {std::numeric_limits<double>::max(), -0.0, std::numeric_limits<double>::infinity()},
    };
    const QVector<QVector<double>> scas = {
        {2.0 / 3.0, 9007199254740993.0, 1e22},
        {5e-324, 0.30000000000000004, 7.0},
        {-1.5, 4.35, 100.0 / 7.0},
    };
    const QVector<double> i0s = {1e5 / 3.0, 2.5e-7, 17.0};
    QVector<PointView> points;
    for (int j = 0; j < 3; ++j)
        points << PointView{i0s[j], &icrs[j], &scas[j]};
    QBuffer buffer;
    buffer.setData(countTableBytes(points, 3, {"a comment", "# another"}));
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    int row = 0;
    readCountTableDevice(buffer, [&](double i0, const QVector<double>& icr, const QVector<double>& sca) {
        QVERIFY(row < 3);
        QCOMPARE(bits(i0), bits(i0s[row]));
        for (int ch = 0; ch < 3; ++ch) {
            QCOMPARE(bits(icr[ch]), bits(icrs[row][ch]));
            QCOMPARE(bits(sca[ch]), bits(scas[row][ch]));
        }
        ++row;
    });
    QCOMPARE(row, 3);
}

QTEST_GUILESS_MAIN(TestLabelledText)
#include "tst_labelledtext.moc"
