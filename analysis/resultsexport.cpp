#include "analysis/resultsexport.h"

#include <QDebug>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

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

// Writes data to path through a temporary file beside it; the target is
// replaced only by a complete file.
bool saveAtomically(const QString& path, const QByteArray& data, const char* openFailure,
                    const char* writeFailure)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << openFailure;
        return false;
    }
    // The flush is checked here because commit() does not notice a short
    // write that only happens when its own buffer is flushed (a full disk),
    // and would put a truncated file in place.
    if (file.write(data) != data.size() || !file.flush())
        file.cancelWriting();
    if (!file.commit()) {
        qDebug() << writeFailure;
        return false;
    }
    return true;
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
    outcome.resultsWritten = saveAtomically(fname, resultsFileBytes(tau0s, taus),
                                            "Cannot open date file.", "Cannot write date file.");
    outcome.confWritten = saveAtomically(confFileName(fname), confFileBytes(tau0s, taus),
                                         "Cannot open date file2.", "Cannot write date file2.");
    return outcome;
}
