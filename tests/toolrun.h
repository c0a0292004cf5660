#pragma once

// veskor-fit run as the program it is, for the tests that check it from the
// outside, and the example scan they run it on. The test target defines
// VESKOR_FIT_PROGRAM, the program's path, and VESKOR_EXAMPLES_DIR.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

namespace veskor::test {

struct ToolRun
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QString err;

    // What --json printed.
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    // The warnings written on stderr, without their "veskor-fit: warning: ".
    QStringList warnings() const
    {
        QStringList lines;
        for (const QString& line : err.split('\n'))
            if (line.startsWith("veskor-fit: warning: "))
                lines << line.mid(21);
        return lines;
    }
};

// Runs veskor-fit with args in env, for two minutes at most.
inline ToolRun runTool(const QStringList& args,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VESKOR_FIT_PROGRAM), args);
    ToolRun r;
    r.finished = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// The example scan's spectrum files, in name order.
inline QStringList exampleSpectra()
{
    QStringList files;
    const QDir dir(QStringLiteral(VESKOR_EXAMPLES_DIR) + "/scan");
    for (const QString& name : dir.entryList({"*.mca"}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace veskor::test
