#include "analysis/resultsexport.h"
#include "debuglog.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <limits>
#include <random>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Values = QVector<double>;

const double inf = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

// The worked example: two channels saved as out.dat.
const Values exampleTau0s{2.5e-07, 3.1e-07};
const Values exampleTaus{1.2e-06, 1.35e-06};
const QByteArray exampleResults = "# Deadtime data\r\n"
                                  "Preamp: 2.5e-07 3.1e-07\r\n"
                                  "Amp: 1.2e-06 1.35e-06\r\n";
const QByteArray exampleConf =
    "          0.28 1.275 1.275 1.275 1.275 1.275 1.275\n"
    "ICR0      0.25  0.31  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0\n"
    "S025      1.2  1.35  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0\n";

// The padding columns of a configuration row.
QByteArray zeros(int n)
{
    return QByteArray("  0").repeated(n);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

bool put(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

enum Failure
{
    TargetIsDirectory,
    ConfIsDirectory,
    ParentIsRegularFile,
    ReadOnlyDirectory,
    WriteError
};

#ifdef Q_OS_UNIX
// Lets no file of this process grow past limit bytes while it lives, so a
// write fails half-way as on a full disk, also for root.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

// A child process that saves the worked example and a second set of
// constants by turns, without end, until this object kills it. The
// constructor returns once the child has finished its first two saves.
class SavingChild
{
public:
    explicit SavingChild(const QString& fname)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            // The failures a moved directory causes are expected here.
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
            ::close(ready[0]);
            for (long i = 0;; ++i) {
                if (i % 2 == 0)
                    writeResultFiles(fname, exampleTau0s, exampleTaus);
                else
                    writeResultFiles(fname, otherTau0s, otherTaus);
                if (i == 1 && ::write(ready[1], "", 1) != 1)
                    _exit(1);
            }
        }
        ::close(ready[1]);
        char byte;
        started = pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~SavingChild() { kill(); }
    SavingChild(const SavingChild&) = delete;
    SavingChild& operator=(const SavingChild&) = delete;

    void kill()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }

    static inline const Values otherTau0s{4e-7};
    static inline const Values otherTaus{5e-6};
    bool started = false;

private:
    pid_t pid = -1;
};
#endif

} // namespace

class TestResultsExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void fileBytes_data();
    void fileBytes();
    void confFileName_data();
    void confFileName();
    void writesBothFiles();
    void saveTwiceReplaces();
    void failedSaveKeepsOldFiles_data();
    void failedSaveKeepsOldFiles();
    void fullDiskAtEveryByte();
    void interruptedSaveLeavesWholeFiles_data();
    void interruptedSaveLeavesWholeFiles();
};

void TestResultsExport::workedExample()
{
    QCOMPARE(resultsFileBytes(exampleTau0s, exampleTaus), exampleResults);
    QCOMPARE(confFileBytes(exampleTau0s, exampleTaus), exampleConf);
}

void TestResultsExport::fileBytes_data()
{
    QTest::addColumn<Values>("tau0s");
    QTest::addColumn<Values>("taus");
    QTest::addColumn<QByteArray>("results");
    QTest::addColumn<QByteArray>("conf");

    QTest::newRow("one channel") << Values{2e-7} << Values{1e-6}
                                 << QByteArray("# Deadtime data\r\nPreamp: 2e-07\r\nAmp: 1e-06\r\n")
                                 << ("          0.2 1 1 1 1 1 1\nICR0      0.2" + zeros(18) +
                                     "\nS025      1" + zeros(18) + "\n");

    const Values tenths{1e-7,   2e-7,   3e-7,   4e-7,   5e-7,   6e-7,   7e-7,   8e-7,   9e-7,  1e-6,
                        1.1e-6, 1.2e-6, 1.3e-6, 1.4e-6, 1.5e-6, 1.6e-6, 1.7e-6, 1.8e-6, 1.9e-6};
    QTest::newRow("19 channels: no padding")
        << tenths << Values(19, 1e-6)
        << QByteArray("# Deadtime data\r\n"
                      "Preamp: 1e-07 2e-07 3e-07 4e-07 5e-07 6e-07 7e-07 8e-07 9e-07 1e-06 "
                      "1.1e-06 1.2e-06 1.3e-06 1.4e-06 1.5e-06 1.6e-06 1.7e-06 1.8e-06 1.9e-06\r\n"
                      "Amp: 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 "
                      "1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06\r\n")
        << QByteArray("          1 1 1 1 1 1 1\n"
                      "ICR0      0.1  0.2  0.3  0.4  0.5  0.6  0.7  0.8  0.9  1  1.1  1.2  1.3  "
                      "1.4  1.5  1.6  1.7  1.8  1.9\n"
                      "S025      1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1\n");

    // Channel 20 enters the means (1.19 and 2, where the first 19 alone
    // would give 0.1 and 1) but gets no column.
    QTest::newRow("20 channels: columns stop at 19, means cover all")
        << (Values(19, 1e-7) << 2.19e-5) << (Values(19, 1e-6) << 2.1e-5)
        << QByteArray("# Deadtime data\r\n"
                      "Preamp: 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 "
                      "1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 1e-07 2.19e-05\r\n"
                      "Amp: 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 "
                      "1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 1e-06 2.1e-05\r\n")
        << ("          1.19 2 2 2 2 2 2\nICR0    " + QByteArray("  0.1").repeated(19) +
            "\nS025    " + QByteArray("  1").repeated(19) + "\n");

    QTest::newRow("NaN tau0 in one channel")
        << Values{2e-7, notANumber} << Values{1e-6, 3e-6}
        << QByteArray("# Deadtime data\r\nPreamp: 2e-07 nan\r\nAmp: 1e-06 3e-06\r\n")
        << ("          nan 2 2 2 2 2 2\nICR0      0.2  nan" + zeros(17) + "\nS025      1  3" +
            zeros(17) + "\n");

    QTest::newRow("infinities") << Values{inf} << Values{-inf}
                                << QByteArray("# Deadtime data\r\nPreamp: inf\r\nAmp: -inf\r\n")
                                << ("          inf -inf -inf -inf -inf -inf -inf\nICR0      inf" +
                                    zeros(18) + "\nS025      -inf" + zeros(18) + "\n");

    // Six significant digits; exponent form below 1e-4 and from 1e6 on.
    QTest::newRow("number forms")
        << Values{1.234567e-3, 1e-10, -2.5e-7} << Values{2.0, 0.1}
        << QByteArray("# Deadtime data\r\nPreamp: 0.00123457 1e-10 -2.5e-07\r\nAmp: 2 0.1\r\n")
        << ("          411.439 1.05e+06 1.05e+06 1.05e+06 1.05e+06 1.05e+06 1.05e+06\n"
            "ICR0      1234.57  0.0001  -0.25" +
            zeros(16) + "\nS025      2e+06  100000" + zeros(17) + "\n");

    // A straight SCA line gives tau = -0 / c1; the stream writes it as 0.
    QTest::newRow("negative zero")
        << Values{-0.0} << Values{-0.0} << QByteArray("# Deadtime data\r\nPreamp: 0\r\nAmp: 0\r\n")
        << ("          0 0 0 0 0 0 0\nICR0      0" + zeros(18) + "\nS025      0" + zeros(18) +
            "\n");

    QTest::newRow("no channels: labels only, means undefined")
        << Values{} << Values{} << QByteArray("# Deadtime data\r\nPreamp:\r\nAmp:\r\n")
        << ("          nan nan nan nan nan nan nan\nICR0    " + zeros(19) + "\nS025    " +
            zeros(19) + "\n");
}

void TestResultsExport::fileBytes()
{
    QFETCH(Values, tau0s);
    QFETCH(Values, taus);
    QFETCH(QByteArray, results);
    QFETCH(QByteArray, conf);

    QCOMPARE(resultsFileBytes(tau0s, taus), results);
    QCOMPARE(confFileBytes(tau0s, taus), conf);
}

void TestResultsExport::confFileName_data()
{
    QTest::addColumn<QString>("fname");
    QTest::addColumn<QString>("conf");
    QTest::newRow("extension stays") << "out.dat"
                                     << "out.dat.conf";
    QTest::newRow("no extension") << "results"
                                  << "results.conf";
    QTest::newRow("dots in the directory") << "/data/run.7/tau"
                                           << "/data/run.7/tau.conf";
}

void TestResultsExport::confFileName()
{
    QFETCH(QString, fname);
    QFETCH(QString, conf);
    QCOMPARE(::confFileName(fname), conf);
}

void TestResultsExport::writesBothFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DebugLog log;
    for (const QString name : {"out.dat", "results"}) {
        const SaveOutcome outcome = writeResultFiles(dir.filePath(name), exampleTau0s, exampleTaus);
        QVERIFY(outcome.resultsWritten);
        QVERIFY(outcome.confWritten);
        QCOMPARE(contents(dir.filePath(name)), exampleResults);
        QCOMPARE(contents(dir.filePath(name + ".conf")), exampleConf);
    }
    QVERIFY(log.lines.isEmpty());
    // Nothing else is left beside them.
    QCOMPARE(entries(dir.path()),
             QStringList({"out.dat", "out.dat.conf", "results", "results.conf"}));
}

void TestResultsExport::saveTwiceReplaces()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fname = dir.filePath("out.dat");
    writeResultFiles(fname, {1e-7, 2e-7, 3e-7}, {1e-6, 2e-6, 3e-6});
    writeResultFiles(fname, {4e-7}, {5e-6});
    QCOMPARE(contents(fname), QByteArray("# Deadtime data\r\nPreamp: 4e-07\r\nAmp: 5e-06\r\n"));
    QCOMPARE(contents(fname + ".conf"), "          0.4 5 5 5 5 5 5\nICR0      0.4" + zeros(18) +
                                            "\nS025      5" + zeros(18) + "\n");
    QCOMPARE(entries(dir.path()), QStringList({"out.dat", "out.dat.conf"}));
}

void TestResultsExport::failedSaveKeepsOldFiles_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("resultsWritten");
    QTest::addColumn<bool>("confWritten");

    const QString open1 = "Cannot open date file.", open2 = "Cannot open date file2.";
    QTest::newRow("results path is a directory")
        << int(TargetIsDirectory) << QStringList{open1} << false << true;
    QTest::newRow("configuration path is a directory")
        << int(ConfIsDirectory) << QStringList{open2} << true << false;
    QTest::newRow("parent is a regular file")
        << int(ParentIsRegularFile) << QStringList{open1, open2} << false << false;
    QTest::newRow("read-only directory")
        << int(ReadOnlyDirectory) << QStringList{open1, open2} << false << false;
    QTest::newRow("write fails half-way (disk full)")
        << int(WriteError) << QStringList{"Cannot write date file.", "Cannot write date file2."}
        << false << false;
}

// Whatever stops a file from being written, the file that was there stays
// as it was, the other file is still attempted, and no half-written file is
// left behind.
void TestResultsExport::failedSaveKeepsOldFiles()
{
    QFETCH(int, failure);
    QFETCH(QStringList, messages);
    QFETCH(bool, resultsWritten);
    QFETCH(bool, confWritten);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QString dir = tmp.path();
    QString fname = dir + "/out.dat";
    const QByteArray oldResults = "# Deadtime data\r\nPreamp: 1e-07\r\nAmp: 1e-06\r\n";
    const QByteArray oldConf = "old configuration\n";

    switch (failure) {
    case TargetIsDirectory:
        QVERIFY(QDir(dir).mkdir("out.dat"));
        QVERIFY(put(fname + "/kept.txt", oldResults));
        QVERIFY(put(fname + ".conf", oldConf));
        break;
    case ConfIsDirectory:
        QVERIFY(put(fname, oldResults));
        QVERIFY(QDir(dir).mkdir("out.dat.conf"));
        QVERIFY(put(fname + ".conf/kept.txt", oldConf));
        break;
    case ParentIsRegularFile:
        QVERIFY(put(dir + "/plain", oldResults));
        fname = dir + "/plain/out.dat";
        break;
    case ReadOnlyDirectory: {
        QVERIFY(QDir(dir).mkdir("ro"));
        dir += "/ro";
        fname = dir + "/out.dat";
        QVERIFY(put(fname, oldResults));
        QVERIFY(put(fname + ".conf", oldConf));
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(dir + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permission bits do not stop this user (root?) from writing");
        }
        break;
    }
    case WriteError:
        QVERIFY(put(fname, oldResults));
        QVERIFY(put(fname + ".conf", oldConf));
        break;
    }
    const QStringList before = entries(dir);

    SaveOutcome outcome;
    {
        DebugLog log;
        if (failure == WriteError) {
#ifdef Q_OS_UNIX
            FileSizeLimit limit(16);
            outcome = writeResultFiles(fname, exampleTau0s, exampleTaus);
#else
            QSKIP("no way to make writes fail here");
#endif
        } else {
            outcome = writeResultFiles(fname, exampleTau0s, exampleTaus);
        }
        QCOMPARE(log.lines, messages);
    }
    if (failure == ReadOnlyDirectory)
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(outcome.resultsWritten, resultsWritten);
    QCOMPARE(outcome.confWritten, confWritten);
    QCOMPARE(entries(dir), before);
    switch (failure) {
    case TargetIsDirectory:
        QVERIFY(QFileInfo(fname).isDir());
        QCOMPARE(contents(fname + "/kept.txt"), oldResults);
        QCOMPARE(contents(fname + ".conf"), exampleConf);
        break;
    case ConfIsDirectory:
        QCOMPARE(contents(fname), exampleResults);
        QCOMPARE(contents(fname + ".conf/kept.txt"), oldConf);
        break;
    case ParentIsRegularFile:
        QCOMPARE(contents(dir + "/plain"), oldResults);
        break;
    case ReadOnlyDirectory:
    case WriteError:
        QCOMPARE(contents(fname), oldResults);
        QCOMPARE(contents(fname + ".conf"), oldConf);
        break;
    }
}

// Wherever the disk fills up, each file is either the old one or the whole
// new one, and the outcome says which.
void TestResultsExport::fullDiskAtEveryByte()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fname = dir.filePath("out.dat");
    const QByteArray oldResults = "old results\r\n", oldConf = "old configuration\n";
    const int longest = qMax(exampleResults.size(), exampleConf.size());
    DebugLog log;
    for (int limit = 0; limit <= longest; ++limit) {
        QVERIFY(put(fname, oldResults));
        QVERIFY(put(fname + ".conf", oldConf));
        SaveOutcome outcome;
        {
            FileSizeLimit full(limit);
            outcome = writeResultFiles(fname, exampleTau0s, exampleTaus);
        }
        const QByteArray limitText = "at " + QByteArray::number(limit) + " bytes";
        QVERIFY2(contents(fname) == (outcome.resultsWritten ? exampleResults : oldResults),
                 limitText);
        QVERIFY2(contents(fname + ".conf") == (outcome.confWritten ? exampleConf : oldConf),
                 limitText);
        QCOMPARE(outcome.resultsWritten, limit >= exampleResults.size());
        QCOMPARE(outcome.confWritten, limit >= exampleConf.size());
        QCOMPARE(entries(dir.path()), QStringList({"out.dat", "out.dat.conf"}));
    }
#else
    QSKIP("no way to make writes fail here");
#endif
}

void TestResultsExport::interruptedSaveLeavesWholeFiles_data()
{
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("replacements"); // of the directory, per round
    QTest::newRow("process killed at random moments") << 60 << 0;
    QTest::newRow("directory replaced under the saves, then killed") << 4 << 25;
}

// A save cut short by a kill, or by its directory being moved away and a new
// one put in its place, leaves at every path either a whole old file or a
// whole new one. A killed save may leave its temporary file beside them;
// nothing else appears.
void TestResultsExport::interruptedSaveLeavesWholeFiles()
{
#ifdef Q_OS_UNIX
    QFETCH(int, rounds);
    QFETCH(int, replacements);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString dir = tmp.filePath("d");
    const QString fname = dir + "/out.dat";
    QVERIFY(QDir().mkdir(dir));
    QVERIFY(put(fname, exampleResults));
    QVERIFY(put(fname + ".conf", exampleConf));
    const QList<QByteArray> wholeResults{
        exampleResults, resultsFileBytes(SavingChild::otherTau0s, SavingChild::otherTaus)};
    const QList<QByteArray> wholeConfs{
        exampleConf, confFileBytes(SavingChild::otherTau0s, SavingChild::otherTaus)};

    // The moments are random, the outcome must not depend on them.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(0, 2000);
    int moved = 0;
    for (int round = 0; round < rounds; ++round) {
        SavingChild child(fname);
        QVERIFY(child.started);
        for (int i = 0; i < replacements; ++i) {
            usleep(useconds_t(pause(random)));
            QVERIFY(QDir().rename(dir, dir + "." + QString::number(moved++)));
            QVERIFY(QDir().mkdir(dir));
        }
        usleep(useconds_t(pause(random)));
        child.kill();
    }

    const QStringList dirs = entries(tmp.path());
    QCOMPARE(dirs.size(), 1 + moved);
    for (const QString& d : dirs) {
        const QStringList files = entries(tmp.filePath(d));
        for (const QString& f : files) {
            const QString path = tmp.filePath(d + "/" + f);
            if (f == "out.dat")
                QVERIFY2(wholeResults.contains(contents(path)), qPrintable(path));
            else if (f == "out.dat.conf")
                QVERIFY2(wholeConfs.contains(contents(path)), qPrintable(path));
            else
                QVERIFY2(f.startsWith("out.dat.") && QFileInfo(path).isFile(), qPrintable(path));
        }
    }
    // Where nothing moved the directory, the two files are always there.
    if (replacements == 0)
        QVERIFY(entries(dir).contains("out.dat") && entries(dir).contains("out.dat.conf"));
#else
    QSKIP("needs fork and kill");
#endif
}

VESKOR_CORE_TEST_MAIN(TestResultsExport)
#include "tst_resultsexport.moc"
