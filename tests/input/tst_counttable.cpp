#include "analysis/debuglog.h"
#include "input/counttable.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QBuffer>
#include <QTemporaryDir>

using namespace veskor::test;

namespace {

QVector<Point> readBytes(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QVector<Point> rows;
    readCountTableDevice(buffer,
                         [&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                             rows.append({i0, icrs, scas});
                         });
    return rows;
}

// The line of every accepted row, with the row's I0.
QVector<QPair<qint64, double>> rowLines(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QVector<QPair<qint64, double>> lines;
    readNumberedCountTableDevice(
        buffer, [&](qint64 line, double i0, const QVector<double>&, const QVector<double>&) {
            lines.append({line, i0});
        });
    return lines;
}

QVector<Point> readPath(const QString& path)
{
    QVector<Point> rows;
    readCountTableFile(path,
                       [&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                           rows.append({i0, icrs, scas});
                       });
    return rows;
}

} // namespace

class TestCountTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void lineEndsAndByteOrderMark_data();
    void lineEndsAndByteOrderMark();
    void grammar_data();
    void grammar();
    void rowsKnowTheirLines_data();
    void rowsKnowTheirLines();
    void unreadablePathIsReportedOnce_data();
    void unreadablePathIsReportedOnce();
};

void TestCountTable::rowsKnowTheirLines_data()
{
    using Lines = QVector<QPair<qint64, double>>;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Lines>("lines");
    QTest::newRow("worked example") << QByteArray("# Channels : 2 # two detector elements\n"
                                                  "# I0 ICR1 ICR2 SCA1 SCA2\n"
                                                  "1000 500 510 450 455\n"
                                                  "2000, 990, 1005, 800, 810 # second setting\n"
                                                  "3000 1400 1420 1100\n")
                                    << Lines{{3, 1000}, {4, 2000}};
    QTest::newRow("blank and short lines count")
        << QByteArray("\n1 2 3\n\n\n4 5\n6 7 8") << Lines{{2, 1}, {6, 6}};
    QTest::newRow("carriage returns end no line")
        << QByteArray("1 2 3\r\n4\r5 6 7\r\n8 9 10\r\n") << Lines{{1, 1}, {2, 45}, {3, 8}};
    QTest::newRow("byte-order mark and a non-ASCII comment")
        << QByteArray("\xef\xbb\xbf# \xc2\xb5s\n1 2 3\n") << Lines{{2, 1}};
    QTest::newRow("latin-1 text read as text") << QByteArray("# \xb5\n\n1 2 3\n") << Lines{{3, 1}};
}

void TestCountTable::rowsKnowTheirLines()
{
    QFETCH(QByteArray, bytes);
    using Lines = QVector<QPair<qint64, double>>;
    QFETCH(Lines, lines);
    QCOMPARE(rowLines(bytes), lines);
}

void TestCountTable::workedExample()
{
    const QString path = QFINDTESTDATA("data/count_table_two_channels_worked_example.dat");
    QVERIFY(!path.isEmpty());
    DebugLog log;
    VESKOR_COMPARE_POINTS(readPath(path), QVector<Point>({{1000, {500, 510}, {450, 455}},
                                                          {2000, {990, 1005}, {800, 810}}}));
    QCOMPARE(log.lines, QStringList());
}

void TestCountTable::lineEndsAndByteOrderMark_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("CRLF") << QByteArray() << QByteArray("\r\n");
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF") << QByteArray("\n");
}

// The byte-order mark must not hide the channel-count line behind it.
void TestCountTable::lineEndsAndByteOrderMark()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, lineEnd);
    QByteArray bytes = fileBytes(QFINDTESTDATA("data/count_table_two_channels_worked_example.dat"));
    QVERIFY(!bytes.isEmpty());
    bytes = prefix + bytes.replace("\n", lineEnd);

    QTemporaryDir dir;
    const QString path = dir.filePath("variant.dat");
    QVERIFY(writeFile(path, bytes));
    const QVector<Point> expected = {{1000, {500, 510}, {450, 455}},
                                     {2000, {990, 1005}, {800, 810}}};
    VESKOR_COMPARE_POINTS(readPath(path), expected);
    VESKOR_COMPARE_POINTS(readBytes(bytes), expected);
}

void TestCountTable::grammar_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QVector<Point>>("rows");
    using P = QVector<Point>;
    const double nan = qQNaN();
    const double inf = qInf();

    QTest::newRow("no channel-count line: one channel")
        << QByteArray("1 2 3\n4 5 6\n") << P{{1, {2}, {3}}, {4, {5}, {6}}};
    QTest::newRow("leading comma gives an empty first token")
        << QByteArray(",1,2,3\n") << P{{0, {1}, {2}}};
    QTest::newRow("trailing comment leaves an empty last token")
        << QByteArray("1000 500 # no SCA\n") << P{{1000, {500}, {0}}};
    QTest::newRow("blanks and commas mixed")
        << QByteArray("# Channels : 2\n1 ,2,, 3\t4 , 5\n") << P{{1, {2, 3}, {4, 5}}};
    QTest::newRow("row of exactly 2t tokens is skipped")
        << QByteArray("# Channels : 2\n1 2 3 4\n") << P{};
    QTest::newRow("tokens beyond 2t are ignored")
        << QByteArray("# Channels : 2\n1 2 3 4 5 6 7\n") << P{{1, {2, 3}, {4, 5}}};
    QTest::newRow("values are never a reason to reject")
        << QByteArray("x 0 y\n0 0 0\n") << P{{0, {0}, {0}}, {0, {0}, {0}}};
    QTest::newRow("NaN and infinite values")
        << QByteArray("nan inf -inf\n1e400 1 2\n") << P{{nan, {inf}, {-inf}}, {inf, {1}, {2}}};
    QTest::newRow("a carriage return inside a line is dropped")
        << QByteArray("1\r2 3 4\r\n") << P{{12, {3}, {4}}};
    QTest::newRow("empty lines are never rows") << QByteArray("\n\n   \n") << P{};
    QTest::newRow("channel-count prefix needs no blank after the colon")
        << QByteArray("# Channels :2\n1 2 3 4 5\n") << P{{1, {2, 3}, {4, 5}}};
    QTest::newRow("channel-count prefix in lower case")
        << QByteArray("# channels : 2\n1 2 3 4 5\n") << P{{1, {2, 3}, {4, 5}}};
    QTest::newRow("no blank after the hash: a comment")
        << QByteArray("#Channels : 2\n1 2 3 4 5\n") << P{{1, {2}, {3}}};
    QTest::newRow("second hash starts a comment on the count line")
        << QByteArray("# Channels : 2 # 3\n1 2 3 4 5\n") << P{{1, {2, 3}, {4, 5}}};
    QTest::newRow("channel count 0 accepts nothing, later count lines ignored")
        << QByteArray("# Channels : 0\n1 2 3\n# Channels : 1\n1 2 3\n") << P{};
    QTest::newRow("channel count written as a word is 0")
        << QByteArray("# Channels : two\n1 2 3 4 5\n") << P{};
    QTest::newRow("negative channel count accepts nothing")
        << QByteArray("# Channels : -1\n1 2 3\n") << P{};
    QTest::newRow("channel count after rows applies to later rows")
        << QByteArray("1 2 3 4 5\n# Channels : 2\n1 2 3 4 5\n")
        << P{{1, {2}, {3}}, {1, {2, 3}, {4, 5}}};
    QTest::newRow("channel count 1 keeps later count lines honoured")
        << QByteArray("# Channels : 1\n1 2 3\n# Channels : 2\n1 2 3 4 5\n")
        << P{{1, {2}, {3}}, {1, {2, 3}, {4, 5}}};
    QTest::newRow("once set, later count lines are comments")
        << QByteArray("# Channels : 2\n# Channels : 1\n1 2 3 4 5\n") << P{{1, {2, 3}, {4, 5}}};
    QTest::newRow("hash-led lines are comments with any channel count")
        << QByteArray("# Channels : 2\n#1 2 3 4 5\n") << P{};
    // 2t + 1 wraps to a negative 32-bit number for t of 2^30 and beyond; the
    // test must still ask for that many tokens.
    QTest::newRow("channel count 1073741823")
        << QByteArray("# Channels : 1073741823\n1 2 3 4 5\n") << P{};
    QTest::newRow("channel count 1073741824")
        << QByteArray("# Channels : 1073741824\n1 2 3 4 5\n") << P{};
    QTest::newRow("channel count 1500000000")
        << QByteArray("# Channels : 1500000000\n1 2 3 4 5\n") << P{};
    QTest::newRow("channel count 2147483647")
        << QByteArray("# Channels : 2147483647\n1 2 3 4 5\n") << P{};
    QTest::newRow("channel count beyond int converts to 0")
        << QByteArray("# Channels : 2147483648\n1 2 3 4 5\n") << P{};
}

void TestCountTable::grammar()
{
    QFETCH(QByteArray, text);
    QFETCH(QVector<Point>, rows);
    VESKOR_COMPARE_POINTS(readBytes(text), rows);
}

void TestCountTable::unreadablePathIsReportedOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("directory") << "directory";
}

void TestCountTable::unreadablePathIsReportedOnce()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = kind == "missing" ? dir.filePath("nothing.dat") : dir.path();
    DebugLog log;
    QVERIFY(readPath(path).isEmpty());
    QCOMPARE(log.lines, QStringList("Cannot open \"" + path + "\""));
}

VESKOR_CORE_TEST_MAIN(TestCountTable)
#include "tst_counttable.moc"
