#include "analysis/debuglog.h"
#include "input/mcareading.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QBuffer>
#include <QTemporaryDir>

using namespace veskor::test;

namespace {

McaReading readBytes(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    McaReading r;
    readMcaDevice(r, buffer);
    return r;
}

// A channel line declaring ICR icr and the window lo..hi.
QByteArray channel(const char* icr, const char* lo, const char* hi)
{
    return QByteArray("# MCA Ch Info : 1 0 0 0 0 ") + icr + " " + lo + " " + hi + "\n";
}

void compareReading(const McaReading& r, bool ok, double i0, const QVector<double>& icrs,
                    const QVector<double>& scas, const QVector<double>& low,
                    const QVector<double>& high)
{
    QCOMPARE(r.ok, ok);
    if (qIsNaN(i0))
        QVERIFY(qIsNaN(r.i0));
    else
        QCOMPARE(r.i0, i0);
    VESKOR_COMPARE_VALUES(r.icrs, icrs);
    VESKOR_COMPARE_VALUES(r.scas, scas);
    VESKOR_COMPARE_VALUES(r.windowLow, low);
    VESKOR_COMPARE_VALUES(r.windowHigh, high);
}

} // namespace

class TestMcaReading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void lineEndsAndByteOrderMark_data();
    void lineEndsAndByteOrderMark();
    void grammar_data();
    void grammar();
    void unreadablePathIsSilent_data();
    void unreadablePathIsSilent();
};

void TestMcaReading::workedExample()
{
    const QString path = QFINDTESTDATA("data/mca_two_channels_worked_example.mca");
    QVERIFY(!path.isEmpty());
    McaReading r;
    readMcaFile(r, path);
    compareReading(r, true, 152340, {48213.5, 47001}, {33, 66}, {100, 101}, {102, 103});
}

// The worked example with other line ends or a byte-order mark reads the same.
void TestMcaReading::lineEndsAndByteOrderMark_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("CRLF") << QByteArray() << QByteArray("\r\n");
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF") << QByteArray("\n");
    QTest::newRow("both") << QByteArray("\xEF\xBB\xBF") << QByteArray("\r\n");
}

void TestMcaReading::lineEndsAndByteOrderMark()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, lineEnd);
    QByteArray bytes = fileBytes(QFINDTESTDATA("data/mca_two_channels_worked_example.mca"));
    QVERIFY(!bytes.isEmpty());
    bytes = prefix + bytes.replace("\n", lineEnd);

    QTemporaryDir dir;
    const QString path = dir.filePath("variant.mca");
    QVERIFY(writeFile(path, bytes));
    McaReading r;
    readMcaFile(r, path);
    compareReading(r, true, 152340, {48213.5, 47001}, {33, 66}, {100, 101}, {102, 103});
    compareReading(readBytes(bytes), true, 152340, {48213.5, 47001}, {33, 66}, {100, 101},
                   {102, 103});
}

void TestMcaReading::grammar_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("i0");
    QTest::addColumn<QVector<double>>("icrs");
    QTest::addColumn<QVector<double>>("scas");
    QTest::addColumn<QVector<double>>("low");
    QTest::addColumn<QVector<double>>("high");
    using V = QVector<double>;
    const QByteArray ch1 = channel("500", "10", "12");
    const double nan = qQNaN();
    const double inf = qInf();

    QTest::newRow("I0 without blank after the colon")
        << QByteArray("# I0 :152340\n" + ch1) << false << 0.0 << V{500} << V{0} << V{10} << V{12};
    QTest::newRow("I0 without blank after the hash")
        << QByteArray("#I0 : 5\n" + ch1) << false << 0.0 << V{500} << V{0} << V{10} << V{12};
    QTest::newRow("I0 prefix in lower case")
        << QByteArray("# i0 : 5\n" + ch1) << true << 5.0 << V{500} << V{0} << V{10} << V{12};
    QTest::newRow("I0 line with tabs and blank runs")
        << QByteArray("#\t I0  :\t 5 \n" + ch1) << true << 5.0 << V{500} << V{0} << V{10} << V{12};
    QTest::newRow("I0 with a unit does not convert")
        << QByteArray("# I0 : 1000 cps\n" + ch1) << false << 0.0 << V{500} << V{0} << V{10}
        << V{12};
    QTest::newRow("the later I0 line counts") << QByteArray("# I0 : 5\n" + ch1 + "# I0 : 7\n")
                                              << true << 7.0 << V{500} << V{0} << V{10} << V{12};
    QTest::newRow("a later I0 that is no number")
        << QByteArray("# I0 : 5\n# I0 : five\n" + ch1) << false << 0.0 << V{500} << V{0} << V{10}
        << V{12};
    QTest::newRow("negative I0") << QByteArray("# I0 : -5\n" + ch1) << false << -5.0 << V{500}
                                 << V{0} << V{10} << V{12};
    QTest::newRow("NaN I0") << QByteArray("# I0 : nan\n" + ch1) << false << nan << V{500} << V{0}
                            << V{10} << V{12};
    QTest::newRow("infinite I0") << QByteArray("# I0 : inf\n" + ch1) << true << inf << V{500}
                                 << V{0} << V{10} << V{12};
    QTest::newRow("no channel") << QByteArray("# I0 : 5\n10 0 1\n") << false << 5.0 << V{} << V{}
                                << V{} << V{};
    QTest::newRow("empty file") << QByteArray() << false << 0.0 << V{} << V{} << V{} << V{};
    QTest::newRow("channel prefix in upper case")
        << QByteArray("# I0 : 5\n# MCA CH INFO : 1 0 0 0 0 500 10 12\n") << true << 5.0 << V{500}
        << V{0} << V{10} << V{12};
    QTest::newRow("channel prefix without its last blank")
        << QByteArray("# I0 : 5\n# MCA Ch Info :1 0 0 0 0 500 10 12\n") << false << 5.0 << V{}
        << V{} << V{} << V{};
    QTest::newRow("channel line of 9 tokens reads tokens 5 to 7")
        << QByteArray("# I0 : 5\n# MCA Ch Info : 1 2 3 4 5 500 10 12 99\n") << true << 5.0 << V{500}
        << V{0} << V{10} << V{12};
    // Channel 2's line has 7 tokens: rows then need only channel 1's columns.
    QTest::newRow("channel line of 7 tokens declares nothing")
        << QByteArray("# I0 : 5\n" + ch1 + "# MCA Ch Info : 2 0 0 0 0 600 10\n11 0 3\n") << true
        << 5.0 << V{500} << V{3} << V{10} << V{12};
    QTest::newRow("window bounds are included")
        << QByteArray("# I0 : 5\n" + ch1 + "9 0 1\n10 0 2\n11 0 4\n12 0 8\n13 0 16\n") << true
        << 5.0 << V{500} << V{14} << V{10} << V{12};
    QTest::newRow("bin written 100.0 is bin 0")
        << QByteArray("# I0 : 5\n" + channel("500", "0", "0") + channel("600", "100", "100") +
                      "100.0 0 5 0 7\n")
        << true << 5.0 << V{500, 600} << V{5, 0} << V{0, 100} << V{0, 100};
    QTest::newRow("window bound written 12.0 is 0")
        << QByteArray("# I0 : 5\n" + channel("500", "0", "12.0") + "0 0 5\n1 0 7\n") << true << 5.0
        << V{500} << V{5} << V{0} << V{0};
    QTest::newRow("row of exactly 2n tokens is skipped whole")
        << QByteArray("# I0 : 5\n" + ch1 + channel("600", "10", "12") + "10 0 1 0\n") << true << 5.0
        << V{500, 600} << V{0, 0} << V{10, 10} << V{12, 12};
    QTest::newRow("tokens beyond 2n are ignored")
        << QByteArray("# I0 : 5\n" + ch1 + "10 0 1 0 100\n") << true << 5.0 << V{500} << V{1}
        << V{10} << V{12};
    QTest::newRow("odd columns are not read") << QByteArray("# I0 : 5\n" + ch1 + "10 x 1\n") << true
                                              << 5.0 << V{500} << V{1} << V{10} << V{12};
    QTest::newRow("rows count only for channels declared before them")
        << QByteArray("# I0 : 5\n10 0 100 0 100\n" + ch1 + "10 0 1 0 100\n" +
                      channel("600", "10", "12") + "11 0 2\n11 0 4 0 8\n")
        << true << 5.0 << V{500, 600} << V{5, 8} << V{10, 10} << V{12, 12};
    QTest::newRow("header lines anywhere, empty lines and bare hashes")
        << QByteArray("\n#\n" + ch1 + "10 0 1\n# note: none\n\n# I0 : 5\n11 0 2\n") << true << 5.0
        << V{500} << V{3} << V{10} << V{12};
    QTest::newRow("unconvertible counts count 0")
        << QByteArray("# I0 : 5\n" + ch1 + "10 0 x\n11 0 2\n") << true << 5.0 << V{500} << V{2}
        << V{10} << V{12};
    QTest::newRow("NaN and infinite counts")
        << QByteArray("# I0 : 5\n" + ch1 + channel("nan", "10", "12") + "10 0 inf 0 nan\n") << true
        << 5.0 << V{500, nan} << V{inf, nan} << V{10, 10} << V{12, 12};
    QTest::newRow("bin beyond int converts to 0")
        << QByteArray("# I0 : 5\n" + channel("500", "0", "0") + "2147483648 0 3\n") << true << 5.0
        << V{500} << V{3} << V{0} << V{0};
    QTest::newRow("window of negative bins")
        << QByteArray("# I0 : 5\n" + channel("500", "-3", "-1") + "-2 0 3\n0 0 5\n") << true << 5.0
        << V{500} << V{3} << V{-3} << V{-1};
}

void TestMcaReading::grammar()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(double, i0);
    QFETCH(QVector<double>, icrs);
    QFETCH(QVector<double>, scas);
    QFETCH(QVector<double>, low);
    QFETCH(QVector<double>, high);
    compareReading(readBytes(text), ok, i0, icrs, scas, low, high);
}

void TestMcaReading::unreadablePathIsSilent_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("directory") << "directory";
}

void TestMcaReading::unreadablePathIsSilent()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = kind == "missing" ? dir.filePath("nothing.mca") : dir.path();
    DebugLog log;
    McaReading r;
    readMcaFile(r, path);
    QVERIFY(!r.ok);
    QCOMPARE(r.i0, 0.0);
    QVERIFY(r.icrs.isEmpty());
    QCOMPARE(log.lines, QStringList());
}

VESKOR_CORE_TEST_MAIN(TestMcaReading)
#include "tst_mcareading.moc"
