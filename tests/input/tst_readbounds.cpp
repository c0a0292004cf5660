// What a hostile file may cost to load, and what a value that is not a
// number does to it: each format skips such a point and names its line,
// pipes and devices are read to the byte cap and no further, detection looks
// at the head of a file, every reader stays within the reading budget, and a
// veskor-fit run on files that once took gigabytes stays within twice their
// size plus 64 MB.

#include "hdf5write.h"
#include "input/labelledtext.h"
#include "input/loadfiles.h"
#include "input/scanfile.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace veskor::test;

namespace {

// A scan of four points as HDF5 datasets I0, ICR and SCA. With fill, ICR
// is chunked by two and only its first chunk is written: its last two
// points read as the fill value.
QByteArray hdf5Scan(const QVector<double>& icr, bool fill = false, double fillValue = 0.0)
{
    Hdf5Writer w;
    w.addDataset({"entry/I0", {4}, {10, 20, 30, 40}});
    w.addDataset({"entry/SCA", {4}, {1, 2, 3, 4}});
    Hdf5Layout layout;
    if (fill) {
        layout.kind = Hdf5Layout::Chunked;
        layout.chunk = {2};
        layout.hasFill = true;
        layout.fill = fillValue;
    }
    w.addDataset({"entry/ICR", {4}, icr}, layout);
    return w.image();
}

LoadedFiles load(const QString& path, LoadOptions options)
{
    QVector<LoadedFiles::Exclusion> none;
    return loadFiles({path}, none, options);
}

LoadOptions mapped(const QString& i0, const QString& icr, const QString& sca)
{
    LoadOptions o;
    o.scanFiles = ScanFiles::All;
    o.scan.mapping.i0 = i0;
    o.scan.mapping.icr = icr;
    o.scan.mapping.sca = sca;
    return o;
}

QStringList notes(const LoadedFiles::File& f)
{
    QStringList texts;
    for (const LoadedFiles::File::Note& n : f.notes)
        texts << n.text;
    return texts;
}

// The peak resident size of program run with args, in bytes; -1 when it
// could not be run.
qint64 childPeak(const QString& program, const QStringList& args)
{
    QVector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString& a : args)
        bytes << a.toLocal8Bit();
    QVector<char*> argv;
    for (QByteArray& b : bytes)
        argv << b.data();
    argv << nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return -1;
    return qint64(usage.ru_maxrss) * 1024;
}

} // namespace

class TestReadBounds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void notFinitePointsAreSkipped_data();
    void notFinitePointsAreSkipped();
    void pipesAreReadToTheCap_data();
    void pipesAreReadToTheCap();
    void scanCheckLeavesPipesAlone();
    void detectionLooksAtTheHead();
    void readersKeepToTheBudget_data();
    void readersKeepToTheBudget();
    void peakMemoryOfHostileFiles_data();
    void peakMemoryOfHostileFiles();

private:
    QTemporaryDir dir;
};

void TestReadBounds::initTestCase()
{
    QVERIFY(dir.isValid());
    // A pipe's writer is cut off once the reader has had enough.
    std::signal(SIGPIPE, SIG_IGN);
}

void TestReadBounds::notFinitePointsAreSkipped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("scanFile");
    // The points kept, by their place in the file.
    QTest::addColumn<QVector<int>>("kept");
    QTest::addColumn<QString>("warning");

    const QByteArray table = "# Channels : 2\n"
                             "10 1 2 3 4\n"
                             "20 2 %1 4 5\n"
                             "30 3 4 5 6\n"
                             "40 4 5 %2 7\n";
    QTest::newRow("count table NaN")
        << "t.dat" << QByteArray(table).replace("%1", "nan").replace("%2", "8") << false
        << QVector<int>{0, 2, 3} << "t.dat, line 3: ICR 2 is nan; point skipped";
    QTest::newRow("count table inf twice")
        << "t.dat" << QByteArray(table).replace("%1", "inf").replace("%2", "-inf") << false
        << QVector<int>{0, 2}
        << "t.dat, line 3: ICR 2 is inf; point skipped (and 1 more point like it)";
    const QByteArray csv = "I0,ICR1,ICR2,SCA1,SCA2\n"
                           "10,1,2,3,4\n"
                           "20,2,3,nan,5\n"
                           "30,3,4,5,6\n";
    QTest::newRow("CSV NaN") << "s.csv" << csv << true << QVector<int>{0, 2}
                             << "s.csv, line 3: 'SCA1' is nan; point skipped";
    const QByteArray spectrum = "# I0 : 1000\n"
                                "# MCA Ch Info : 1 0 0 0 0 500 100 101\n"
                                "# MCA Ch Info : 2 0 0 0 0 %1 100 101\n"
                                "100 0 1e308 0 4\n"
                                "101 0 %2 0 4\n";
    QTest::newRow("spectrum ICR inf")
        << "p.mca" << QByteArray(spectrum).replace("%1", "inf").replace("%2", "1") << false
        << QVector<int>{} << "p.mca, line 3: ICR 2 is inf; point skipped";
    // Counts that overflow: the line where the window's sum left the
    // doubles.
    QTest::newRow("spectrum sum overflows")
        << "p.mca" << QByteArray(spectrum).replace("%1", "500").replace("%2", "1e308") << false
        << QVector<int>{} << "p.mca, line 5: SCA 1 is inf; point skipped";
    QTest::newRow("HDF5 NaN") << "s.h5" << hdf5Scan({1, qQNaN(), 3, 4}) << true
                              << QVector<int>{0, 2, 3}
                              << "s.h5, point 2: 'ICR' is nan; point skipped";
    QTest::newRow("HDF5 fill value NaN")
        << "s.h5" << hdf5Scan({1, 2}, true, qQNaN()) << true << QVector<int>{0, 1}
        << "s.h5, point 3: 'ICR' is nan; point skipped (and 1 more point like it)";
}

void TestReadBounds::notFinitePointsAreSkipped()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, scanFile);
    QFETCH(QVector<int>, kept);
    QFETCH(QString, warning);

    QVERIFY(!bytes.isEmpty());
    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, bytes));
    const LoadedFiles loaded =
        load(path, scanFile ? mapped("I0", name.endsWith(".h5") ? "ICR" : "ICR{n}",
                                     name.endsWith(".h5") ? "SCA" : "SCA{n}")
                            : LoadOptions{});
    QVERIFY2(!loaded.stopped, qPrintable(loaded.files.value(0).error));
    QVector<int> got;
    for (const LoadedFiles::Point& p : loaded.points) {
        got << p.indexInFile;
        // The other channels keep their values, and nothing that is not a
        // number reaches the fit.
        QVERIFY(std::isfinite(p.i0));
        for (int c = 0; c < p.icrs.size(); ++c)
            QVERIFY(std::isfinite(p.icrs[c]) && std::isfinite(p.scas[c]));
    }
    QCOMPARE(got, kept);
    const QStringList said = notes(loaded.files.value(0));
    QVERIFY2(said.contains(dir.filePath(warning)), qPrintable(said.join('\n')));
}

void TestReadBounds::pipesAreReadToTheCap_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("tooLarge");

    // "1 2 3\n" is six bytes; the cap is 64 KiB.
    QTest::newRow("within the cap: read once, every point") << 1000 << false;
    QTest::newRow("beyond the cap: refused, read no further") << 200000 << true;
}

void TestReadBounds::pipesAreReadToTheCap()
{
    QFETCH(int, rows);
    QFETCH(bool, tooLarge);

    const QString fifo = dir.filePath(QStringLiteral("pipe%1").arg(rows));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    // The writer stops where the reader closes its end.
    std::thread writer([&] {
        QFile out(fifo);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray chunk = QByteArray("1 2 3\n").repeated(1000);
        for (int written = 0; written < rows; written += 1000)
            if (out.write(chunk.left(6 * std::min(1000, rows - written))) < 0)
                return;
    });
    LoadOptions options;
    options.checkText = true;
    options.maxBytes = 64 * 1024;
    const LoadedFiles loaded = load(fifo, options);
    writer.join();

    const LoadedFiles::File& f = loaded.files.value(0);
    QCOMPARE(f.tooLarge, tooLarge);
    QCOMPARE(f.opened, !tooLarge);
    QCOMPARE(loaded.points.size(), tooLarge ? 0 : rows);
    if (tooLarge)
        QVERIFY2(f.openError.contains("more than 65536 bytes"), qPrintable(f.openError));
}

// The window asks whether a selected file is a scan before it loads it: a
// pipe must not be opened for that, which would wait for a writer (the
// window frozen) or take the data the load should read.
void TestReadBounds::scanCheckLeavesPipesAlone()
{
    const QString fifo = dir.filePath(QStringLiteral("pipe-checked"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    std::atomic<bool> done{false};
    bool scan = true;
    std::thread check([&] {
        scan = isScanFile(fifo);
        done = true;
    });
    for (int i = 0; i < 200 && !done; ++i)
        QThread::msleep(10);
    const bool returned = done;
    if (!returned) {
        // Let the waiting open go, so that the test ends.
        QFile out(fifo);
        out.open(QIODevice::WriteOnly);
    }
    check.join();
    QVERIFY(returned);
    QVERIFY(!scan);
}

void TestReadBounds::detectionLooksAtTheHead()
{
    const QByteArray scan = "#S 1 ascan th 0 1 10 1\n#L th  I0  ICR  SCA\n1 2 3 4\n";
    QCOMPARE(detectLabelledText(scan), LabelledTextFormat::Spec);
    // The same scan after two megabytes of a count table is not looked for.
    const QByteArray late = QByteArray("1 2 3\n").repeated(350000) + scan;
    QCOMPARE(detectLabelledText(late), LabelledTextFormat::None);
    QVERIFY(!readLabelledText(late, "late.dat", QString()).source);
}

void TestReadBounds::readersKeepToTheBudget_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxPoints");
    QTest::addColumn<qint64>("maxValues");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("message");

    QByteArray table = "# Channels : 2\n";
    QByteArray csv = "I0,ICR1,ICR2,SCA1,SCA2\n";
    for (int k = 1; k <= 6; ++k) {
        table += QByteArray::number(10 * k) + " 1 2 3 4\n";
        csv += QByteArray::number(10 * k) + ",1,2,3,4\n";
    }
    QTest::newRow("count table, every value") << "t.dat" << table << 6 << qint64(30) << 6 << "";
    QTest::newRow("count table, 3 points") << "t.dat" << table << 3 << qint64(30) << 3
                                           << "t.dat, line 5: more than 3 points or 30 values";
    QTest::newRow("count table, 29 values") << "t.dat" << table << 6 << qint64(29) << 5
                                            << "t.dat, line 7: more than 6 points or 29 values";
    QTest::newRow("CSV, every value") << "s.csv" << csv << 6 << qint64(30) << 6 << "";
    QTest::newRow("CSV, 29 values")
        << "s.csv" << csv << 6 << qint64(29) << 0 << "goes past the 29 values one file may give";
    QTest::newRow("HDF5, every value")
        << "s.h5" << hdf5Scan({1, 2, 3, 4}) << 6 << qint64(12) << 4 << "";
    QTest::newRow("HDF5, 11 values") << "s.h5" << hdf5Scan({1, 2, 3, 4}) << 6 << qint64(11) << 0
                                     << "goes past the 11 values one file may give";
}

void TestReadBounds::readersKeepToTheBudget()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxPoints);
    QFETCH(qint64, maxValues);
    QFETCH(int, points);
    QFETCH(QString, message);

    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, bytes));
    const bool h5 = name.endsWith(".h5");
    LoadOptions options = name.endsWith(".dat")
                              ? LoadOptions{}
                              : mapped("I0", h5 ? "ICR" : "ICR{n}", h5 ? "SCA" : "SCA{n}");
    options.maxPoints = maxPoints;
    options.maxValues = maxValues;
    const LoadedFiles loaded = load(path, options);
    QCOMPARE(loaded.points.size(), points);
    const LoadedFiles::File& f = loaded.files.value(0);
    const QString said = (notes(f) << f.error).join('\n');
    if (message.isEmpty())
        QVERIFY2(said.trimmed().isEmpty(), qPrintable(said));
    else
        QVERIFY2(said.contains(message), qPrintable(said));
}

void TestReadBounds::peakMemoryOfHostileFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    // Each cost gigabytes when every line and label became a string of its
    // own.
    QTest::newRow("a column of 8 million rows") << "column.csv"
                                                << "I0\n" + QByteArray("1\n").repeated(8000000);
    QTest::newRow("one line of 4 million labels")
        << "labels.csv" << QByteArray("I0,").repeated(4000000) + "\n1,2\n";
}

void TestReadBounds::peakMemoryOfHostileFiles()
{
#ifdef VESKOR_SANITIZED_TESTS
    QSKIP("the sanitizers' shadow memory is no measure of the program's");
#endif
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, bytes));
    const qint64 peak =
        childPeak(VESKOR_FIT_PROGRAM, {"--i0", "I0", "--icr", "I0", "--sca", "I0", path});
    QVERIFY(peak > 0);
    const qint64 bound = 2 * qint64(bytes.size()) + (qint64(64) << 20);
    QVERIFY2(peak <= bound,
             qPrintable(QStringLiteral("%1 MB, more than %2 MB").arg(peak >> 20).arg(bound >> 20)));
}

VESKOR_CORE_TEST_MAIN(TestReadBounds)

#include "tst_readbounds.moc"
