#include "input/counttable.h"

#include "input/textmode.h"
#include "input/textrules.h"

#include <QDebug>
#include <QFile>
#include <QTextStream>

void readCountTableDevice(QIODevice& device, const PointSink& onRow)
{
    const QString channelsPrefix = QStringLiteral("# Channels :");
    const QChar hash = QLatin1Char('#');

    // Without a channel-count line the table has one channel. Once a line
    // has set any other count, later channel-count lines are comments.
    int t = 1;
    const TextModeScope textMode(device);
    QTextStream in(&device);
    QString line;
    while (in.readLineInto(&line)) {
        line = cutAtSecond(std::move(line).simplified(), hash);
        if (t == 1 && hasPrefix(line, channelsPrefix, true)) {
            t = textAfter(line, channelsPrefix).simplified().toInt(nullptr, 10);
            continue;
        }
        if ((!line.isEmpty() && line.at(0) == hash) || t <= 0)
            continue;

        line = cutAtFirst(line, hash);
        line.replace(QLatin1Char(','), QLatin1Char(' '));
        // 64-bit, so that 2t + 1 is exact for every t the integer conversion
        // can give; nothing is reserved before the row proves it holds t
        // channels.
        const qint64 needed = 2 * qint64(t) + 1;
        if (countTokens(line, needed) < needed)
            continue;

        TokenCursor cursor(line);
        const double i0 = cursor.next().toDouble();
        QVector<double> icrs;
        QVector<double> scas;
        icrs.reserve(t);
        scas.reserve(t);
        for (int k = 0; k < t; ++k)
            icrs.append(cursor.next().toDouble());
        for (int k = 0; k < t; ++k)
            scas.append(cursor.next().toDouble());
        onRow(i0, icrs, scas);
    }
}

void readCountTableFile(const QString& path, const PointSink& onRow)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Cannot open" << path;
        return;
    }
    readCountTableDevice(file, onRow);
}
