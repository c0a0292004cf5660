#include "input/mcareading.h"

#include "input/asciinumber.h"
#include "input/bytekinds.h"
#include "input/linesource.h"
#include "input/textrules.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr ByteKinds kinds = makeByteKinds(false);

// The value text of a header line: what follows its first ":", simplified.
QString valueText(const QString& line)
{
    return line.mid(line.indexOf(QLatin1Char(':')) + 1).simplified();
}

class McaReader
{
public:
    explicit McaReader(McaReading& r) : r(r) {}

    // Any line, simplified.
    void textLine(const QString& line)
    {
        if (!line.isEmpty() && line.at(0) == QLatin1Char('#'))
            headerLine(line);
        else
            spectrumRow(line);
    }

    // A line on its raw bytes; false when they do not decide it and the
    // line needs the text rules.
    bool byteLine(const char* p, const char* end);

    // The line about to be read, from 1.
    qint64 lineNumber = 0;

    // Sets notFiniteLine once every line is read.
    void finish()
    {
        if (!std::isfinite(r.i0) && (r.notFiniteLine == 0 || i0Line < r.notFiniteLine))
            r.notFiniteLine = i0Line;
    }

private:
    // An ICR or a sum that is not finite stays so.
    void check(double value)
    {
        if (r.notFiniteLine == 0 && !std::isfinite(value))
            r.notFiniteLine = lineNumber;
    }

    void headerLine(const QString& line);
    void spectrumRow(const QString& line);

    McaReading& r;
    // The bins some window holds lie between these; kept for channels.
    int channelsSeen = 0;
    double lowest = 0.0;
    double highest = 0.0;
    // The line of the I0 that counts: a later one replaces it.
    qint64 i0Line = 0;
    // Where the count of every channel stands in the row being read.
    std::vector<std::pair<const char*, const char*>> counts;
};

void McaReader::headerLine(const QString& line)
{
    // Both prefixes contain the line's first ":", so each match has its own
    // value text; other header lines leave nothing behind that a later line
    // reads.
    if (hasPrefix(line, QStringLiteral("# I0 : "), true)) {
        r.i0 = valueText(line).toDouble();
        i0Line = lineNumber;
    }

    if (hasPrefix(line, QStringLiteral("# MCA Ch Info : "), true)) {
        const QString value = valueText(line);
        QStringRef tokens[8];
        int count = 0;
        for (TokenCursor cursor(value); count < 8 && !cursor.atEnd(); ++count)
            tokens[count] = cursor.next();
        if (count < 8)
            return;
        r.icrs.append(tokens[5].toDouble());
        check(r.icrs.last());
        r.windowLow.append(tokens[6].toInt(nullptr, 10));
        r.windowHigh.append(tokens[7].toInt(nullptr, 10));
        r.scas.append(0.0);
    }
}

void McaReader::spectrumRow(const QString& line)
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
        if (r.windowLow[k] <= bin && bin <= r.windowHigh[k]) {
            r.scas[k] += count.toDouble();
            check(r.scas[k]);
        }
    }
}

bool McaReader::byteLine(const char* p, const char* end)
{
    while (p < end && kinds(*p) == ByteKind::Separator)
        ++p;
    if (p == end)
        return true; // one empty token: no row
    if (*p == '#' || kinds(*p) == ByteKind::Refuse)
        return false;
    const int n = r.scas.size();
    if (n == 0)
        return true;
    if (n != channelsSeen) {
        channelsSeen = n;
        lowest = *std::min_element(r.windowLow.cbegin(), r.windowLow.cend());
        highest = *std::max_element(r.windowHigh.cbegin(), r.windowHigh.cend());
        counts.resize(std::size_t(n));
    }

    const char* binToken = p;
    while (p < end && kinds(*p) == ByteKind::Token)
        ++p;
    if (p < end && kinds(*p) == ByteKind::Refuse)
        return false;
    const char* binEnd = p;
    // Most of a spectrum lies outside every window: such a row adds nothing,
    // whatever else it holds. A long bin is read only in a row that is used.
    const bool shortBin = binEnd - binToken <= kLongestPlainNumber;
    double bin = shortBin ? asciiToInt(binToken, binEnd) : 0.0;
    if (shortBin && !(lowest <= bin && bin <= highest))
        return true;

    for (int i = 1; i <= 2 * n; ++i) {
        while (p < end && kinds(*p) == ByteKind::Separator)
            ++p;
        if (p == end)
            return true; // fewer than 2n + 1 tokens: not a row
        if (kinds(*p) == ByteKind::Refuse)
            return false;
        const char* token = p;
        while (p < end && kinds(*p) == ByteKind::Token)
            ++p;
        if (p < end && kinds(*p) == ByteKind::Refuse)
            return false;
        if (i % 2 == 0)
            counts[std::size_t(i / 2 - 1)] = {token, p};
    }
    if (!shortBin)
        bin = asciiToInt(binToken, binEnd);
    for (int k = 0; k < n; ++k)
        if (r.windowLow[k] <= bin && bin <= r.windowHigh[k]) {
            r.scas[k] += asciiToDouble(counts[std::size_t(k)].first, counts[std::size_t(k)].second);
            check(r.scas[k]);
        }
    return true;
}

} // namespace

void readMcaDevice(McaReading& reading, QIODevice& device)
{
    McaReader reader(reading);
    LineSource lines(device);
    while (lines.next()) {
        ++reader.lineNumber;
        if (lines.textOnly() || !reader.byteLine(lines.begin(), lines.end()))
            reader.textLine(lines.text().simplified());
    }
    reader.finish();
    reading.ok = reading.i0 > 0.0 && !reading.icrs.isEmpty() && !reading.scas.isEmpty();
}

void readMcaFile(McaReading& reading, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    readMcaDevice(reading, file);
}
