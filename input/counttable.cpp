#include "input/counttable.h"

#include "input/asciinumber.h"
#include "input/bytekinds.h"
#include "input/linesource.h"
#include "input/textrules.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr ByteKinds kinds = makeByteKinds(true);

class TableReader
{
public:
    explicit TableReader(const NumberedPointSink& onRow) : onRow(onRow) {}

    // The line about to be read, from 1.
    qint64 lineNumber = 0;

    // Any line, simplified.
    void textLine(QString line);

    // A line on its raw bytes; false when they do not decide it and the
    // line needs the text rules.
    bool byteLine(const char* p, const char* end);

private:
    void handOn(const double* values);

    const NumberedPointSink& onRow;
    // Without a channel-count line the table has one channel. Once a line
    // has set any other count, later channel-count lines are comments.
    int t = 1;
    std::vector<double> values;
    // Tokens too long to convert before the row proves whole.
    struct LongToken
    {
        std::size_t index;
        const char* begin;
        const char* end;
    };
    std::vector<LongToken> longTokens;
    QVector<double> icrs;
    QVector<double> scas;
};

void TableReader::textLine(QString line)
{
    const QString channelsPrefix = QStringLiteral("# Channels :");
    const QChar hash = QLatin1Char('#');

    line = cutAtSecond(line, hash);
    if (t == 1 && hasPrefix(line, channelsPrefix, true)) {
        t = textAfter(line, channelsPrefix).simplified().toInt(nullptr, 10);
        return;
    }
    if ((!line.isEmpty() && line.at(0) == hash) || t <= 0)
        return;

    line = cutAtFirst(line, hash);
    line.replace(QLatin1Char(','), QLatin1Char(' '));
    // 64-bit, so that 2t + 1 is exact for every t the integer conversion can
    // give; nothing is kept before the row proves it holds t channels.
    const qint64 needed = 2 * qint64(t) + 1;
    if (countTokens(line, needed) < needed)
        return;

    values.clear();
    TokenCursor cursor(line);
    for (qint64 i = 0; i < needed; ++i)
        values.push_back(cursor.next().toDouble());
    handOn(values.data());
}

bool TableReader::byteLine(const char* p, const char* end)
{
    while (p < end && kinds(*p) == ByteKind::Separator && *p != ',')
        ++p;
    if (p < end && (*p == '#' || kinds(*p) == ByteKind::Refuse))
        return false;
    if (t <= 0)
        return true;

    // The row ends at its first "#"; without one, white space at the end of
    // the line goes (but a comma there still ends in an empty token).
    const auto* hash = static_cast<const char*>(std::memchr(p, '#', std::size_t(end - p)));
    const char* stop = hash;
    if (!hash) {
        stop = end;
        while (stop > p && kinds(stop[-1]) == ByteKind::Separator && stop[-1] != ',')
            --stop;
    }
    // A text has at most one token more than it has characters.
    const qint64 needed = 2 * qint64(t) + 1;
    if (needed > stop - p + 1)
        return true;

    values.clear();
    longTokens.clear();
    for (;;) {
        // Most tokens are plain decimals, read as they are found.
        const char* token = p;
        double value = 0.0;
        const char* plainEnd = plainDecimalEnd(p, stop, value);
        if (plainEnd && (plainEnd == stop || kinds(*plainEnd) == ByteKind::Separator)) {
            p = plainEnd;
        } else {
            while (p < stop && kinds(*p) == ByteKind::Token)
                ++p;
            if (p < stop && kinds(*p) == ByteKind::Refuse)
                return false;
            if (p - token > kLongestPlainNumber)
                longTokens.push_back({values.size(), token, p});
            else if (p > token)
                value = asciiToDouble(token, p);
        }
        values.push_back(value);
        if (qint64(values.size()) == needed)
            break;
        if (p == stop)
            return true; // fewer than 2t + 1 tokens: not a row
        while (p < stop && kinds(*p) == ByteKind::Separator)
            ++p;
        if (p < stop && kinds(*p) == ByteKind::Refuse)
            return false;
    }
    for (const LongToken& token : longTokens)
        values[token.index] = asciiToDouble(token.begin, token.end);
    handOn(values.data());
    return true;
}

// values holds I0, the t ICRs and the t SCA counts. The vectors handed on
// are reused for the next row unless the receiver kept a copy; then new
// ones are made of just their size, since the kept ones stay with the
// points (a growing vector's spare room would cost a large table a third
// more memory).
void TableReader::handOn(const double* values)
{
    for (QVector<double>* v : {&icrs, &scas}) {
        if (!v->isDetached() || v->capacity() < t) {
            *v = QVector<double>();
            v->reserve(t);
        }
        v->resize(t);
    }
    std::copy(values + 1, values + 1 + t, icrs.data());
    std::copy(values + 1 + t, values + 1 + 2 * qint64(t), scas.data());
    onRow(lineNumber, values[0], icrs, scas);
}

} // namespace

void readNumberedCountTableDevice(QIODevice& device, const NumberedPointSink& onRow,
                                  const std::function<bool()>& more)
{
    TableReader reader(onRow);
    LineSource lines(device);
    while ((!more || more()) && lines.next()) {
        ++reader.lineNumber;
        if (lines.textOnly() || !reader.byteLine(lines.begin(), lines.end()))
            reader.textLine(lines.text().simplified());
    }
}

void readNumberedCountTableFile(const QString& path, const NumberedPointSink& onRow,
                                const std::function<bool()>& more)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Cannot open" << path;
        return;
    }
    readNumberedCountTableDevice(file, onRow, more);
}

namespace {

NumberedPointSink withoutLines(const PointSink& onRow)
{
    return [&onRow](qint64, double i0, const QVector<double>& icrs, const QVector<double>& scas) {
        onRow(i0, icrs, scas);
    };
}

} // namespace

void readCountTableDevice(QIODevice& device, const PointSink& onRow)
{
    readNumberedCountTableDevice(device, withoutLines(onRow));
}

void readCountTableFile(const QString& path, const PointSink& onRow)
{
    readNumberedCountTableFile(path, withoutLines(onRow));
}
