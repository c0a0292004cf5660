#include "analysis/debuglog.h"
#include "input/channellimit.h"
#include "input/measurementfile.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <random>

using namespace veskor::test;

Q_DECLARE_METATYPE(MeasurementFormat)

namespace {

QVector<Point> loadPath(const QString& path)
{
    QVector<Point> points;
    loadMeasurementFile(path,
                        [&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                            points.append({i0, icrs, scas});
                        });
    return points;
}

QVector<Point> loadBytes(const QByteArray& bytes)
{
    QVector<Point> points;
    loadMeasurementBytes(bytes,
                         [&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                             points.append({i0, icrs, scas});
                         });
    return points;
}

} // namespace

class TestMeasurementFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixtures_data();
    void fixtures();
    void numberedLoad_data();
    void numberedLoad();
    void unreadablePath_data();
    void unreadablePath();
    void hostileContent_data();
    void hostileContent();
    void binaryFile();
    void channelLimit_data();
    void channelLimit();
};

void TestMeasurementFile::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QVector<Point>>("points");
    using P = QVector<Point>;

    QTest::newRow("MCA spectrum file: one point")
        << "mca_two_channels_worked_example.mca" << P{{152340, {48213.5, 47001}, {33, 66}}};
    QTest::newRow("count table: one point per accepted row")
        << "count_table_two_channels_worked_example.dat"
        << P{{1000, {500, 510}, {450, 455}}, {2000, {990, 1005}, {800, 810}}};
    QTest::newRow("count table of five rows") << "count_table_five_rows.dat"
                                              << P{{1000, {900}, {850}},
                                                   {2000, {1700}, {1500}},
                                                   {3000, {2400}, {2000}},
                                                   {4000, {3000}, {2400}},
                                                   {1234567, {5}, {0.000012}}};
    // Without I0 the spectrum file is not accepted and is read again as a
    // one-channel table: each row of three or more tokens is a point.
    QTest::newRow("spectrum file without I0 falls back to the count table")
        << "mca_without_i0_read_as_count_table.mca"
        << P{{99, {0.99}, {4}}, {100, {1.00}, {10}}, {102, {1.02}, {12}}};
}

void TestMeasurementFile::fixtures()
{
    QFETCH(QString, file);
    QFETCH(QVector<Point>, points);
    const QString path = QFINDTESTDATA("data/" + file);
    QVERIFY(!path.isEmpty());
    DebugLog log;
    VESKOR_COMPARE_POINTS(loadPath(path), points);
    VESKOR_COMPARE_POINTS(loadBytes(fileBytes(path)), points);
    QCOMPARE(log.lines, QStringList());
}

void TestMeasurementFile::numberedLoad_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<MeasurementFormat>("format");
    QTest::addColumn<QVector<qint64>>("lines");

    QTest::newRow("MCA spectrum file: no line for its one point")
        << "mca_two_channels_worked_example.mca" << MeasurementFormat::McaSpectrum
        << QVector<qint64>{0};
    QTest::newRow("count table: the rows' lines, the blank one counted")
        << "count_table_five_rows.dat" << MeasurementFormat::CountTable
        << QVector<qint64>{3, 4, 5, 7, 8};
    QTest::newRow("spectrum file read as a count table")
        << "mca_without_i0_read_as_count_table.mca" << MeasurementFormat::CountTable
        << QVector<qint64>{3, 4, 6};
}

// The numbered load gives the same points as the plain one, each with its
// line, and says which format read the file.
void TestMeasurementFile::numberedLoad()
{
    QFETCH(QString, file);
    QFETCH(MeasurementFormat, format);
    QFETCH(QVector<qint64>, lines);
    const QString path = QFINDTESTDATA("data/" + file);
    QVERIFY(!path.isEmpty());
    QVector<Point> points;
    QVector<qint64> found;
    const MeasurementFormat read =
        loadNumberedMeasurementFile(path, [&](qint64 line, double i0, const QVector<double>& icrs,
                                              const QVector<double>& scas) {
            found.append(line);
            points.append({i0, icrs, scas});
        });
    QCOMPARE(read, format);
    QCOMPARE(found, lines);
    VESKOR_COMPARE_POINTS(points, loadPath(path));
}

// The spectrum reader fails silently first, so the message comes only once.
void TestMeasurementFile::unreadablePath_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("directory") << "directory";
}

void TestMeasurementFile::unreadablePath()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = kind == "missing" ? dir.filePath("nothing.mca") : dir.path();
    DebugLog log;
    QVERIFY(loadPath(path).isEmpty());
    QCOMPARE(log.lines, QStringList("Cannot open \"" + path + "\""));
}

// Files built at run time, too big or too odd to keep beside the tests: head
// followed by unit repeated, built only when its row runs.
void TestMeasurementFile::hostileContent_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QVector<Point>>("points");
    using P = QVector<Point>;
    const int hundredMB = 100 * 1000 * 1000;

    QTest::newRow("empty file") << QByteArray() << QByteArray() << 0 << P{};
    QTest::newRow("one 100 MB line of 50 million tokens")
        << QByteArray() << QByteArray("1 ") << hundredMB / 2 << P{{1, {1}, {1}}};
    QTest::newRow("one 100 MB line without a separator")
        << QByteArray() << QByteArray("7") << hundredMB << P{};
    QTest::newRow("100 MB header line after a channel")
        << QByteArray("# I0 : 5\n# MCA Ch Info : 1 0 0 0 0 9 0 0\n# ") << QByteArray(":")
        << hundredMB << P{{5, {9}, {0}}};
    QTest::newRow("channel count 2147483647 with a long row")
        << QByteArray("# Channels : 2147483647\n") << QByteArray("1 ") << 1000000 << P{};
    QTest::newRow("NUL bytes") << QByteArray("1\0 2 3\n", 7) << QByteArray() << 0
                               << P{{0, {2}, {3}}};
}

void TestMeasurementFile::hostileContent()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, unit);
    QFETCH(int, repeat);
    QFETCH(QVector<Point>, points);
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile");
    QVERIFY(writeFile(path, head + unit.repeated(repeat)));
    DebugLog log;
    VESKOR_COMPARE_POINTS(loadPath(path), points);
    QCOMPARE(log.lines, QStringList());
}

void TestMeasurementFile::binaryFile()
{
    std::mt19937 random(20240611);
    QByteArray bytes(64 * 1024, '\0');
    for (char& b : bytes)
        b = char(random() & 0xff);
    QTemporaryDir dir;
    const QString path = dir.filePath("noise.bin");
    QVERIFY(writeFile(path, bytes));

    // What noise yields is whatever the table grammar makes of it; it must
    // come out the same through both entry points, with one channel a point.
    const QVector<Point> points = loadPath(path);
    VESKOR_COMPARE_POINTS(loadBytes(bytes), points);
    for (const Point& p : points) {
        QCOMPARE(p.icrs.size(), 1);
        QCOMPARE(p.scas.size(), 1);
    }
}

void TestMeasurementFile::channelLimit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<Point>>("points");
    QTest::addColumn<QStringList>("messages");

    QVector<double> icrs, scas;
    for (int k = 1; k <= maxPointChannels; ++k) {
        icrs << k;
        scas << k + maxPointChannels;
    }
    const QVector<double> nines(maxPointChannels, 9), zeros(maxPointChannels, 0);
    const QStringList refused{"Point not loaded: 1025 channels, more than 1024"};
    using P = QVector<Point>;

    QTest::newRow("count table row of 1024 channels")
        << tableOfChannels(1024) << P{{7, icrs, scas}} << QStringList();
    QTest::newRow("count table row of 1025 channels") << tableOfChannels(1025) << P{} << refused;
    QTest::newRow("spectrum of 1024 channels")
        << spectrumOfChannels(1024) << P{{5, nines, zeros}} << QStringList();
    // Refused as a spectrum, the file is not read again as a count table.
    QTest::newRow("spectrum of 1025 channels") << spectrumOfChannels(1025) << P{} << refused;
}

void TestMeasurementFile::channelLimit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVector<Point>, points);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    const QString path = dir.filePath("wide");
    QVERIFY(writeFile(path, bytes));
    for (bool fromFile : {true, false}) {
        DebugLog log;
        VESKOR_COMPARE_POINTS(fromFile ? loadPath(path) : loadBytes(bytes), points);
        QCOMPARE(log.lines, messages);
    }
}

VESKOR_CORE_TEST_MAIN(TestMeasurementFile)
#include "tst_measurementfile.moc"
