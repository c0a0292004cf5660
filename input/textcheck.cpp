#include "input/textcheck.h"

#include "input/asciinumber.h"
#include "input/bytekinds.h"
#include "input/linesource.h"
#include "input/textrules.h"

#include <QIODevice>

#include <cstring>
#include <vector>

namespace {

// Lines longer than this are left alone rather than made into a string:
// a reader takes such a line apart on its bytes, and a check must not cost
// more than the reading.
constexpr std::ptrdiff_t kLongestCheckedLine = 1 << 20;

// A token as a message can show it: cut to 40 characters, with control
// characters (a binary file's) written as \xNN, so that they cannot upset
// a terminal or a log.
QString printable(const QStringRef& token)
{
    QString text;
    for (const QChar c : token.left(40)) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

class Findings
{
public:
    void nul(qint64 line)
    {
        if (!nulFound)
            list.append({TextFinding::Kind::NulCharacter, line});
        nulFound = true;
    }

    // One line's first value that did not convert.
    void notConverted(qint64 line, int column, const QStringRef& token)
    {
        if (notConvertedAt >= 0) {
            ++list[notConvertedAt].moreLines;
            return;
        }
        notConvertedAt = list.size();
        list.append({TextFinding::Kind::ValueNotConverted, line, column, printable(token)});
    }

    QVector<TextFinding> list;

private:
    bool nulFound = false;
    int notConvertedAt = -1;
};

bool holdsNul(LineSource& lines)
{
    if (lines.textOnly())
        return lines.text().contains(QChar(0));
    return std::memchr(lines.begin(), 0, std::size_t(lines.end() - lines.begin())) != nullptr;
}

bool tooLong(const LineSource& lines)
{
    return !lines.textOnly() && lines.end() - lines.begin() > kLongestCheckedLine;
}

constexpr ByteKinds kTableKinds = makeByteKinds(true);

// True when the first needed values of a count table row, read on its
// bytes, are all plain decimals, which convert: the row needs no look at
// its text. False says nothing: the text decides.
bool plainRow(const char* p, const char* end, qint64 needed)
{
    while (p < end && kTableKinds(*p) == ByteKind::Separator && *p != ',')
        ++p;
    const auto* hash = static_cast<const char*>(std::memchr(p, '#', std::size_t(end - p)));
    const char* stop = hash ? hash : end;
    for (qint64 i = 0; i < needed; ++i) {
        if (p == stop || kTableKinds(*p) != ByteKind::Token)
            return false;
        double value = 0.0;
        const char* after = plainDecimalEnd(p, stop, value);
        if (!after || (after < stop && kTableKinds(*after) != ByteKind::Separator))
            return false;
        p = after;
        while (p < stop && kTableKinds(*p) == ByteKind::Separator)
            ++p;
    }
    return true;
}

// The MCA spectrum reader's view of the file, kept to know which values it
// uses: the windows of the channels declared so far.
struct McaChannels
{
    std::vector<int> low;
    std::vector<int> high;
};

void checkMcaLine(const QString& line, qint64 number, McaChannels& channels, Findings& findings)
{
    if (!line.isEmpty() && line.at(0) == QLatin1Char('#')) {
        const QString prefix = QStringLiteral("# MCA Ch Info : ");
        if (!hasPrefix(line, prefix, true))
            return;
        const QString value = line.mid(line.indexOf(QLatin1Char(':')) + 1).simplified();
        QStringRef tokens[8];
        int count = 0;
        for (TokenCursor cursor(value); count < 8 && !cursor.atEnd(); ++count)
            tokens[count] = cursor.next();
        if (count < 8)
            return;
        bool ok[3];
        tokens[5].toDouble(&ok[0]);
        channels.low.push_back(tokens[6].toInt(&ok[1], 10));
        channels.high.push_back(tokens[7].toInt(&ok[2], 10));
        for (int k = 0; k < 3; ++k) {
            if (!ok[k]) {
                findings.notConverted(number, 6 + k, tokens[5 + k]);
                return;
            }
        }
        return;
    }

    const int n = int(channels.low.size());
    const qint64 needed = 2 * qint64(n) + 1;
    if (n == 0 || countTokens(line, needed) < needed)
        return;
    TokenCursor cursor(line);
    const QStringRef binToken = cursor.next();
    bool ok = true;
    const int bin = binToken.toInt(&ok, 10);
    if (!ok) {
        findings.notConverted(number, 1, binToken);
        return;
    }
    for (int k = 0; k < n; ++k) {
        cursor.next();
        const QStringRef count = cursor.next();
        if (channels.low[std::size_t(k)] <= bin && bin <= channels.high[std::size_t(k)]) {
            count.toDouble(&ok);
            if (!ok) {
                findings.notConverted(number, 3 + 2 * k, count);
                return;
            }
        }
    }
}

// Whether the device holds a NUL byte from where it stands; it is put back
// there.
bool anyNul(QIODevice& device)
{
    const qint64 start = device.pos();
    bool found = false;
    for (QByteArray chunk; !found && !(chunk = device.read(qint64(1) << 20)).isEmpty();)
        found = chunk.contains('\0');
    device.seek(start);
    return found;
}

} // namespace

QVector<TextFinding> checkCountTableText(QIODevice& device, const QVector<CountTableRow>& rows)
{
    // Without a row to look into, only a NUL would be found: a file of a
    // million empty lines need not be taken line by line again.
    if (rows.isEmpty() && !device.isSequential() && !anyNul(device))
        return {};
    Findings findings;
    LineSource lines(device);
    int nextRow = 0;
    for (qint64 number = 1; lines.next(); ++number) {
        if (holdsNul(lines))
            findings.nul(number);
        if (nextRow >= rows.size() || rows[nextRow].line != number)
            continue;
        const qint64 needed = 2 * qint64(rows[nextRow].channels) + 1;
        ++nextRow;
        if (tooLong(lines) || (!lines.textOnly() && plainRow(lines.begin(), lines.end(), needed)))
            continue;
        // The row as the reader takes it: up to its first "#", commas as
        // blanks.
        QString row = cutAtFirst(lines.text().simplified(), QLatin1Char('#'));
        row.replace(QLatin1Char(','), QLatin1Char(' '));
        TokenCursor cursor(row);
        for (qint64 i = 0; i < needed && !cursor.atEnd(); ++i) {
            const QStringRef token = cursor.next();
            bool ok = false;
            token.toDouble(&ok);
            if (!ok) {
                findings.notConverted(number, int(i + 1), token);
                break;
            }
        }
    }
    return findings.list;
}

QVector<TextFinding> checkMcaText(QIODevice& device)
{
    Findings findings;
    McaChannels channels;
    LineSource lines(device);
    for (qint64 number = 1; lines.next(); ++number) {
        if (holdsNul(lines))
            findings.nul(number);
        if (!tooLong(lines))
            checkMcaLine(lines.text().simplified(), number, channels, findings);
    }
    return findings.list;
}
