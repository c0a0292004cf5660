// Hostile files through veskor-fit, run as the program under a memory
// limit: each must end with a clear message, exit normally, within its CPU
// time and memory bounds, and leave its directory as it was (inputs
// unchanged, nothing written). The files are made here, one row at a time,
// and removed with the row.

#include "hdf5write.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr rlim_t kMemoryLimit = rlim_t(512) << 20;
// CPU seconds, which a busy machine does not stretch as it stretches the
// wall clock; the wall clock only ends a run that hangs.
constexpr double kCpuLimit = 10.0;
constexpr int kWallLimitSeconds = 120;

struct Outcome
{
    bool exited = false;
    bool timedOut = false;
    int status = -1;
    double cpuSeconds = 0.0;
    double peakMegabytes = 0.0;
    QString err;
};

// Runs veskor-fit with args in dir, address space capped at kMemoryLimit.
Outcome runLimited(const QString& dir, const QStringList& args, const QString& errFile)
{
    std::vector<QByteArray> storage;
    storage.push_back(QByteArrayLiteral(VESKOR_FIT_PROGRAM));
    for (const QString& a : args)
        storage.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray where = QFile::encodeName(dir);
    const QByteArray errPath = QFile::encodeName(errFile);

    Outcome o;
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls safe after fork in a threaded process, up to exec.
        const rlimit memory{kMemoryLimit, kMemoryLimit};
        setrlimit(RLIMIT_AS, &memory);
        const int err = open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(err, 2);
        if (chdir(where.constData()) == 0)
            execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0)
        return o;
    rusage usage{};
    int status = 0;
    for (int waited = 0;; waited += 10) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (waited > kWallLimitSeconds * 1000) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            o.timedOut = true;
            break;
        }
        usleep(10 * 1000);
    }
    o.exited = WIFEXITED(status);
    o.status = o.exited ? WEXITSTATUS(status) : -WTERMSIG(status);
    o.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec / 1e6;
    o.peakMegabytes = usage.ru_maxrss / 1024.0;
    QFile f(errFile);
    if (f.open(QIODevice::ReadOnly))
        o.err = QString::fromLocal8Bit(f.readAll());
    return o;
}

// size bytes of unit repeated, written in blocks.
bool writeRepeated(const QString& path, const QByteArray& head, const QByteArray& unit,
                   qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(head);
    QByteArray block;
    while (block.size() < (1 << 20))
        block += unit;
    qint64 left = size - head.size();
    while (left > 0) {
        const qint64 n = qMin<qint64>(left, block.size());
        if (f.write(block.constData(), n) != n)
            return false;
        left -= n;
    }
    return true;
}

// A labelled table of three points per line number: I0, ICR1, SCA1.
QByteArray labelledTable(int points, int nanAt, const QByteArray& nan)
{
    QByteArray t = "I0,ICR1,SCA1\n";
    for (int k = 1; k <= points; ++k) {
        const QByteArray sca = QByteArray::number(700 * k - k * k);
        t += QByteArray::number(10000 * k) + ',' + QByteArray::number(1000 * k - k * k / 2) + ',' +
             (k == nanAt ? nan : sca) + '\n';
    }
    return t;
}

using Make = std::function<bool(const QString& dir)>;

struct Snapshot
{
    QStringList names;
    QList<qint64> sizes;
    QList<QDateTime> times;
    bool operator==(const Snapshot& o) const
    {
        return names == o.names && sizes == o.sizes && times == o.times;
    }
};

Snapshot snapshot(const QString& dir)
{
    Snapshot s;
    for (const QFileInfo& i : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                          QDir::System,
                                                      QDir::Name)) {
        s.names << i.fileName();
        s.sizes << (i.isFile() ? i.size() : -1);
        s.times << i.lastModified();
    }
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Make)

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifdef VESKOR_SANITIZED_TESTS
        QSKIP("the sanitizers' shadow memory does not fit an address-space limit");
#endif
        // A FIFO's writer sees EPIPE when the reader stops.
        std::signal(SIGPIPE, SIG_IGN);
    }

    void files_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        const QStringList labelled{"--i0", "I0", "--icr", "ICR{n}", "--sca", "SCA{n}"};
        QTest::newRow("140 MB of empty lines")
            << Make([](const QString& d) {
                   return writeRepeated(d + "/empty.dat", {}, "\n", 140 * 1000 * 1000);
               })
            << QStringList{"empty.dat"} << 3 << "empty\\.dat";
        QTest::newRow("a column of 20 M rows")
            << Make([](const QString& d) {
                   return writeRepeated(d + "/column.csv", "I0\n", "12345\n", 120 * 1000 * 1000);
               })
            << QStringList{"column.csv"} << 3 << "column\\.csv";
        QTest::newRow("one line of 100 MB")
            << Make([](const QString& d) {
                   return writeRepeated(d + "/line.dat", {}, "1 ", 100 * 1000 * 1000);
               })
            << QStringList{"line.dat"} << 3 << "fewer than two measurement points";
        QTest::newRow("a sparse file of 4 GB")
            << Make([](const QString& d) {
                   QFile f(d + "/sparse.dat");
                   return f.open(QIODevice::WriteOnly) && f.resize(qint64(4) << 30);
               })
            << QStringList{"sparse.dat"} << 3 << "sparse\\.dat";
        QTest::newRow("the zero device")
            << Make([](const QString&) { return true; }) << QStringList{"/dev/zero"} << 3
            << "/dev/zero";
        const QStringList h5{"--i0", "i0", "--icr", "icr", "--sca", "sca"};
        QTest::newRow("a deflate bomb")
            << Make([](const QString& d) {
                   Hdf5Writer w(d + "/bomb.h5");
                   w.addDeflateBomb("i0", 3, 1024, quint64(256) << 20);
                   return w.close();
               })
            << (h5 + QStringList{"bomb.h5"}) << 2 << "bomb\\.h5.*chunk";
        QTest::newRow("groups 4000 deep")
            << Make([](const QString& d) {
                   Hdf5Writer w(d + "/deep.h5");
                   w.addNestedGroups("g", 4000);
                   return w.close();
               })
            << (h5 + QStringList{"deep.h5"}) << 2 << "deep\\.h5.*32 deep";
        for (const char* nan : {"nan", "inf", "-inf", "1e999"})
            QTest::addRow("a cell %s", nan)
                << Make([nan](const QString& d) {
                       QFile f(d + "/cells.csv");
                       return f.open(QIODevice::WriteOnly) &&
                              f.write(labelledTable(12, 6, nan)) > 0;
                   })
                << (labelled + QStringList{"cells.csv"}) << 0 << "cells\\.csv.*line 7";
    }

    void files()
    {
        QFETCH(Make, make);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QTemporaryDir logs;
        QVERIFY(dir.isValid() && logs.isValid());
        QVERIFY(make(dir.path()));
        const Snapshot before = snapshot(dir.path());
        const Outcome o = runLimited(dir.path(), args, logs.filePath("err"));
        const QString what = QStringLiteral("status %1, %2 s CPU, %3 MB: %4")
                                 .arg(o.status)
                                 .arg(o.cpuSeconds)
                                 .arg(o.peakMegabytes)
                                 .arg(o.err.left(600));
        // The figures go in the log, for the record of what each file cost.
        qInfo("%s", qPrintable(what));
        QVERIFY2(!o.timedOut, qPrintable(what));
        QVERIFY2(o.exited, qPrintable(what));
        QVERIFY2(o.cpuSeconds < kCpuLimit, qPrintable(what));
        QVERIFY2(o.peakMegabytes < kMemoryLimit / 1048576.0, qPrintable(what));
        QCOMPARE(o.status, exitCode);
        QVERIFY2(o.err.contains(QRegularExpression(message)), qPrintable(what));
        QVERIFY(snapshot(dir.path()) == before);
    }

    // A pipe that never ends: read up to the cap and no further.
    void endlessPipe()
    {
        QTemporaryDir dir;
        QTemporaryDir logs;
        QVERIFY(dir.isValid() && logs.isValid());
        const QByteArray fifo = QFile::encodeName(dir.filePath("stream.dat"));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        std::atomic<qint64> written{0};
        std::thread writer([&] {
            const int fd = open(fifo.constData(), O_WRONLY);
            if (fd < 0)
                return;
            QByteArray block;
            while (block.size() < (1 << 16))
                block += "1 2 3\n";
            // A bound of its own, so that a reader that never stops still
            // lets the test end.
            while (written < (qint64(2) << 30)) {
                const ssize_t n = write(fd, block.constData(), size_t(block.size()));
                if (n <= 0)
                    break;
                written += n;
            }
            close(fd);
        });
        const Outcome o = runLimited(dir.path(), {"stream.dat"}, logs.filePath("err"));
        // The reader's end is closed: the writer stops at its next write.
        // Should the program never have opened the FIFO, an end opened and
        // closed here releases the writer's open, and its write fails.
        const int release = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        if (release >= 0)
            close(release);
        writer.join();
        const QString what = QStringLiteral("status %1, %2 s CPU, %3 MB, %4 bytes fed: %5")
                                 .arg(o.status)
                                 .arg(o.cpuSeconds)
                                 .arg(o.peakMegabytes)
                                 .arg(written.load())
                                 .arg(o.err.left(600));
        qInfo("%s", qPrintable(what));
        QVERIFY2(o.exited && !o.timedOut, qPrintable(what));
        QVERIFY2(o.cpuSeconds < kCpuLimit, qPrintable(what));
        QVERIFY2(o.peakMegabytes < kMemoryLimit / 1048576.0, qPrintable(what));
        QVERIFY2(o.status != 0 && o.err.contains("stream.dat"), qPrintable(what));
        QVERIFY2(written < (qint64(1) << 30), qPrintable(what));
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
