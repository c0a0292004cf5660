#include "input/labelledtext.h"

#include "input/asciinumber.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace {

// A line of the file, by its place in the bytes: [begin, end) without the
// line end, next where the following line starts. Lines are never copied
// out of the file's bytes, which a reader keeps whole.
struct Line
{
    int begin = 0;
    int end = 0;
    int next = 0;
    qint64 number = 0; // from 1
};

// Spreadsheets start their exports with a byte order mark.
int firstByte(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

// Walks the lines of bytes[from, to). Lines end at LF, CRLF or a lone CR
// (files from old acquisition PCs); a last line without an end counts when
// it holds anything.
class LineCursor
{
public:
    LineCursor(const QByteArray& bytes, int from, qint64 number, int to = -1)
        : data(bytes.constData()), pos(from), stop(to < 0 ? bytes.size() : to), number(number)
    {
    }

    bool next(Line& line)
    {
        if (pos >= stop)
            return false;
        int i = pos;
        while (i < stop && data[i] != '\n' && data[i] != '\r')
            ++i;
        line.begin = pos;
        line.end = i;
        line.number = number++;
        if (i < stop && data[i] == '\r' && i + 1 < stop && data[i + 1] == '\n')
            ++i;
        pos = i < stop ? i + 1 : stop;
        line.next = pos;
        return true;
    }

private:
    const char* data;
    int pos;
    int stop;
    qint64 number;
};

// The line's bytes, not copied: valid while bytes is.
QByteArray view(const QByteArray& bytes, const Line& line)
{
    return QByteArray::fromRawData(bytes.constData() + line.begin, line.end - line.begin);
}

// How much of a file detection looks at: every format shows itself in its
// first lines, and a file of a million lines must not be looked through
// whole before it is read.
constexpr int kDetectHead = 1 << 20;

// The lines of the file's head, cut at the last line end within it.
QVector<Line> headLines(const QByteArray& bytes)
{
    int to = bytes.size();
    if (to > kDetectHead) {
        to = kDetectHead;
        while (to > 0 && bytes[to - 1] != '\n' && bytes[to - 1] != '\r')
            --to;
        if (to == 0)
            to = kDetectHead;
    }
    QVector<Line> lines;
    LineCursor cursor(bytes, firstByte(bytes), 1, to);
    for (Line line; cursor.next(line);)
        lines.append(line);
    return lines;
}

bool isNumber(const QByteArray& token, double* value = nullptr)
{
    bool ok = false;
    const double v = token.toDouble(&ok);
    if (value)
        *value = v;
    return ok;
}

// A number as a semicolon-separated file from a decimal-comma locale
// writes it ("1,5").
bool isDecimalCommaNumber(QByteArray token, double* value = nullptr)
{
    if (token.count(',') != 1)
        return false;
    return isNumber(token.replace(',', '.'), value);
}

// A value of a row: a number, or with decimalComma also one written "1,5".
bool isValue(const QByteArray& token, bool decimalComma, double* value = nullptr)
{
    return isNumber(token, value) || (decimalComma && isDecimalCommaNumber(token, value));
}

// The same on bytes that are not copied unless they need the toolkit's
// conversion: a plain decimal converts to what the toolkit makes of it.
bool isValue(const char* begin, const char* end, bool decimalComma, double& value)
{
    if (plainDecimalEnd(begin, end, value) == end)
        return true;
    return isValue(QByteArray(begin, int(end - begin)), decimalComma, &value);
}

// A line whose every token is a number: a data row, not labels.
bool allNumbers(const QList<QByteArray>& tokens, bool decimalComma = false)
{
    return std::all_of(tokens.begin(), tokens.end(),
                       [decimalComma](const QByteArray& t) { return isValue(t, decimalComma); });
}

QList<QByteArray> blankSplit(const QByteArray& line)
{
    return line.simplified().split(' ');
}

// Splits one line of comma- or semicolon-separated values; a field in
// double quotes may hold the separator, and "" stands for a quote.
QList<QByteArray> quotedSplit(const QByteArray& line, char separator)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field.trimmed());
    return fields;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\n' || c == '\r';
}

bool isBlank(const QByteArray& line)
{
    return std::all_of(line.begin(), line.end(), isSpace);
}

bool isDashes(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    return t.size() >= 3 && std::all_of(t.begin(), t.end(), [](char c) { return c == '-'; });
}

QStringList toStrings(const QList<QByteArray>& tokens)
{
    QStringList out;
    for (const QByteArray& t : tokens)
        out << QString::fromUtf8(t);
    return out;
}

// How the fields of a delimited file are separated.
struct Delimiter
{
    LabelledTextFormat format = LabelledTextFormat::None;
    char separator = ' ';
};

QList<QByteArray> splitFields(const QByteArray& line, LabelledTextFormat format, char separator)
{
    switch (format) {
    case LabelledTextFormat::Tsv: {
        QList<QByteArray> fields = line.split('\t');
        for (QByteArray& f : fields)
            f = f.trimmed();
        return fields;
    }
    case LabelledTextFormat::Csv:
        return quotedSplit(line, separator);
    default:
        return blankSplit(line);
    }
}

// The fields of a row as splitFields gives them, walked on the row's bytes:
// a field is copied only where quotes make its text differ from its bytes.
class FieldCursor
{
public:
    FieldCursor(const char* p, const char* end, const Delimiter& d)
        : p(p), end(end), format(d.format), separator(d.separator)
    {
    }

    // The next field's trimmed bytes; false after the last.
    bool next(const char*& begin, const char*& stop)
    {
        if (done)
            return false;
        switch (format) {
        case LabelledTextFormat::Tsv:
        case LabelledTextFormat::Csv:
            return delimited(begin, stop);
        default:
            return blank(begin, stop);
        }
    }

private:
    // Tokens between runs of white space; a blank line is one empty token.
    bool blank(const char*& begin, const char*& stop)
    {
        while (p < end && isSpace(*p))
            ++p;
        if (p == end) {
            done = true;
            if (any)
                return false;
            begin = stop = p;
            return true;
        }
        any = true;
        begin = p;
        while (p < end && !isSpace(*p))
            ++p;
        stop = p;
        return true;
    }

    bool delimited(const char*& begin, const char*& stop)
    {
        const char tab = '\t';
        const char sep = format == LabelledTextFormat::Tsv ? tab : separator;
        const bool quotes = format == LabelledTextFormat::Csv;
        const char* from = p;
        bool quoted = false;
        bool anyQuote = false;
        while (p < end && (quoted || *p != sep)) {
            if (quotes && *p == '"') {
                anyQuote = true;
                quoted = !quoted;
            }
            ++p;
        }
        const char* to = p;
        if (p == end)
            done = true;
        else
            ++p;
        if (anyQuote) {
            // quotedSplit's own rules for the field, "" and all.
            const QList<QByteArray> one = quotedSplit(QByteArray(from, int(to - from)), sep);
            owned = one.value(0);
            begin = owned.constData();
            stop = begin + owned.size();
            return true;
        }
        while (from < to && isSpace(*from))
            ++from;
        while (to > from && isSpace(to[-1]))
            --to;
        begin = from;
        stop = to;
        return true;
    }

    const char* p;
    const char* end;
    LabelledTextFormat format;
    char separator;
    bool done = false;
    bool any = false;
    QByteArray owned;
};

// The most column labels a file may name, over all its scans: each costs a
// string, a few times the bytes it takes in the file.
constexpr int kMostLabels = 1 << 18;

QString tooManyLabels(const QString& path)
{
    return QStringLiteral("%1 names more than %2 columns").arg(path, QString::number(kMostLabels));
}

// The columns read, and the rows skipped on the way. Rows are kept as
// places in the file's bytes and taken apart when a name is read.
class TextColumns : public ColumnSource
{
public:
    TextColumns(const QByteArray& bytes, QString path, QString format, QStringList labels,
                Delimiter delimiter)
        : bytes(bytes), filePath(std::move(path)), format(std::move(format)),
          labels(std::move(labels)), delimiter(delimiter)
    {
    }

    QString path() const override { return filePath; }
    QString formatName() const override { return format; }
    QStringList names() const override { return labels; }
    qint64 line(int point) const override { return point < rows.size() ? rows[point].number : 0; }
    QStringList warnings() const override;

    // Values may be written "1,5" (a semicolon-separated file).
    bool decimalComma = false;

    void willRead(const QStringList& names) override
    {
        QVector<int> columns;
        for (const QString& name : names) {
            const int column = columnOf(name);
            if (column >= 0 && !columns.contains(column) && !taken.contains(column))
                columns.append(column);
        }
        if (columns.isEmpty() || !spend(qint64(columns.size()) * rows.size()))
            return;
        std::sort(columns.begin(), columns.end());
        QVector<QVector<double>> values(columns.size());
        for (QVector<double>& v : values)
            v.reserve(rows.size());
        for (const Line& row : rows) {
            FieldCursor fields(bytes.constData() + row.begin, bytes.constData() + row.end,
                               delimiter);
            const char* b = nullptr;
            const char* e = nullptr;
            int next = 0;
            for (int i = 0; next < columns.size() && fields.next(b, e); ++i) {
                if (i != columns[next])
                    continue;
                double v = 0.0;
                isValue(b, e, decimalComma, v);
                values[next++].append(v);
            }
        }
        for (int k = 0; k < columns.size(); ++k)
            taken.insert(columns[k], values[k]);
    }

    Lookup read(const QString& name, NamedArray& array, QString& error) override
    {
        const int count = int(labels.count(name));
        if (count == 0)
            return Lookup::Missing;
        if (count > 1) {
            error = QStringLiteral("%1 has %2 columns labelled '%3'; they cannot be told apart")
                        .arg(filePath, QString::number(count), name);
            return Lookup::Failed;
        }
        const int column = int(labels.indexOf(name));
        array = NamedArray{};
        array.points = int(rows.size());
        if (taken.contains(column)) {
            array.values = taken.take(column);
            return Lookup::Found;
        }
        if (!spend(rows.size())) {
            error = QStringLiteral("%1: %2").arg(
                filePath, overBudget(QStringLiteral("column '%1'").arg(name)));
            return Lookup::Failed;
        }
        array.values.reserve(array.points);
        for (const Line& row : rows) {
            FieldCursor fields(bytes.constData() + row.begin, bytes.constData() + row.end,
                               delimiter);
            const char* b = nullptr;
            const char* e = nullptr;
            for (int i = 0; fields.next(b, e) && i < column; ++i) {
            }
            double v = 0.0;
            isValue(b, e, decimalComma, v);
            array.values.append(v);
        }
        return Lookup::Found;
    }

    // Takes the line as a row when it has one value for each label and each
    // is a number; otherwise notes why it was skipped, showing the value up
    // to a NUL (a binary file's). False, with error,
    // once the file holds more rows than one file may give.
    bool addRow(const Line& line, QString& error)
    {
        const char* from = bytes.constData() + line.begin;
        const char* to = bytes.constData() + line.end;
        const int width = int(labels.size());
        qint64 count = 0;
        {
            FieldCursor fields(from, to, delimiter);
            for (const char *b, *e; fields.next(b, e);)
                ++count;
        }
        if (count != width) {
            skip(0, line.number,
                 QStringLiteral("%1 value%2 for %3 labels")
                     .arg(QString::number(count), count == 1 ? "" : "s", QString::number(width)));
            return true;
        }
        FieldCursor fields(from, to, delimiter);
        const char* b = nullptr;
        const char* e = nullptr;
        for (int i = 0; fields.next(b, e); ++i) {
            double v = 0.0;
            if (!isValue(b, e, decimalComma, v)) {
                skip(1, line.number,
                     QStringLiteral("value %1 (%2, \"%3\") is not a number")
                         .arg(QString::number(i + 1), labels[i],
                              QString::fromUtf8(b, int(qstrnlen(b, uint(std::min<qint64>(e - b, 40)))))));
                return true;
            }
        }
        if (rows.size() == maxFilePoints) {
            error = QStringLiteral("%1 holds more than %2 rows of values (line %3); a scan has "
                                   "some thousand")
                        .arg(filePath, QString::number(maxFilePoints),
                             QString::number(line.number));
            return false;
        }
        rows.append(line);
        return true;
    }

private:
    int columnOf(const QString& name) const
    {
        return labels.count(name) == 1 ? int(labels.indexOf(name)) : -1;
    }

    // The first row skipped for each reason, and how many more were.
    struct Skipped
    {
        qint64 line = 0;
        QString why;
        int more = 0;
    };

    void skip(int reason, qint64 lineNumber, const QString& why)
    {
        Skipped& s = skipped[reason];
        if (s.line == 0) {
            s.line = lineNumber;
            s.why = why;
        } else {
            ++s.more;
        }
    }

    QByteArray bytes;
    QString filePath;
    QString format;
    QStringList labels;
    Delimiter delimiter;
    QVector<Line> rows;
    // Columns taken apart ahead of their read.
    QHash<int, QVector<double>> taken;
    Skipped skipped[2];
};

QStringList TextColumns::warnings() const
{
    QStringList out;
    for (const Skipped& s : skipped) {
        if (s.line == 0)
            continue;
        QString text = QStringLiteral("%1, line %2: %3; row skipped")
                           .arg(filePath, QString::number(s.line), s.why);
        if (s.more > 0)
            text += QStringLiteral(" (and %1 more row%2 like it)")
                        .arg(QString::number(s.more), s.more == 1 ? "" : "s");
        out << text;
    }
    return out;
}

bool isComment(const QByteArray& line)
{
    for (char c : line)
        if (!isSpace(c))
            return c == '#';
    return false;
}

bool startsSpecScan(const QByteArray& line)
{
    return line.startsWith("#S ") || line.startsWith("#S\t");
}

// The head line that is neither blank nor a comment, from from on, or -1.
int firstContentLine(const QByteArray& bytes, const QVector<Line>& lines, int from = 0)
{
    for (int i = from; i < lines.size(); ++i) {
        const QByteArray t = view(bytes, lines[i]);
        if (!isBlank(t) && !isComment(t))
            return i;
    }
    return -1;
}

// XDAC's line of dashes: one before the first data row, followed by a line
// of labels. -1 when there is none.
int xdacDashes(const QByteArray& bytes, const QVector<Line>& lines)
{
    // The file's own first line says so; its free header may then hold
    // lines of numbers alone.
    const bool named = !lines.isEmpty() && view(bytes, lines[0]).startsWith("XDAC");
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray t = view(bytes, lines[i]);
        if (isDashes(t)) {
            const int labels = firstContentLine(bytes, lines, i + 1);
            if (labels >= 0 && !allNumbers(blankSplit(view(bytes, lines[labels]))))
                return i;
            return -1;
        }
        if (!named && !isBlank(t) && allNumbers(blankSplit(t)))
            return -1;
    }
    return -1;
}

// The first delimiter under which the first content line holds labels and
// the next one as many numbers: tabs, commas, semicolons, then blanks (a
// table aligned with several tabs reads as blank-separated). Prose is no
// table.
Delimiter delimiter(const QByteArray& bytes, const QVector<Line>& lines)
{
    const int first = firstContentLine(bytes, lines);
    const int next = first < 0 ? -1 : firstContentLine(bytes, lines, first + 1);
    if (next < 0)
        return {};
    const QByteArray head = view(bytes, lines[first]);
    QVector<Delimiter> candidates;
    if (head.contains('\t'))
        candidates.append({LabelledTextFormat::Tsv, '\t'});
    if (head.contains(','))
        candidates.append({LabelledTextFormat::Csv, ','});
    if (head.contains(';'))
        candidates.append({LabelledTextFormat::Csv, ';'});
    candidates.append({LabelledTextFormat::Blank, ' '});
    for (const Delimiter& d : candidates) {
        const QList<QByteArray> labels = splitFields(head, d.format, d.separator);
        const QList<QByteArray> row =
            splitFields(view(bytes, lines[next]), d.format, d.separator);
        if (!allNumbers(labels) && row.size() == labels.size() &&
            allNumbers(row, d.separator == ';'))
            return d;
    }
    return {};
}

LabelledTextFormat detect(const QByteArray& bytes, const QVector<Line>& lines)
{
    for (const Line& l : lines) {
        const QByteArray t = view(bytes, l);
        if (isBlank(t))
            continue;
        if (t.trimmed().startsWith("# XDI/"))
            return LabelledTextFormat::Xdi;
        break;
    }
    for (const Line& l : lines)
        if (startsSpecScan(view(bytes, l)))
            return LabelledTextFormat::Spec;
    if (xdacDashes(bytes, lines) >= 0)
        return LabelledTextFormat::Xdac;
    return delimiter(bytes, lines).format;
}

// Rows from the line at from (numbered number) to the end: every line that
// is neither blank nor a comment.
bool addRows(TextColumns& source, const QByteArray& bytes, int from, qint64 number,
             QString& error)
{
    LineCursor cursor(bytes, from, number);
    for (Line line; cursor.next(line);) {
        const QByteArray t = view(bytes, line);
        if (!isBlank(t) && !isComment(t) && !source.addRow(line, error))
            return false;
    }
    return true;
}

// The reading of a source whose rows are all added, or its error.
LabelledTextReading withRows(std::unique_ptr<TextColumns> source, bool rowsAdded,
                             const QString& error)
{
    LabelledTextReading r;
    if (rowsAdded)
        r.source = std::move(source);
    else
        r.error = error;
    return r;
}

constexpr int kMostXdiColumns = 100000;

LabelledTextReading readXdi(const QByteArray& bytes, const QString& path)
{
    LabelledTextReading r;
    static const QRegularExpression column(QStringLiteral("^#\\s*Column\\.(\\d+)\\s*:\\s*(\\S+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression endOfHeader(QStringLiteral("^#\\s*-{3,}"));
    QMap<int, QString> byIndex;
    Line body;
    bool bodyFound = false;
    QStringList lastComment;
    LineCursor cursor(bytes, firstByte(bytes), 1);
    for (Line line; cursor.next(line);) {
        const QByteArray t = view(bytes, line);
        // Only a comment can hold a header line, or end the header.
        if (!isComment(t)) {
            if (bodyFound)
                break;
            continue;
        }
        const QString text = QString::fromUtf8(t).trimmed();
        if (!bodyFound) {
            const QRegularExpressionMatch m = column.match(text);
            if (m.hasMatch()) {
                const int n = m.captured(1).toInt();
                // A bound on what a header line can make us allocate.
                if (n >= 1 && n <= kMostXdiColumns)
                    byIndex[n] = m.captured(2);
            } else if (endOfHeader.match(text).hasMatch()) {
                body = line;
                bodyFound = true;
            }
        } else {
            // The comment just above the data may name the columns too.
            lastComment = text.mid(1).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (lastComment.size() > kMostLabels) {
                r.error = tooManyLabels(path);
                return r;
            }
        }
    }
    QStringList labels;
    if (!byIndex.isEmpty()) {
        const int n = byIndex.lastKey();
        for (int i = 1; i <= n; ++i)
            labels << byIndex.value(i, QStringLiteral("Column.%1").arg(i));
    } else {
        labels = lastComment;
    }
    if (labels.isEmpty()) {
        r.error = QStringLiteral("%1: no \"# Column.N:\" line names a column").arg(path);
        return r;
    }
    auto source = std::make_unique<TextColumns>(bytes, path, QStringLiteral("XDI"), labels,
                                                Delimiter{});
    QString error;
    const bool added = bodyFound ? addRows(*source, bytes, body.next, body.number + 1, error)
                                 : addRows(*source, bytes, firstByte(bytes), 1, error);
    return withRows(std::move(source), added, error);
}

LabelledTextReading readXdac(const QByteArray& bytes, const QVector<Line>& head,
                             const QString& path)
{
    const Line labelLine = head[firstContentLine(bytes, head, xdacDashes(bytes, head) + 1)];
    const QStringList labels = toStrings(blankSplit(view(bytes, labelLine)));
    if (labels.size() > kMostLabels)
        return withRows(nullptr, false, tooManyLabels(path));
    auto source =
        std::make_unique<TextColumns>(bytes, path, QStringLiteral("XDAC"), labels, Delimiter{});
    QString error;
    const bool added = addRows(*source, bytes, labelLine.next, labelLine.number + 1, error);
    return withRows(std::move(source), added, error);
}

LabelledTextReading readDelimited(const QByteArray& bytes, const QVector<Line>& head,
                                  const QString& path, LabelledTextFormat format)
{
    const Delimiter d = delimiter(bytes, head);
    const Line labelLine = head[firstContentLine(bytes, head)];
    const QStringList labels = toStrings(splitFields(view(bytes, labelLine), d.format, d.separator));
    if (labels.size() > kMostLabels)
        return withRows(nullptr, false, tooManyLabels(path));
    auto source =
        std::make_unique<TextColumns>(bytes, path, labelledTextFormatName(format), labels, d);
    source->decimalComma = d.separator == ';';
    QString error;
    const bool added = addRows(*source, bytes, labelLine.next, labelLine.number + 1, error);
    return withRows(std::move(source), added, error);
}

// SPEC separates labels by two spaces (or a tab), so that one may hold a
// single space ("Two Theta").
QStringList specLabels(const QByteArray& line)
{
    static const QRegularExpression separator(QStringLiteral("\\s{2,}|\\t"));
    return QString::fromUtf8(line.mid(2)).trimmed().split(separator, Qt::SkipEmptyParts);
}

// The most scans a SPEC file's list may hold: each costs its labels.
constexpr int kMostSpecScans = 100000;

// How SPEC's lines are walked: MCA blocks (a line starting with "@" and the
// lines it continues with a "\" at its end) are passed over.
class SpecLines
{
public:
    // False for a line inside an MCA block.
    bool take(const QByteArray& t)
    {
        const bool wasContinued = continued;
        continued = t.trimmed().endsWith('\\') && (wasContinued || t.startsWith('@'));
        return !wasContinued && !t.startsWith('@');
    }

private:
    bool continued = false;
};

LabelledTextReading readSpec(const QByteArray& bytes, const QString& path, const QString& scan)
{
    LabelledTextReading r;
    // Each scan's last "#L" line, found in one pass that lists the scans and
    // counts the data lines after it; the chosen scan's rows are taken in a
    // second pass from there.
    QVector<Line> labelLines;
    QHash<QString, int> uses;
    int labelsKept = 0;
    SpecLines walk;
    LineCursor cursor(bytes, firstByte(bytes), 1);
    for (Line line; cursor.next(line);) {
        const QByteArray t = view(bytes, line);
        if (!walk.take(t))
            continue;
        if (startsSpecScan(t)) {
            if (r.scans.size() == kMostSpecScans) {
                r.error = QStringLiteral("%1 holds more than %2 scans")
                              .arg(path, QString::number(kMostSpecScans));
                r.scans.clear();
                return r;
            }
            static const QRegularExpression blanks(QStringLiteral("\\s+"));
            const QStringList parts = QString::fromUtf8(t.mid(3)).trimmed().split(blanks);
            QString number = parts.value(0);
            const int use = ++uses[number];
            if (use > 1)
                number += QStringLiteral(".%1").arg(use);
            SpecScan s;
            s.number = number;
            s.command = QStringList(parts.mid(1)).join(QLatin1Char(' '));
            s.line = line.number;
            r.scans.append(s);
            labelLines.append(Line{});
        } else if (!r.scans.isEmpty() && t.startsWith("#L")) {
            SpecScan& s = r.scans.last();
            labelsKept -= s.labels.size();
            s.labels = specLabels(t);
            s.rows = 0;
            labelsKept += s.labels.size();
            if (labelsKept > kMostLabels) {
                r.error = tooManyLabels(path);
                r.scans.clear();
                return r;
            }
            labelLines.last() = line;
        } else if (!r.scans.isEmpty() && labelLines.last().number > 0 && !isBlank(t) &&
                   !isComment(t)) {
            ++r.scans.last().rows;
        }
    }

    // A "#S" line can stand inside an MCA block, which is no scan.
    if (r.scans.isEmpty()) {
        r.error = QStringLiteral("%1 holds no scan").arg(path);
        return r;
    }
    int chosen = -1;
    if (scan.isEmpty()) {
        if (r.scans.size() > 1) {
            r.scanNeeded = true;
            r.error = QStringLiteral("%1 holds %2 scans; choose one with --scan")
                          .arg(path, QString::number(r.scans.size()));
            return r;
        }
        chosen = 0;
    } else {
        for (int i = 0; i < r.scans.size(); ++i)
            if (r.scans[i].number == scan ||
                (scan.endsWith(QLatin1String(".1")) && r.scans[i].number == scan.chopped(2)))
                chosen = i;
        if (chosen < 0) {
            QStringList numbers;
            for (const SpecScan& s : qAsConst(r.scans))
                numbers << s.number;
            r.scanMissing = true;
            r.error = QStringLiteral("no scan %1 in %2; it has: %3")
                          .arg(scan, path, numbers.join(QStringLiteral(", ")));
            return r;
        }
    }
    const Line labelLine = labelLines[chosen];
    if (labelLine.number == 0) {
        r.error = QStringLiteral("%1, scan %2 (line %3): no #L line names its columns")
                      .arg(path, r.scans[chosen].number, QString::number(r.scans[chosen].line));
        return r;
    }
    auto source = std::make_unique<TextColumns>(bytes, path, QStringLiteral("SPEC"),
                                                r.scans[chosen].labels, Delimiter{});
    // The "#L" line is no MCA block line, so the walk starts after it
    // outside one; the next scan ends the rows.
    SpecLines rows;
    LineCursor data(bytes, labelLine.next, labelLine.number + 1);
    for (Line line; data.next(line);) {
        const QByteArray t = view(bytes, line);
        if (!rows.take(t))
            continue;
        if (startsSpecScan(t))
            break;
        if (!isBlank(t) && !isComment(t) && !source->addRow(line, r.error))
            return r;
    }
    r.source = std::move(source);
    return r;
}

} // namespace

QString labelledTextFormatName(LabelledTextFormat format)
{
    switch (format) {
    case LabelledTextFormat::None:
        return QString();
    case LabelledTextFormat::Spec:
        return QStringLiteral("SPEC");
    case LabelledTextFormat::Xdi:
        return QStringLiteral("XDI");
    case LabelledTextFormat::Xdac:
        return QStringLiteral("XDAC");
    case LabelledTextFormat::Csv:
        return QStringLiteral("CSV");
    case LabelledTextFormat::Tsv:
        return QStringLiteral("TSV");
    case LabelledTextFormat::Blank:
        return QStringLiteral("blank-separated text");
    }
    return QString();
}

LabelledTextFormat detectLabelledText(const QByteArray& bytes)
{
    return detect(bytes, headLines(bytes));
}

LabelledTextReading readLabelledText(const QByteArray& bytes, const QString& path,
                                     const QString& scan)
{
    const QVector<Line> head = headLines(bytes);
    const LabelledTextFormat format = detect(bytes, head);
    switch (format) {
    case LabelledTextFormat::None:
        break;
    case LabelledTextFormat::Spec:
        return readSpec(bytes, path, scan);
    case LabelledTextFormat::Xdi:
        return readXdi(bytes, path);
    case LabelledTextFormat::Xdac:
        return readXdac(bytes, head, path);
    case LabelledTextFormat::Csv:
    case LabelledTextFormat::Tsv:
    case LabelledTextFormat::Blank:
        return readDelimited(bytes, head, path, format);
    }
    LabelledTextReading r;
    r.error = QStringLiteral("%1 has no line of column labels (SPEC, XDI, XDAC, CSV or "
                             "blank-separated with a label line first)")
                  .arg(path);
    return r;
}
