#include "analysis/resultsexport.h"
#include "debuglog.h"
#include "referencearithmetic.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <limits>
#include <random>

#ifdef Q_OS_UNIX
#include <QElapsedTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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

#ifdef Q_OS_UNIX
// The user a save runs as where the permission bits must count: root
// writes wherever it likes. 65534 is nobody and nogroup on Debian; no
// account is needed for it.
constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;

enum class SaveAs
{
    ThisUser,
    // Nobody when this is root; this user otherwise, who is not privileged.
    Unprivileged,
    // In a mount namespace of its own, where another file is bind-mounted
    // over the results file: a file that can be written but not replaced.
    ResultsBindMounted
};

struct ChildSave
{
    QString unavailable; // why the case could not be arranged, if it could not
    bool finished = false;
    QString failure; // how the child ended, if not normally
    SaveOutcome outcome;
    QStringList messages;
};

void sendLine(int fd, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        _exit(2);
}

// Saves tau0s and taus to fname in a child process, as SaveAs says, after
// running prepare there; reports the outcome and what the debug log got. A
// save that hangs is killed after a minute and reported.
ChildSave saveInChild(const QString& fname, const Values& tau0s, const Values& taus, SaveAs as,
                      const QString& bindSource = {},
                      const std::function<void()>& prepare = nullptr)
{
    ChildSave result;
    int channel[2];
    if (pipe(channel) != 0) {
        result.unavailable = "no pipe";
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(channel[0]);
        static int out = -1;
        out = channel[1];
        if (as == SaveAs::Unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kOtherGroup) != 0 || setuid(kOtherUser) != 0)) {
            sendLine(out, "unavailable cannot become an unprivileged user");
            _exit(0);
        }
        if (as == SaveAs::ResultsBindMounted &&
            (unshare(CLONE_NEWNS) != 0 ||
             mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
             mount(QFile::encodeName(bindSource).constData(), QFile::encodeName(fname).constData(),
                   nullptr, MS_BIND, nullptr) != 0)) {
            sendLine(out, QStringLiteral("unavailable no private bind mount here (%1)")
                              .arg(QString::fromLocal8Bit(strerror(errno))));
            _exit(0);
        }
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            sendLine(out, "log " + m);
        });
        if (prepare)
            prepare();
        const SaveOutcome o = writeResultFiles(fname, tau0s, taus);
        sendLine(out, QStringLiteral("outcome %1 %2").arg(o.resultsWritten).arg(o.confWritten));
        _exit(0);
    }
    ::close(channel[1]);
    if (pid < 0) {
        ::close(channel[0]);
        result.unavailable = "no fork";
        return result;
    }
    QByteArray text;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        pollfd p{channel[0], POLLIN, 0};
        const qint64 left = 60000 - clock.elapsed();
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, int(n));
    }
    ::close(channel[0]);
    if (clock.elapsed() >= 60000)
        ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status))
        result.failure = QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
        result.failure = QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    const QStringList lines = QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith("unavailable "))
            result.unavailable = line.mid(12);
        else if (line.startsWith("log "))
            result.messages << line.mid(4);
        else if (line.startsWith("outcome ")) {
            result.finished = true;
            result.outcome.resultsWritten = line.section(' ', 1, 1) == "1";
            result.outcome.confWritten = line.section(' ', 2, 2) == "1";
        }
    }
    return result;
}

// What a save must not change about a file it writes to.
struct Identity
{
    bool exists = false;
    mode_t type = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    nlink_t links = 0;
    ino_t inode = 0;

    static Identity of(const QString& path, bool followLinks = true)
    {
        struct stat st;
        Identity id;
        const QByteArray name = QFile::encodeName(path);
        if ((followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
            return id;
        id.exists = true;
        id.type = st.st_mode & S_IFMT;
        id.mode = st.st_mode & 07777;
        id.owner = st.st_uid;
        id.group = st.st_gid;
        id.links = st.st_nlink;
        id.inode = st.st_ino;
        return id;
    }
    bool sameButInode(const Identity& o) const
    {
        return exists == o.exists && type == o.type && mode == o.mode && owner == o.owner &&
               group == o.group && links == o.links;
    }
};
#endif
} // namespace

class TestResultsExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void filesMatchReference_data();
    void filesMatchReference();
    void fileBytes_data();
    void fileBytes();
    void confFileName_data();
    void confFileName();
    void writesBothFiles();
    void saveTwiceReplaces();
    void failedSaveKeepsOldFiles_data();
    void failedSaveKeepsOldFiles();
    void fullDiskAtEveryByte_data();
    void fullDiskAtEveryByte();
    void interruptedSaveLeavesWholeFiles_data();
    void interruptedSaveLeavesWholeFiles();
    void savesWhereOverwritingWould_data();
    void savesWhereOverwritingWould();
    void fifoReaderGoneMidWrite();
};

void TestResultsExport::workedExample()
{
    QCOMPARE(resultsFileBytes(exampleTau0s, exampleTaus), exampleResults);
    QCOMPARE(confFileBytes(exampleTau0s, exampleTaus), exampleConf);
}

void TestResultsExport::filesMatchReference_data()
{
    QTest::addColumn<bool>("nearRounding");
    QTest::addColumn<bool>("anyValues");
    QTest::addColumn<quint64>("seed");

    QTest::newRow("means and columns a few bits from a sixth-digit rounding")
        << true << false << quint64(21);
    QTest::newRow("dead times of every size") << false << false << quint64(22);
    QTest::newRow("any values, NaN and infinities among them") << false << true << quint64(23);
}

// Both files are the reference's to the byte: every number as %g with six
// digits, the configuration's means as (sum / n) * 1e6. Values a few bits
// from where the sixth digit rounds show any other order of the arithmetic.
void TestResultsExport::filesMatchReference()
{
    QFETCH(bool, nearRounding);
    QFETCH(bool, anyValues);
    QFETCH(quint64, seed);

    namespace ref = veskor::reference;
    ref::Random random(seed);
    // A point where the sixth significant digit rounds: (d.dddddd +
    // 0.0000005) * 10^e. One that a double holds exactly (6232.125) is a
    // tie, which the text stream rounds up and printf to even; those are
    // left out.
    const auto roundingPoint = [&random] {
        qint64 digits = 0;
        int places = 0;
        const auto exact = [](qint64 d, int k) {
            for (; k > 0; --k, d /= 5)
                if (d % 5 != 0)
                    return false;
            return true;
        };
        do {
            digits = 1000000 + 10 * random.below(900000) + 5;
            places = 2 + random.below(8);
        } while (exact(digits, places));
        return double(digits) / std::pow(10.0, places);
    };
    const double specials[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 0.0, -0.0};
    for (int i = 0; i < 1500; ++i) {
        // Near rounding, every value of a row lies a few bits from one such
        // point (in millionths), and so does their mean.
        const double tau0Point = roundingPoint(), tauPoint = roundingPoint();
        const auto value = [&](double point) {
            if (nearRounding)
                return point * 1e-6 * (1 + random.uniform(-4e-16, 4e-16));
            if (anyValues)
                return random.chance(0.1)
                           ? specials[random.below(5)]
                           : (random.chance(0.5) ? -1 : 1) * random.logUniform(1e-300, 1e300);
            return random.logUniform(1e-9, 1e-4);
        };
        Values tau0s, taus;
        const int channels = random.below(30);
        for (int ch = 0; ch < channels; ++ch) {
            tau0s << value(tau0Point);
            taus << value(tauPoint);
        }
        QCOMPARE(resultsFileBytes(tau0s, taus), ref::resultsFile(tau0s, taus));
        QCOMPARE(confFileBytes(tau0s, taus), ref::confFile(tau0s, taus));
    }
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
    case WriteError:
        QCOMPARE(contents(fname), oldResults);
        QCOMPARE(contents(fname + ".conf"), oldConf);
        break;
    }
}

void TestResultsExport::fullDiskAtEveryByte_data()
{
    QTest::addColumn<bool>("linked");
    QTest::addColumn<QByteArray>("oldResults");
    QTest::newRow("own files: replaced") << false << QByteArray("old results\r\n");
    // Written in place: the old file must survive a write that stops short,
    // whether the new one is to be longer or shorter.
    QTest::newRow("hard-linked results, old file shorter") << true << QByteArray("old results\r\n");
    QTest::newRow("hard-linked results, old file longer")
        << true << QByteArray("old results\r\n").repeated(8);
}

// Wherever the disk fills up, each file is either the old one or the whole
// new one, and the outcome says which; a hard-linked file stays one file
// under both names.
void TestResultsExport::fullDiskAtEveryByte()
{
#ifdef Q_OS_UNIX
    QFETCH(bool, linked);
    QFETCH(QByteArray, oldResults);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fname = dir.filePath("out.dat");
    const QString link = dir.filePath("link.dat");
    const QByteArray oldConf = "old configuration\n";
    QVERIFY(put(fname, oldResults));
    if (linked)
        QCOMPARE(::link(QFile::encodeName(fname), QFile::encodeName(link)), 0);
    const Identity linkedBefore = Identity::of(fname);
    const QStringList names = linked ? QStringList{"link.dat", "out.dat", "out.dat.conf"}
                                     : QStringList{"out.dat", "out.dat.conf"};
    const int longest = qMax(exampleResults.size(), exampleConf.size());
    DebugLog log;
    for (int limit = 0; limit <= longest; ++limit) {
        // Through the same inode, so the link stays.
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
        if (linked) {
            QVERIFY2(contents(link) == contents(fname), limitText);
            QCOMPARE(Identity::of(fname).inode, linkedBefore.inode);
        }
        QCOMPARE(entries(dir.path()), names);
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

#ifdef Q_OS_UNIX
namespace {

// Where a save goes; each asks for a different way of writing.
enum Place
{
    PlainFiles,
    ReadOnlyFolder,
    StickySharedFolder,
    HardLinkedResults,
    OtherUsersFiles,
    OtherGroupsFiles,
    UnusualModes,
    FifoWithReader,
    FifoWithoutReader,
    SymlinkElsewhere,
    BindMountedResults
};

enum Inode
{
    SameInode, // written in place
    NewInode,  // replaced
    AnyInode
};

} // namespace
#endif

void TestResultsExport::savesWhereOverwritingWould_data()
{
#ifdef Q_OS_UNIX
    QTest::addColumn<int>("place");
    QTest::addColumn<int>("saveAs");
    QTest::addColumn<bool>("needsRoot"); // to give files to another user
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("resultsWritten");
    QTest::addColumn<int>("resultsInode");

    const int self = int(SaveAs::ThisUser), other = int(SaveAs::Unprivileged);
    QTest::newRow("own files, writable folder: replaced")
        << int(PlainFiles) << self << false << QStringList{} << true << int(NewInode);
    QTest::newRow("writable files, folder not writable")
        << int(ReadOnlyFolder) << other << false << QStringList{} << true << int(SameInode);
    QTest::newRow("another user's writable files in a sticky shared folder")
        << int(StickySharedFolder) << other << true << QStringList{} << true << int(SameInode);
    QTest::newRow("hard-linked results file")
        << int(HardLinkedResults) << self << false << QStringList{} << true << int(SameInode);
    QTest::newRow("another user's files")
        << int(OtherUsersFiles) << self << true << QStringList{} << true << int(AnyInode);
    QTest::newRow("another group's files")
        << int(OtherGroupsFiles) << self << true << QStringList{} << true << int(AnyInode);
    QTest::newRow("modes 0640 and 0600")
        << int(UnusualModes) << self << false << QStringList{} << true << int(NewInode);
    QTest::newRow("FIFO with a reader")
        << int(FifoWithReader) << self << false << QStringList{} << true << int(SameInode);
    QTest::newRow("FIFO without a reader: refused, not waited for")
        << int(FifoWithoutReader) << self << false << QStringList{"Cannot open date file."} << false
        << int(SameInode);
    QTest::newRow("symbolic link to a file elsewhere")
        << int(SymlinkElsewhere) << self << false << QStringList{} << true << int(NewInode);
    QTest::newRow("file bind-mounted over the results file")
        << int(BindMountedResults) << int(SaveAs::ResultsBindMounted) << false << QStringList{}
        << true << int(SameInode);
#endif
}

// A save succeeds wherever overwriting the files would, and changes nothing
// about them but their contents: not their owner, group, mode, kind or
// links. Only a plain file of one link, in a folder that allows it, is
// replaced by a new one.
void TestResultsExport::savesWhereOverwritingWould()
{
#ifdef Q_OS_UNIX
    QFETCH(int, place);
    QFETCH(int, saveAs);
    QFETCH(bool, needsRoot);
    QFETCH(QStringList, messages);
    QFETCH(bool, resultsWritten);
    QFETCH(int, resultsInode);

    const bool root = geteuid() == 0;
    if (needsRoot && !root)
        QSKIP("only root can give files to another user or group");
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // An unprivileged saver has to reach the folder.
    QCOMPARE(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
    const QString dir = tmp.filePath("d");
    QVERIFY(QDir().mkdir(dir));
    QVERIFY(QDir().mkdir(tmp.filePath("elsewhere")));
    const QString fname = dir + "/out.dat";
    const QString conf = fname + ".conf";
    const QByteArray oldResults = "old results\r\n", oldConf = "old configuration\n";
    auto path = [](const QString& p) { return QFile::encodeName(p); };
    // Where the results file's contents end up.
    QString resultsAt = fname;
    QString bindSource;
    int reader = -1;

    if (place != FifoWithReader && place != FifoWithoutReader && place != SymlinkElsewhere)
        QVERIFY(put(fname, oldResults));
    QVERIFY(put(conf, oldConf));
    switch (place) {
    case ReadOnlyFolder:
        if (root) {
            QCOMPARE(::chown(path(fname), kOtherUser, kOtherGroup), 0);
            QCOMPARE(::chown(path(conf), kOtherUser, kOtherGroup), 0);
        }
        QCOMPARE(::chmod(path(dir), 0555), 0);
        break;
    case StickySharedFolder:
        QCOMPARE(::chmod(path(fname), 0666), 0);
        QCOMPARE(::chmod(path(conf), 0666), 0);
        QCOMPARE(::chmod(path(dir), 01777), 0);
        break;
    case HardLinkedResults:
        QCOMPARE(::link(path(fname), path(tmp.filePath("elsewhere/link.dat"))), 0);
        break;
    case OtherUsersFiles:
        QCOMPARE(::chown(path(fname), kOtherUser, kOtherGroup), 0);
        QCOMPARE(::chown(path(conf), kOtherUser, kOtherGroup), 0);
        break;
    case OtherGroupsFiles:
        QCOMPARE(::chown(path(fname), geteuid(), kOtherGroup), 0);
        QCOMPARE(::chown(path(conf), geteuid(), kOtherGroup), 0);
        QCOMPARE(::chmod(path(fname), 0664), 0);
        break;
    case UnusualModes:
        QCOMPARE(::chmod(path(fname), 0640), 0);
        QCOMPARE(::chmod(path(conf), 0600), 0);
        break;
    case FifoWithReader:
    case FifoWithoutReader:
        QCOMPARE(::mkfifo(path(fname), 0644), 0);
        if (place == FifoWithReader)
            QVERIFY((reader = ::open(path(fname), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0);
        break;
    case SymlinkElsewhere:
        resultsAt = tmp.filePath("elsewhere/real.dat");
        QVERIFY(put(resultsAt, oldResults));
        QCOMPARE(::symlink(path(resultsAt), path(fname)), 0);
        break;
    case BindMountedResults:
        bindSource = resultsAt = tmp.filePath("elsewhere/mounted.dat");
        QVERIFY(put(bindSource, oldResults));
        break;
    }
    const Identity resultsBefore = Identity::of(resultsAt);
    const Identity confBefore = Identity::of(conf);
    const Identity nameBefore = Identity::of(fname, false);
    const QStringList before = entries(dir);

    const ChildSave save =
        saveInChild(fname, exampleTau0s, exampleTaus, SaveAs(saveAs), bindSource);
    QCOMPARE(::chmod(path(dir), 0755), 0);
    QByteArray throughFifo;
    if (reader >= 0) {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(reader, buffer, sizeof buffer)) > 0)
            throughFifo.append(buffer, int(n));
        ::close(reader);
    }
    if (!save.unavailable.isEmpty())
        QSKIP(qPrintable(save.unavailable));
    QVERIFY2(save.failure.isEmpty(), qPrintable(save.failure));
    QVERIFY(save.finished);
    QCOMPARE(save.messages, messages);
    QCOMPARE(save.outcome.resultsWritten, resultsWritten);
    QVERIFY(save.outcome.confWritten);

    if (place == FifoWithReader)
        QCOMPARE(throughFifo, exampleResults);
    else if (place != FifoWithoutReader)
        QCOMPARE(contents(resultsAt), exampleResults);
    if (place == HardLinkedResults)
        QCOMPARE(contents(tmp.filePath("elsewhere/link.dat")), exampleResults);
    if (place == BindMountedResults)
        QCOMPARE(contents(fname), oldResults);
    QCOMPARE(contents(conf), exampleConf);

    const Identity resultsAfter = Identity::of(resultsAt);
    QVERIFY(resultsAfter.sameButInode(resultsBefore));
    if (resultsInode == SameInode)
        QCOMPARE(resultsAfter.inode, resultsBefore.inode);
    else if (resultsInode == NewInode)
        QVERIFY(resultsAfter.inode != resultsBefore.inode);
    QVERIFY(Identity::of(conf).sameButInode(confBefore));
    QVERIFY(Identity::of(fname, false).sameButInode(nameBefore));
    // No temporary file is left behind.
    QCOMPARE(entries(dir), before);
#else
    QSKIP("needs POSIX files");
#endif
}

// A FIFO whose reader goes away while the results are being written: the
// save reports the failure and the program lives on (no SIGPIPE).
void TestResultsExport::fifoReaderGoneMidWrite()
{
#ifdef Q_OS_UNIX
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString fname = tmp.filePath("out.dat");
    QCOMPARE(::mkfifo(QFile::encodeName(fname), 0600), 0);
    // More than a pipe holds, so the writer waits on the reader.
    const Values many(40000, 2.5e-7);
    const auto readThenLeave = [fname] {
        const int reader = ::open(QFile::encodeName(fname), O_RDONLY | O_NONBLOCK);
        if (reader < 0)
            _exit(3);
        std::thread([reader] {
            const int capacity = ::fcntl(reader, F_GETPIPE_SZ);
            int queued = 0;
            for (int i = 0; i < 60000 && queued < capacity; ++i) {
                usleep(1000);
                if (::ioctl(reader, FIONREAD, &queued) != 0)
                    break;
            }
            ::close(reader);
        }).detach();
    };
    const ChildSave save = saveInChild(fname, many, many, SaveAs::ThisUser, {}, readThenLeave);
    QVERIFY2(save.failure.isEmpty(), qPrintable(save.failure));
    QVERIFY(save.finished);
    QCOMPARE(save.messages, QStringList{"Cannot write date file."});
    QVERIFY(!save.outcome.resultsWritten);
    QVERIFY(save.outcome.confWritten);
    QCOMPARE(contents(fname + ".conf"), confFileBytes(many, many));
    QVERIFY(QFileInfo(fname).exists() && !QFileInfo(fname).isFile());
#else
    QSKIP("needs FIFOs");
#endif
}

VESKOR_CORE_TEST_MAIN(TestResultsExport)
#include "tst_resultsexport.moc"
