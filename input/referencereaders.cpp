#include "input/referencereaders.h"

#include "input/textmode.h"

#include <QDebug>
#include <QFile>
#include <QRegExp>
#include <QStringList>
#include <QTextStream>

namespace {

QStringList tokensOf(const QString& text)
{
    return text.split(QRegExp(QStringLiteral("\\s+")), Qt::KeepEmptyParts);
}

bool startsWithIgnoringCase(const QString& text, const QString& prefix)
{
    return text.size() >= prefix.size() && text.left(prefix.size()).toUpper() == prefix.toUpper();
}

} // namespace

void referenceReadMcaDevice(McaReading& reading, QIODevice& device)
{
    const TextModeScope textMode(device);
    QTextStream in(&device);
    // A header line without ":" leaves the previous value text in place.
    QString valueText;
    QStringList values;
    while (!in.atEnd()) {
        const QString line = in.readLine().simplified();
        if (!line.isEmpty() && line.at(0) == QLatin1Char('#')) {
            const int colon = line.indexOf(QLatin1Char(':'));
            if (colon >= 0) {
                valueText = line.mid(colon + 1).simplified();
                values = tokensOf(valueText);
            }
            if (startsWithIgnoringCase(line, QStringLiteral("# I0 : ")))
                reading.i0 = valueText.toDouble();
            if (startsWithIgnoringCase(line, QStringLiteral("# MCA Ch Info : ")) &&
                values.size() >= 8) {
                reading.icrs.append(values[5].toDouble());
                reading.windowLow.append(values[6].toInt(nullptr, 10));
                reading.windowHigh.append(values[7].toInt(nullptr, 10));
                reading.scas.append(0.0);
            }
            continue;
        }
        const QStringList tokens = tokensOf(line);
        const int n = reading.scas.size();
        if (n == 0 || tokens.size() < 2 * n + 1)
            continue;
        const double bin = tokens[0].toInt(nullptr, 10);
        for (int k = 0; k < n; ++k)
            if (reading.windowLow[k] <= bin && bin <= reading.windowHigh[k])
                reading.scas[k] += tokens[2 * (k + 1)].toDouble();
    }
    reading.ok = reading.i0 > 0.0 && !reading.icrs.isEmpty() && !reading.scas.isEmpty();
}

void referenceReadMcaFile(McaReading& reading, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    referenceReadMcaDevice(reading, file);
}

void referenceReadCountTableDevice(QIODevice& device, const PointSink& onRow)
{
    const QString channelsPrefix = QStringLiteral("# Channels :");
    const TextModeScope textMode(device);
    QTextStream in(&device);
    int t = 1;
    while (!in.atEnd()) {
        QString line = in.readLine().simplified();
        const int first = line.indexOf(QLatin1Char('#'));
        const int second = first < 0 ? -1 : line.indexOf(QLatin1Char('#'), first + 1);
        if (second >= 0)
            line = line.left(second);
        if (t == 1 && startsWithIgnoringCase(line, channelsPrefix)) {
            t = line.mid(channelsPrefix.size()).simplified().toInt(nullptr, 10);
            continue;
        }
        if (line.startsWith(QLatin1Char('#')) || t <= 0)
            continue;
        if (first >= 0)
            line = line.left(first);
        line.replace(QLatin1Char(','), QLatin1Char(' '));
        const QStringList tokens = tokensOf(line);
        if (tokens.size() < 2 * qint64(t) + 1)
            continue;
        QVector<double> icrs;
        QVector<double> scas;
        for (int k = 1; k <= t; ++k) {
            icrs.append(tokens[k].toDouble());
            scas.append(tokens[t + k].toDouble());
        }
        onRow(tokens[0].toDouble(), icrs, scas);
    }
}

void referenceReadCountTableFile(const QString& path, const PointSink& onRow)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Cannot open" << path;
        return;
    }
    referenceReadCountTableDevice(file, onRow);
}
