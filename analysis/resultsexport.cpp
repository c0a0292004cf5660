#include "analysis/resultsexport.h"

#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int confColumns = 19;
constexpr double perMillion = 1000000.0;

// Through a text stream, so that every number gets the stream's default
// conversion of a double; the files are plain ASCII.
class Writer
{
public:
    Writer() : stream(&text) { stream.setLocale(QLocale::c()); }

    Writer& operator<<(const char* s)
    {
        stream << s;
        return *this;
    }
    Writer& operator<<(double v)
    {
        stream << v;
        return *this;
    }

    QByteArray bytes()
    {
        stream.flush();
        return text.toLatin1();
    }

private:
    QString text;
    QTextStream stream;
};

double mean(const QVector<double>& values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum / values.size();
}

void writeColumns(Writer& w, const QVector<double>& values)
{
    for (int i = 0; i < confColumns; ++i) {
        if (i < values.size())
            w << "  " << values[i] * perMillion;
        else
            w << "  0";
    }
}

#ifdef Q_OS_UNIX
// Keeps a reader that goes away from a FIFO being written from ending the
// program with SIGPIPE: the write fails with EPIPE instead.
class PipeSignalBlock
{
public:
    PipeSignalBlock()
    {
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    }
    ~PipeSignalBlock()
    {
        // A SIGPIPE raised meanwhile is taken off, unless it was blocked
        // (and so perhaps pending) before.
        sigset_t pending;
        if (!sigismember(&previous, SIGPIPE) && sigpending(&pending) == 0 &&
            sigismember(&pending, SIGPIPE)) {
            const timespec noWait{};
            sigtimedwait(&pipeSignal, nullptr, &noWait);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    PipeSignalBlock(const PipeSignalBlock&) = delete;
    PipeSignalBlock& operator=(const PipeSignalBlock&) = delete;

private:
    sigset_t pipeSignal{};
    sigset_t previous{};
};
#endif

// Writes data over path as a plain truncating open does: whatever path is
// (a file with other links, another user's file, a FIFO) stays what it is
// and gets the new contents.
bool writeInPlace(const QString& path, const QByteArray& data, const char* openFailure,
                  const char* writeFailure)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Non-blocking only while opening, so that a FIFO nobody reads is refused
    // instead of freezing the window; the writes then block as usual.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    const int flags = fd < 0 ? -1 : ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1 ||
        !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        qDebug() << openFailure;
        return false;
    }
    const PipeSignalBlock noPipeSignal;
#else
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << openFailure;
        return false;
    }
#endif
    bool written = file.write(data) == data.size() && file.flush();
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (!written)
        qDebug() << writeFailure;
    return written;
}

#ifdef Q_OS_UNIX
// Gives the new file open on fd the owner, group and mode of the file it is
// to replace, as far as this user may; false where it cannot be made the
// same. Where the folder allowed no new file, fd is the target itself.
bool likeTarget(int fd, const struct stat& target)
{
    struct stat made;
    if (::fstat(fd, &made) != 0)
        return false;
    if (made.st_dev == target.st_dev && made.st_ino == target.st_ino)
        return true;
    // Changing the owner clears set-id bits, so the mode comes after.
    if ((made.st_uid != target.st_uid || made.st_gid != target.st_gid) &&
        ::fchown(fd, target.st_uid, target.st_gid) != 0)
        return false;
    if (::fchmod(fd, target.st_mode & 07777) != 0 || ::fstat(fd, &made) != 0)
        return false;
    return made.st_uid == target.st_uid && made.st_gid == target.st_gid &&
           (made.st_mode & 07777) == (target.st_mode & 07777);
}
#endif

// Writes data to path. Where the folder allows it and path is a plain file
// of one link (or nothing yet), through a temporary file beside it that then
// replaces it, so that a failed save leaves the old file whole and a save
// cut short leaves either file whole. Otherwise in place, as a plain open
// would: a save that overwriting allows is never refused for the sake of
// the replacement. Symbolic links are followed to their target either way.
bool saveFile(const QString& path, const QByteArray& data, const char* openFailure,
              const char* writeFailure)
{
#ifdef Q_OS_UNIX
    struct stat target;
    const bool exists = ::stat(QFile::encodeName(path).constData(), &target) == 0;
    // Another link would keep the old contents, a FIFO or device would
    // become a plain file.
    if (exists && !(S_ISREG(target.st_mode) && target.st_nlink == 1))
        return writeInPlace(path, data, openFailure, writeFailure);
#endif
    bool inPlace = false;
    {
        QSaveFile file(path);
        // In a folder where no file may be made the target is opened as it
        // stands; its old contents are then lost if writing fails.
        file.setDirectWriteFallback(true);
        if (!file.open(QIODevice::WriteOnly)) {
            qDebug() << openFailure;
            return false;
        }
#ifdef Q_OS_UNIX
        // Left without commit, the new file is removed unused.
        inPlace = exists && !likeTarget(file.handle(), target);
#endif
        if (!inPlace) {
            // The flush is checked here because commit() does not notice a
            // short write that only happens when its own buffer is flushed
            // (a full disk), and would put a truncated file in place.
            const bool written = file.write(data) == data.size() && file.flush();
            if (!written)
                file.cancelWriting();
            if (file.commit() && written)
                return true;
            // Some files can be written but not replaced: one mounted over
            // its name, say. The old file is still whole then.
            inPlace = written && file.error() == QFileDevice::RenameError;
            if (!inPlace) {
                qDebug() << writeFailure;
                return false;
            }
        }
    }
    return writeInPlace(path, data, openFailure, writeFailure);
}

} // namespace

QByteArray resultsFileBytes(const QVector<double>& tau0s, const QVector<double>& taus)
{
    Writer w;
    w << "# Deadtime data\r\n";
    w << "Preamp:";
    for (double v : tau0s)
        w << " " << v;
    w << "\r\n";
    w << "Amp:";
    for (double v : taus)
        w << " " << v;
    w << "\r\n";
    return w.bytes();
}

QByteArray confFileBytes(const QVector<double>& tau0s, const QVector<double>& taus)
{
    const double tau0Mean = mean(tau0s) * perMillion;
    const double tauMean = mean(taus) * perMillion;
    Writer w;
    w << "          " << tau0Mean;
    for (int i = 0; i < 6; ++i)
        w << " " << tauMean;
    w << "\n";
    w << "ICR0    ";
    writeColumns(w, tau0s);
    w << "\n";
    w << "S025    ";
    writeColumns(w, taus);
    w << "\n";
    return w.bytes();
}

QString confFileName(const QString& fname)
{
    return fname + QStringLiteral(".conf");
}

SaveOutcome writeResultFiles(const QString& fname, const QVector<double>& tau0s,
                             const QVector<double>& taus)
{
    SaveOutcome outcome;
    outcome.resultsWritten = saveFile(fname, resultsFileBytes(tau0s, taus),
                                      "Cannot open date file.", "Cannot write date file.");
    outcome.confWritten = saveFile(confFileName(fname), confFileBytes(tau0s, taus),
                                   "Cannot open date file2.", "Cannot write date file2.");
    return outcome;
}

bool saveFileBytes(const QString& path, const QByteArray& data)
{
    return saveFile(path, data, "Cannot open file.", "Cannot write file.");
}
