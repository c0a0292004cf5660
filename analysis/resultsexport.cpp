#include "analysis/resultsexport.h"

#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <cerrno>
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
// While a file is saved, keeps two signals from ending the program: SIGPIPE
// when the reader of a FIFO goes away, SIGXFSZ when the file would grow past
// the size limit (ulimit -f). The write fails with EPIPE or EFBIG instead,
// and the save is reported as failed with the old file kept.
class SaveSignalBlock
{
public:
    SaveSignalBlock()
    {
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGPIPE);
        sigaddset(&blocked, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    }
    ~SaveSignalBlock()
    {
        // A signal raised meanwhile is taken off, unless it was blocked (and
        // so perhaps pending) before.
        for (int signal : {SIGPIPE, SIGXFSZ}) {
            sigset_t pending;
            if (sigismember(&previous, signal) || sigpending(&pending) != 0 ||
                !sigismember(&pending, signal))
                continue;
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, signal);
            const timespec noWait{};
            sigtimedwait(&one, nullptr, &noWait);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    SaveSignalBlock(const SaveSignalBlock&) = delete;
    SaveSignalBlock& operator=(const SaveSignalBlock&) = delete;

private:
    sigset_t blocked{};
    sigset_t previous{};
};

// Writes size bytes from the start of a regular file (positioned), or in
// order to a FIFO or device; done counts what reached it.
bool writeAll(int fd, const char* data, qint64 size, bool positioned, qint64& done)
{
    done = 0;
    while (done < size) {
        const size_t count = size_t(size - done);
        const ssize_t n = positioned ? ::pwrite(fd, data + done, count, off_t(done))
                                     : ::write(fd, data + done, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The first length bytes of the regular file open on fd, read through a
// second descriptor (fd may be write-only); false where the file cannot be
// read, or is no longer the same file under path.
bool readHead(const QString& path, const struct stat& target, qint64 length, QByteArray& head)
{
    const int in = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(in, &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino;
    head.resize(int(length));
    qint64 done = 0;
    while (ok && done < length) {
        const ssize_t n = ::pread(in, head.data() + done, size_t(length - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n;
    }
    ::close(in);
    return ok;
}

// Overwrites the regular file open on fd with data without first cutting it
// short: space for the new length is reserved before any old byte is
// touched, and only once every new byte is written and on the disk is the
// file cut to its new length. A write that fails part-way puts the old
// bytes back (where they could be read) and the old length, so the file
// ends as it was.
bool overwriteRegular(int fd, const QString& path, const struct stat& target,
                      const QByteArray& data)
{
    const qint64 oldSize = target.st_size;
    const qint64 newSize = data.size();
    QByteArray oldHead;
    const bool headKept = readHead(path, target, qMin(oldSize, newSize), oldHead);
    qint64 written = 0;
    bool ok = true;
    if (newSize > 0) {
        // A full disk or the size limit fails here, with nothing written. A
        // file system that cannot reserve is left to the writes below.
        const int reserved = ::posix_fallocate(fd, 0, off_t(newSize));
        ok = reserved != ENOSPC && reserved != EDQUOT && reserved != EFBIG;
    }
    // Synced before the cut, so that a failure to sync still finds the old
    // tail to put back.
    ok = ok && writeAll(fd, data.constData(), newSize, true, written) && ::fsync(fd) == 0;
    if (ok && newSize < oldSize)
        ok = ::ftruncate(fd, off_t(newSize)) == 0;
    // Past the cut the file holds the whole new contents; a failure to sync
    // its new length is still reported.
    if (ok)
        return newSize >= oldSize || ::fsync(fd) == 0;

    qint64 restored = 0;
    if (headKept)
        writeAll(fd, oldHead.constData(), qMin(written, qint64(oldHead.size())), true, restored);
    struct stat now;
    if (::fstat(fd, &now) == 0 && now.st_size != oldSize)
        ::ftruncate(fd, off_t(oldSize));
    ::fsync(fd);
    return false;
}

// Writes data over path as a plain open would, but without truncating it
// first (see overwriteRegular): whatever path is (a file with other links,
// another user's file, a FIFO) stays what it is and gets the new contents.
bool writeInPlace(const QString& path, const QByteArray& data, const char* openFailure,
                  const char* writeFailure)
{
    // Non-blocking only while opening, so that a FIFO nobody reads is refused
    // instead of freezing the window; the writes then block as usual.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    const int flags = fd < 0 ? -1 : ::fcntl(fd, F_GETFL);
    struct stat target;
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1 ||
        ::fstat(fd, &target) != 0) {
        if (fd >= 0)
            ::close(fd);
        qDebug() << openFailure;
        return false;
    }
    bool written;
    if (S_ISREG(target.st_mode)) {
        written = overwriteRegular(fd, path, target, data);
    } else {
        // A FIFO or a device: nothing to keep, nothing to sync.
        qint64 done = 0;
        written = writeAll(fd, data.constData(), data.size(), false, done);
    }
    written = ::close(fd) == 0 && written;
    if (!written)
        qDebug() << writeFailure;
    return written;
}
#else
bool writeInPlace(const QString& path, const QByteArray& data, const char* openFailure,
                  const char* writeFailure)
{
    // Opened without truncation; cut to length only once all is written.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        qDebug() << openFailure;
        return false;
    }
    const bool written =
        file.write(data) == data.size() && file.flush() && file.resize(data.size()) && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        qDebug() << writeFailure;
        return false;
    }
    return true;
}
#endif

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
// cut short leaves either file whole. Otherwise in place (see
// writeInPlace): a save that overwriting allows is never refused for the
// sake of the replacement. Symbolic links are followed to their target
// either way.
bool saveFile(const QString& path, const QByteArray& data, const char* openFailure,
              const char* writeFailure)
{
#ifdef Q_OS_UNIX
    const SaveSignalBlock noSignals;
    struct stat target;
    const bool exists = ::stat(QFile::encodeName(path).constData(), &target) == 0;
    // Another link would keep the old contents, a FIFO or device would
    // become a plain file.
    if (exists && !(S_ISREG(target.st_mode) && target.st_nlink == 1))
        return writeInPlace(path, data, openFailure, writeFailure);
#endif
    bool inPlace = false;
    {
        // No direct-write fallback: it would truncate the target. Where no
        // temporary file can be made (a folder the user may not create in),
        // or nothing can be opened at all, the in-place writer decides.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return writeInPlace(path, data, openFailure, writeFailure);
#ifdef Q_OS_UNIX
        // Left without commit, the new file is removed unused.
        inPlace = exists && !likeTarget(file.handle(), target);
#endif
        if (!inPlace) {
            // The flush is checked here because commit() does not notice a
            // short write that only happens when its own buffer is flushed
            // (a full disk), and would put a truncated file in place; the
            // sync too, because commit() renames whether or not it succeeded.
            bool written = file.write(data) == data.size() && file.flush();
#ifdef Q_OS_UNIX
            written = written && ::fsync(file.handle()) == 0;
#endif
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
