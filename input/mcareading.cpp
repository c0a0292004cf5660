#include "input/mcareading.h"

#include "input/textmode.h"
#include "input/textrules.h"

#include <QFile>
#include <QTextStream>

namespace {

// The value text of a header line: what follows its first ":", simplified.
QString valueText(const QString& line)
{
    return line.mid(line.indexOf(QLatin1Char(':')) + 1).simplified();
}

void readHeaderLine(McaReading& r, const QString& line)
{
    // Both prefixes contain the line's first ":", so each match has its own
    // value text; other header lines leave nothing behind that a later line
    // reads.
    if (hasPrefix(line, QStringLiteral("# I0 : "), true))
        r.i0 = valueText(line).toDouble();

    if (hasPrefix(line, QStringLiteral("# MCA Ch Info : "), true)) {
        const QString value = valueText(line);
        QStringRef tokens[8];
        int count = 0;
        for (TokenCursor cursor(value); count < 8 && !cursor.atEnd(); ++count)
            tokens[count] = cursor.next();
        if (count < 8)
            return;
        r.icrs.append(tokens[5].toDouble());
        r.windowLow.append(tokens[6].toInt(nullptr, 10));
        r.windowHigh.append(tokens[7].toInt(nullptr, 10));
        r.scas.append(0.0);
    }
}

void readSpectrumRow(McaReading& r, const QString& line)
{
    const int n = r.scas.size();
    if (n == 0)
        return; // no channel to count for yet
    // A row is used whole or not at all: it needs both columns of every
    // channel declared so far.
    const qint64 needed = 2 * qint64(n) + 1;
    if (countTokens(line, needed) < needed)
        return;

    TokenCursor cursor(line);
    const double bin = cursor.next().toInt(nullptr, 10);
    for (int k = 0; k < n; ++k) {
        cursor.next(); // the first column of a channel is not read
        const QStringRef count = cursor.next();
        if (r.windowLow[k] <= bin && bin <= r.windowHigh[k])
            r.scas[k] += count.toDouble();
    }
}

} // namespace

void readMcaDevice(McaReading& reading, QIODevice& device)
{
    const TextModeScope textMode(device);
    QTextStream in(&device);
    QString line;
    while (in.readLineInto(&line)) {
        line = std::move(line).simplified();
        if (!line.isEmpty() && line.at(0) == QLatin1Char('#'))
            readHeaderLine(reading, line);
        else
            readSpectrumRow(reading, line);
    }
    reading.ok = reading.i0 > 0.0 && !reading.icrs.isEmpty() && !reading.scas.isEmpty();
}

void readMcaFile(McaReading& reading, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    readMcaDevice(reading, file);
}
