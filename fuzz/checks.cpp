#include "checks.h"

#include "analysis/deadtimefit.h"
#include "analysis/resultsexport.h"
#include "input/channellimit.h"
#include "input/columnmapping.h"
#include "input/labelledtext.h"
#include "input/counttable.h"
#include "input/mcareading.h"
#include "input/measurementfile.h"
#include "input/pointextent.h"

#include <QBuffer>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QVector>

#include <cmath>
#include <functional>
#include <limits>

namespace veskor::fuzz {

namespace {

struct Point
{
    double i0 = 0.0;
    QVector<double> icrs;
    QVector<double> scas;
};

// What a headless tool keeps of a point set: the members addToExtent needs.
struct Extent
{
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;
};

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool same(const QVector<double>& a, const QVector<double>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i]))
            return false;
    return true;
}

bool same(const QVector<Point>& a, const QVector<Point>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (!same(a[i].i0, b[i].i0) || !same(a[i].icrs, b[i].icrs) || !same(a[i].scas, b[i].scas))
            return false;
    return true;
}

// A number as the files write it, read back: the six significant digits of
// "%g", or "nan", "inf", "-inf".
bool parseNumber(const QByteArray& text, double& value)
{
    if (text == "nan") {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (text == "inf" || text == "-inf") {
        value = text == "inf" ? std::numeric_limits<double>::infinity()
                              : -std::numeric_limits<double>::infinity();
        return true;
    }
    if (text.isEmpty() || text.contains(' '))
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    return ok;
}

// The written text stands for value to six significant digits.
bool faithful(const QByteArray& text, double value)
{
    double read = 0.0;
    if (!parseNumber(text, read))
        return false;
    if (std::isnan(value) || std::isinf(value))
        return same(read, value);
    // Relative to six digits, absolute near the subnormals.
    return std::abs(read - value) <= 1e-5 * std::abs(value) + 1e-300;
}

// Checks that line is label followed by one separator-number pair per value.
QString checkNumbers(const QByteArray& line, const QByteArray& label, const QByteArray& separator,
                     const QVector<double>& values)
{
    if (!line.startsWith(label))
        return "line does not start with \"" + QString::fromLatin1(label) + "\"";
    QByteArray rest = line.mid(label.size());
    for (int i = 0; i < values.size(); ++i) {
        if (!rest.startsWith(separator))
            return "value " + QString::number(i) + " of \"" + QString::fromLatin1(label) +
                   "\" missing";
        rest = rest.mid(separator.size());
        const int end = rest.indexOf(' ');
        const QByteArray number = end < 0 ? rest : rest.left(end);
        if (!faithful(number, values[i]))
            return "value " + QString::number(i) + " of \"" + QString::fromLatin1(label) +
                   "\" is " + QString::fromLatin1(number) + ", not " +
                   QString::number(values[i], 'g', 17);
        rest = end < 0 ? QByteArray() : rest.mid(end);
    }
    if (!rest.isEmpty())
        return "extra text after \"" + QString::fromLatin1(label) + "\"";
    return QString();
}

// Splits text into lines ended by eol; false when it does not end with one.
bool splitLines(const QByteArray& text, const QByteArray& eol, QList<QByteArray>& lines)
{
    if (!text.endsWith(eol))
        return false;
    lines.clear();
    int from = 0;
    while (from < text.size()) {
        const int at = text.indexOf(eol, from);
        lines << text.mid(from, at - from);
        from = at + eol.size();
    }
    return true;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString checkResultsFile(const QByteArray& text, const DeadTimeFit& fit)
{
    QList<QByteArray> lines;
    if (!splitLines(text, "\r\n", lines) || lines.size() != 3)
        return "results file is not three CR LF lines";
    for (const QByteArray& line : qAsConst(lines))
        if (line.contains('\r') || line.contains('\n'))
            return "results file has a stray line end";
    if (lines[0] != "# Deadtime data")
        return "results file header is wrong";
    QString error = checkNumbers(lines[1], "Preamp:", " ", fit.tau0s);
    if (error.isEmpty())
        error = checkNumbers(lines[2], "Amp:", " ", fit.taus);
    return error;
}

QVector<double> scaled(const QVector<double>& values, int columns)
{
    QVector<double> out;
    for (int i = 0; i < columns; ++i)
        out << (i < values.size() ? values[i] * 1000000.0 : 0.0);
    return out;
}

double mean(const QVector<double>& values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum / values.size();
}

QString checkConfFile(const QByteArray& text, const DeadTimeFit& fit)
{
    QList<QByteArray> lines;
    if (text.contains('\r') || !splitLines(text, "\n", lines) || lines.size() != 3)
        return "configuration file is not three LF lines";
    const double tauMean = mean(fit.taus) * 1000000.0;
    const QVector<double> means{
        mean(fit.tau0s) * 1000000.0, tauMean, tauMean, tauMean, tauMean, tauMean, tauMean};
    QByteArray first = lines[0];
    if (!first.startsWith("          ") || first.startsWith("           "))
        return "configuration file's first line does not start with ten spaces";
    first.remove(0, 10);
    QString error = checkNumbers(" " + first, "", " ", means);
    if (error.isEmpty())
        error = checkNumbers(lines[1], "ICR0    ", "  ", scaled(fit.tau0s, 19));
    if (error.isEmpty())
        error = checkNumbers(lines[2], "S025    ", "  ", scaled(fit.taus, 19));
    return error;
}

QVector<Point> load(const std::function<void(const PointSink&)>& loader)
{
    QVector<Point> points;
    loader([&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
        points.append({i0, icrs, scas});
    });
    return points;
}

} // namespace

QString checkMcaReader(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    McaReading r;
    readMcaDevice(r, buffer);

    const int n = r.icrs.size();
    if (r.scas.size() != n || r.windowLow.size() != n || r.windowHigh.size() != n)
        return "channel vectors of different lengths";
    if (r.ok != (r.i0 > 0.0 && n > 0))
        return "ok does not tell I0 > 0 with a channel";
    for (int k = 0; k < n; ++k)
        for (double bound : {r.windowLow[k], r.windowHigh[k]})
            if (bound != std::trunc(bound) || std::abs(bound) > std::numeric_limits<int>::max())
                return "window bound is not a whole number";
    // A channel line is at least "# MCA Ch Info : " and eight tokens.
    if (qint64(n) * 31 > bytes.size())
        return "more channels than the input can declare";
    if (!buffer.atEnd() || buffer.isTextModeEnabled())
        return "device not read to its end or left in text mode";
    return QString();
}

QString checkCountTableReader(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    qint64 values = 0;
    readCountTableDevice(buffer,
                         [&](double, const QVector<double>& icrs, const QVector<double>& scas) {
                             if (icrs.isEmpty() || icrs.size() != scas.size())
                                 error = "row of unequal or no channels";
                             values += icrs.size() + scas.size();
                         });
    if (!error.isEmpty())
        return error;
    // A row of t channels is a line of 2t + 1 tokens, at least 2t characters.
    if (values > bytes.size())
        return "more values than the input holds";
    if (!buffer.atEnd() || buffer.isTextModeEnabled())
        return "device not read to its end or left in text mode";
    return QString();
}

QString checkLoadFitSave(const QByteArray& bytes)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        return "no temporary directory";
    const QString inputPath = dir.filePath("input");
    {
        QFile input(inputPath);
        if (!input.open(QIODevice::WriteOnly) || input.write(bytes) != bytes.size())
            return "cannot write the input file";
    }

    const QVector<Point> points =
        load([&](const PointSink& sink) { loadMeasurementBytes(bytes, sink); });
    // The window reads files, headless tools may hold bytes: the same points.
    if (!same(load([&](const PointSink& sink) { loadMeasurementFile(inputPath, sink); }), points))
        return "file and bytes load differently";

    Extent set;
    int fewest = std::numeric_limits<int>::max();
    QVector<PointView> views;
    for (const Point& p : points) {
        if (p.icrs.isEmpty() || p.icrs.size() != p.scas.size() || p.icrs.size() > maxPointChannels)
            return "point of unequal, no or too many channels";
        addToExtent(set, views.isEmpty(), pointExtent(p.i0, p.icrs, p.scas));
        fewest = qMin(fewest, p.icrs.size());
        views.append(PointView{p.i0, &p.icrs, &p.scas});
    }
    if (views.isEmpty())
        return QString();
    if (set.nChannels != fewest || !set.i0Range.valid || !set.icrRange.valid || !set.scaRange.valid)
        return "set extent is wrong";
    // The window fits and lets a save happen from two points on.
    if (views.size() < 2)
        return QString();

    const DeadTimeFit fit = fitDeadTimeConstants(views, set.nChannels);
    if (fit.tau0s.size() != set.nChannels || fit.taus.size() != set.nChannels ||
        fit.i0NinFits.size() != set.nChannels || fit.ninNoutFits.size() != set.nChannels)
        return "fit does not cover every channel";
    for (int ch = 0; ch < set.nChannels; ++ch)
        if (fit.i0NinFits[ch].size() != 2 || fit.ninNoutFits[ch].size() != 2)
            return "fit coefficients are not pairs";

    const QString out = dir.filePath("out.dat");
    const SaveOutcome saved = writeResultFiles(out, fit.tau0s, fit.taus);
    if (!saved.resultsWritten || !saved.confWritten)
        return "save failed";
    QString error = checkResultsFile(readFile(out), fit);
    if (error.isEmpty())
        error = checkConfFile(readFile(confFileName(out)), fit);
    return error;
}

QString checkLabelledText(const QByteArray& bytes)
{
    const LabelledTextFormat format = detectLabelledText(bytes);
    LabelledTextReading reading = readLabelledText(bytes, QStringLiteral("fuzz"), QString());
    if (reading.scanNeeded) {
        if (reading.scans.size() < 2)
            return QStringLiteral("a scan asked for with %1 scans").arg(reading.scans.size());
        reading = readLabelledText(bytes, QStringLiteral("fuzz"), reading.scans.last().number);
    }
    if (format == LabelledTextFormat::None)
        return reading.source ? QStringLiteral("an unrecognised file was read") : QString();
    if (!reading.source)
        return reading.error.isEmpty() ? QStringLiteral("refused without a reason") : QString();
    ColumnSource& source = *reading.source;
    if (source.formatName() != labelledTextFormatName(format) &&
        !(format == LabelledTextFormat::Spec && source.formatName() == QLatin1String("SPEC")))
        return QStringLiteral("read as %1, recognised as %2")
            .arg(source.formatName(), labelledTextFormatName(format));

    // Reading every name costs a pass over the labels each; a few suffice.
    const QStringList names = source.names();
    const qint64 lineCount = bytes.count('\n') + bytes.count('\r') + 1;
    int rows = -1;
    for (const QString& name : names.mid(0, 24)) {
        NamedArray array;
        QString error;
        switch (source.read(name, array, error)) {
        case ColumnSource::Lookup::Missing:
            return QStringLiteral("listed name '%1' is missing").arg(name);
        case ColumnSource::Lookup::Failed:
            if (error.isEmpty() || names.count(name) < 2)
                return QStringLiteral("'%1' refused: %2").arg(name, error);
            continue;
        case ColumnSource::Lookup::Found:
            break;
        }
        if (array.values.size() != array.points || array.columns != 1 || array.scalar)
            return QStringLiteral("'%1' is not one column").arg(name);
        if (rows >= 0 && array.points != rows)
            return QStringLiteral("columns of %1 and %2 rows").arg(rows).arg(array.points);
        rows = array.points;
    }
    if (rows > 0) {
        if (qint64(rows) * names.size() > bytes.size())
            return QStringLiteral("%1 values from %2 bytes").arg(rows * names.size()).arg(bytes.size());
        qint64 previous = 0;
        for (int k = 0; k < rows; ++k) {
            if (source.line(k) <= previous || source.line(k) > lineCount)
                return QStringLiteral("row %1 on line %2").arg(k).arg(source.line(k));
            previous = source.line(k);
        }
    }

    // The first labels as I0, ICR, SCA and time; a label ending in 1 as a
    // channel pattern.
    if (names.size() < 3)
        return QString();
    QString icr = names[1];
    if (icr.endsWith(QLatin1Char('1')))
        icr = icr.chopped(1) + QStringLiteral("{n}");
    const ColumnMapping mapping{names[0], icr, names[2], names.value(3)};
    if (!mapping.problem().isEmpty())
        return QString();
    MappedScan scan;
    QString error;
    if (!mapColumns(source, mapping, scan, error))
        return error.isEmpty() ? QStringLiteral("mapping refused without a reason") : QString();
    if (scan.channels < 1 || scan.points.size() > std::max(rows, 0))
        return QStringLiteral("%1 points of %2 channels from %3 rows")
            .arg(scan.points.size())
            .arg(scan.channels)
            .arg(rows);
    for (const MappedPoint& p : qAsConst(scan.points))
        if (p.icrs.size() != scan.channels || p.scas.size() != scan.channels || !(p.time > 0.0))
            return QStringLiteral("point %1 of %2/%3 channels, time %4")
                .arg(p.index)
                .arg(p.icrs.size())
                .arg(p.scas.size())
                .arg(p.time);
    return QString();
}

} // namespace veskor::fuzz
