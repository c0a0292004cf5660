#include "input/labelledtext.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace {

struct Line
{
    QByteArray text; // without the line end
    qint64 number;   // from 1
};

// Lines end at LF, CRLF or a lone CR (files from old acquisition PCs).
QVector<Line> splitLines(const QByteArray& bytes)
{
    QVector<Line> lines;
    qint64 number = 1;
    // Spreadsheets start their exports with a byte order mark.
    int start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const int n = bytes.size();
    for (int i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r')
            continue;
        lines.append({bytes.mid(start, i - start), number++});
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append({bytes.mid(start), number});
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

bool isBlank(const QByteArray& line)
{
    return line.trimmed().isEmpty();
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

// The columns read, and the rows skipped on the way.
class TextColumns : public ColumnSource
{
public:
    TextColumns(QString path, QString format, QStringList labels)
        : filePath(std::move(path)), format(std::move(format)), labels(std::move(labels))
    {
    }

    QString path() const override { return filePath; }
    QString formatName() const override { return format; }
    QStringList names() const override { return labels; }
    qint64 line(int point) const override { return lines.value(point); }

    // Values may be written "1,5" (a semicolon-separated file).
    bool decimalComma = false;
    QStringList warnings() const override;

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
        const int width = int(labels.size());
        array = NamedArray{};
        array.points = int(lines.size());
        array.values.reserve(array.points);
        for (int k = 0; k < array.points; ++k)
            array.values.append(values[k * width + column]);
        return Lookup::Found;
    }

    // Takes tokens as a row when there is one for each label and each is a
    // number; otherwise notes why it was skipped.
    void addRow(const QList<QByteArray>& tokens, qint64 lineNumber)
    {
        const int width = int(labels.size());
        if (tokens.size() != width) {
            skip(0, lineNumber,
                 QStringLiteral("%1 value%2 for %3 labels")
                     .arg(tokens.size())
                     .arg(tokens.size() == 1 ? "" : "s")
                     .arg(width));
            return;
        }
        const int start = int(values.size());
        for (int i = 0; i < width; ++i) {
            double v = 0.0;
            if (!isValue(tokens[i], decimalComma, &v)) {
                values.resize(start);
                skip(1, lineNumber,
                     QStringLiteral("value %1 (%2, \"%3\") is not a number")
                         .arg(i + 1)
                         .arg(labels[i], QString::fromUtf8(tokens[i].left(40))));
                return;
            }
            values.append(v);
        }
        lines.append(lineNumber);
    }

private:
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

    QString filePath;
    QString format;
    QStringList labels;
    QVector<double> values;
    QVector<qint64> lines;
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
            text += QStringLiteral(" (and %1 more row%2 like it)").arg(s.more).arg(s.more == 1 ? "" : "s");
        out << text;
    }
    return out;
}

bool isComment(const QByteArray& line)
{
    return line.trimmed().startsWith('#');
}

bool startsSpecScan(const QByteArray& line)
{
    return line.startsWith("#S ") || line.startsWith("#S\t");
}

// The first line that is neither blank nor a comment, or -1.
int firstContentLine(const QVector<Line>& lines, int from = 0)
{
    for (int i = from; i < lines.size(); ++i)
        if (!isBlank(lines[i].text) && !isComment(lines[i].text))
            return i;
    return -1;
}

// XDAC's line of dashes: one before the first data row, followed by a line
// of labels. -1 when there is none.
int xdacDashes(const QVector<Line>& lines)
{
    // The file's own first line says so; its free header may then hold
    // lines of numbers alone.
    const bool named = !lines.isEmpty() && lines[0].text.startsWith("XDAC");
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& t = lines[i].text;
        if (isDashes(t)) {
            const int labels = firstContentLine(lines, i + 1);
            if (labels >= 0 && !allNumbers(blankSplit(lines[labels].text)))
                return i;
            return -1;
        }
        if (!named && !isBlank(t) && allNumbers(blankSplit(t)))
            return -1;
    }
    return -1;
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

// The first delimiter under which the first content line holds labels and
// the next one as many numbers: tabs, commas, semicolons, then blanks (a
// table aligned with several tabs reads as blank-separated). Prose is no
// table.
Delimiter delimiter(const QVector<Line>& lines)
{
    const int first = firstContentLine(lines);
    const int next = first < 0 ? -1 : firstContentLine(lines, first + 1);
    if (next < 0)
        return {};
    const QByteArray& head = lines[first].text;
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
        const QList<QByteArray> row = splitFields(lines[next].text, d.format, d.separator);
        if (!allNumbers(labels) && row.size() == labels.size() &&
            allNumbers(row, d.separator == ';'))
            return d;
    }
    return {};
}

LabelledTextFormat detect(const QVector<Line>& lines)
{
    for (const Line& l : lines) {
        if (isBlank(l.text))
            continue;
        if (l.text.trimmed().startsWith("# XDI/"))
            return LabelledTextFormat::Xdi;
        break;
    }
    for (const Line& l : lines)
        if (startsSpecScan(l.text))
            return LabelledTextFormat::Spec;
    if (xdacDashes(lines) >= 0)
        return LabelledTextFormat::Xdac;
    return delimiter(lines).format;
}

constexpr int kMostXdiColumns = 100000;

LabelledTextReading readXdi(const QVector<Line>& lines, const QString& path)
{
    LabelledTextReading r;
    static const QRegularExpression column(QStringLiteral("^#\\s*Column\\.(\\d+)\\s*:\\s*(\\S+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression endOfHeader(QStringLiteral("^#\\s*-{3,}"));
    QMap<int, QString> byIndex;
    int body = -1;
    QStringList lastComment;
    for (int i = 0; i < lines.size(); ++i) {
        const QString text = QString::fromUtf8(lines[i].text).trimmed();
        if (body < 0) {
            const QRegularExpressionMatch m = column.match(text);
            if (m.hasMatch()) {
                const int n = m.captured(1).toInt();
                // A bound on what a header line can make us allocate.
                if (n >= 1 && n <= kMostXdiColumns)
                    byIndex[n] = m.captured(2);
            } else if (endOfHeader.match(text).hasMatch()) {
                body = i + 1;
            }
        } else if (text.startsWith(QLatin1Char('#'))) {
            // The comment just above the data may name the columns too.
            lastComment = text.mid(1).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        } else {
            break;
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
    auto source = std::make_unique<TextColumns>(path, QStringLiteral("XDI"), labels);
    for (int i = std::max(body, 0); i < lines.size(); ++i)
        if (!isBlank(lines[i].text) && !isComment(lines[i].text))
            source->addRow(blankSplit(lines[i].text), lines[i].number);
    r.source = std::move(source);
    return r;
}

LabelledTextReading readXdac(const QVector<Line>& lines, const QString& path)
{
    LabelledTextReading r;
    const int labelLine = firstContentLine(lines, xdacDashes(lines) + 1);
    auto source = std::make_unique<TextColumns>(path, QStringLiteral("XDAC"),
                                                toStrings(blankSplit(lines[labelLine].text)));
    for (int i = labelLine + 1; i < lines.size(); ++i)
        if (!isBlank(lines[i].text) && !isComment(lines[i].text))
            source->addRow(blankSplit(lines[i].text), lines[i].number);
    r.source = std::move(source);
    return r;
}

LabelledTextReading readDelimited(const QVector<Line>& lines, const QString& path,
                                  LabelledTextFormat format)
{
    LabelledTextReading r;
    const Delimiter d = delimiter(lines);
    const int labelLine = firstContentLine(lines);
    auto source = std::make_unique<TextColumns>(
        path, labelledTextFormatName(format),
        toStrings(splitFields(lines[labelLine].text, d.format, d.separator)));
    source->decimalComma = d.separator == ';';
    for (int i = labelLine + 1; i < lines.size(); ++i)
        if (!isBlank(lines[i].text) && !isComment(lines[i].text))
            source->addRow(splitFields(lines[i].text, d.format, d.separator), lines[i].number);
    r.source = std::move(source);
    return r;
}

// SPEC separates labels by two spaces (or a tab), so that one may hold a
// single space ("Two Theta").
QStringList specLabels(const QByteArray& line)
{
    static const QRegularExpression separator(QStringLiteral("\\s{2,}|\\t"));
    return QString::fromUtf8(line.mid(2)).trimmed().split(separator, Qt::SkipEmptyParts);
}

LabelledTextReading readSpec(const QVector<Line>& lines, const QString& path, const QString& scan)
{
    LabelledTextReading r;
    // Each scan's "#L" line and the data lines after it, found in one pass
    // that also passes over MCA blocks.
    struct Found
    {
        int labels = -1;
        QVector<int> rows;
    };
    QVector<Found> found;
    QHash<QString, int> uses;
    bool continued = false; // inside an MCA block whose lines end in "\"
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& t = lines[i].text;
        const bool wasContinued = continued;
        continued = t.trimmed().endsWith('\\') && (wasContinued || t.startsWith('@'));
        if (wasContinued || t.startsWith('@'))
            continue;
        if (startsSpecScan(t)) {
            static const QRegularExpression blanks(QStringLiteral("\\s+"));
            const QStringList parts = QString::fromUtf8(t.mid(3)).trimmed().split(blanks);
            QString number = parts.value(0);
            const int use = ++uses[number];
            if (use > 1)
                number += QStringLiteral(".%1").arg(use);
            SpecScan s;
            s.number = number;
            s.command = QStringList(parts.mid(1)).join(QLatin1Char(' '));
            s.line = lines[i].number;
            r.scans.append(s);
            found.append(Found{});
        } else if (!found.isEmpty() && t.startsWith("#L")) {
            found.last() = Found{i, {}};
        } else if (!found.isEmpty() && found.last().labels >= 0 && !isBlank(t) && !isComment(t)) {
            found.last().rows.append(i);
        }
    }
    for (int k = 0; k < found.size(); ++k) {
        r.scans[k].rows = found[k].rows.size();
        if (found[k].labels >= 0)
            r.scans[k].labels = specLabels(lines[found[k].labels].text);
    }

    // A "#S" line can stand inside an MCA block, which is no scan.
    if (found.isEmpty()) {
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
    const Found& f = found[chosen];
    if (f.labels < 0) {
        r.error = QStringLiteral("%1, scan %2 (line %3): no #L line names its columns")
                      .arg(path, r.scans[chosen].number, QString::number(r.scans[chosen].line));
        return r;
    }
    auto source =
        std::make_unique<TextColumns>(path, QStringLiteral("SPEC"), r.scans[chosen].labels);
    for (int i : f.rows)
        source->addRow(blankSplit(lines[i].text), lines[i].number);
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
    return detect(splitLines(bytes));
}

LabelledTextReading readLabelledText(const QByteArray& bytes, const QString& path,
                                     const QString& scan)
{
    const QVector<Line> lines = splitLines(bytes);
    const LabelledTextFormat format = detect(lines);
    switch (format) {
    case LabelledTextFormat::None:
        break;
    case LabelledTextFormat::Spec:
        return readSpec(lines, path, scan);
    case LabelledTextFormat::Xdi:
        return readXdi(lines, path);
    case LabelledTextFormat::Xdac:
        return readXdac(lines, path);
    case LabelledTextFormat::Csv:
    case LabelledTextFormat::Tsv:
    case LabelledTextFormat::Blank:
        return readDelimited(lines, path, format);
    }
    LabelledTextReading r;
    r.error = QStringLiteral("%1 has no line of column labels (SPEC, XDI, XDAC, CSV or "
                             "blank-separated with a label line first)")
                  .arg(path);
    return r;
}
