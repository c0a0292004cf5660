#include "checks.h"

#include "analysis/deadtimefit.h"
#include "analysis/resultsexport.h"
#include "input/channellimit.h"
#include "input/columnmapping.h"
#include "input/labelledtext.h"
#include "input/counttable.h"
#include "input/hdf5source.h"
#include "input/mcareading.h"
#include "input/measurementfile.h"
#include "input/pointextent.h"
#include "tests/hdf5write.h"

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

// ---------------------------------------------------------------------------
// The HDF5 recipe.

namespace veskor::fuzz {

namespace {

// The recipe's bytes, read one at a time; 0 once they run out.
class RecipeBytes
{
public:
    explicit RecipeBytes(const QByteArray& bytes) : bytes_(bytes) {}
    bool atEnd() const { return at_ >= bytes_.size(); }
    int next() { return atEnd() ? 0 : quint8(bytes_[at_++]); }

private:
    const QByteArray& bytes_;
    int at_ = 0;
};

// Names in several groups, some of odd characters.
const char* const namePool[] = {
    "CHAN1SCA3", "I0", "ICR", "data", "a", "b", "x y", "\xc2\xb5-ch #1 (\xc3\x85)", "..",
    "a.b", " ", "\t", "%s%n", "name\nline", "NDAttributes", "entry"};

QString recipeName(RecipeBytes& in)
{
    const int choice = in.next();
    if (choice < 224)
        return QString::fromUtf8(namePool[choice % (sizeof namePool / sizeof *namePool)]);
    // A name of the input's own bytes (1 to 8, Latin-1), without '/' and
    // not "." (both mean something in a path).
    QString name;
    const int length = 1 + choice % 8;
    for (int i = 0; i < length; ++i) {
        const QChar c = QChar::fromLatin1(char(in.next()));
        if (c != '/' && c != QChar(0))
            name += c;
    }
    return name.isEmpty() || name == "." ? QString("_") : name;
}

hsize_t recipeDim(RecipeBytes& in)
{
    static const hsize_t dims[] = {0,    1,    2,           3,           4,
                                   5,    7,    16,          100,         1024,
                                   1025, 4096, hsize_t(1) << 22, (hsize_t(1) << 22) + 1,
                                   hsize_t(1) << 32, hsize_t(1) << 40};
    return dims[in.next() % (sizeof dims / sizeof *dims)];
}

double recipeValue(RecipeBytes& in, bool integer)
{
    static const double values[] = {0.0, 1.0, -1.0, 0.5, 255.0, 256.0, -129.0, 65535.0,
                                    4294967296.0, 9007199254740992.0, 1e300, -1e-300,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(), 3.25, 1e6};
    const int b = in.next();
    const double v = b < 64 ? values[b % 16] : double(b) - 160.0;
    return integer && !std::isfinite(v) ? 0.0 : v;
}

struct Made
{
    // Paths of every dataset made, one list per object (hard links add
    // paths to an object).
    QVector<QStringList> objects;
    // The values of each object written whole as doubles, when known.
    QVector<QVector<double>> exact;
    QVector<bool> known;
};

QString parentOf(const QString& path)
{
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash);
}

QString join(const QString& group, const QString& name)
{
    return group.isEmpty() ? name : group + "/" + name;
}

void buildRecipe(RecipeBytes& in, Hdf5Writer& writer, Made& made, QStringList& requests)
{
    QString group;
    int depth = 0;
    for (int step = 0; step < 24 && !in.atEnd(); ++step) {
        writer.forgetError();
        switch (in.next() % 8) {
        case 0: // into a new group
            if (depth < 6) {
                group = join(group, recipeName(in));
                ++depth;
                writer.addGroup(group);
            }
            break;
        case 1: // up
            group = parentOf(group);
            depth = qMax(0, depth - 1);
            break;
        case 2: { // numbers
            static const hid_t* const types[] = {
                &H5T_IEEE_F64LE_g, &H5T_IEEE_F32LE_g, &H5T_IEEE_F64BE_g, &H5T_STD_I8LE_g,
                &H5T_STD_U8LE_g,   &H5T_STD_I16LE_g,  &H5T_STD_U16BE_g,  &H5T_STD_I32LE_g,
                &H5T_STD_U32LE_g,  &H5T_STD_I64LE_g,  &H5T_STD_U64LE_g,  &H5T_NATIVE_LDOUBLE_g,
                &H5T_STD_B8LE_g,   &H5T_STD_I32BE_g,  &H5T_IEEE_F32BE_g, &H5T_STD_I16BE_g};
            H5open();
            const int typeIndex = in.next() % 16;
            const hid_t type = *types[typeIndex];
            const bool isDouble = typeIndex == 0 || typeIndex == 2;
            const bool isInteger = typeIndex >= 3 && typeIndex != 11 && typeIndex != 14;
            const QString path = join(group, recipeName(in));
            const int rank = in.next() % 5;
            QVector<hsize_t> dims;
            hsize_t count = 1;
            for (int i = 0; i < rank; ++i) {
                dims << recipeDim(in);
                count = dims.last() != 0 && count > (hsize_t(1) << 50) / dims.last()
                            ? hsize_t(1) << 50
                            : count * dims.last();
            }
            const int layoutByte = in.next();
            Hdf5Layout layout;
            layout.kind = Hdf5Layout::Kind(layoutByte % 3);
            layout.deflate = (layoutByte & 4) != 0;
            if (rank == 0 && layout.kind == Hdf5Layout::Chunked)
                layout.kind = Hdf5Layout::Contiguous;
            if (layoutByte & 8) {
                layout.maxDims = dims;
                for (hsize_t& d : layout.maxDims)
                    d = H5S_UNLIMITED;
                layout.kind = Hdf5Layout::Chunked;
            }
            if (layout.kind == Hdf5Layout::Chunked) {
                static const hsize_t sides[] = {1, 3, 64, hsize_t(1) << 23};
                for (int i = 0; i < rank; ++i) {
                    hsize_t side = sides[(layoutByte >> (4 + (i % 2) * 2)) % 4];
                    if (layout.maxDims.isEmpty())
                        side = qMin(side, qMax<hsize_t>(dims[i], 1));
                    layout.chunk << side;
                }
            }
            // Values for small arrays (whole) or a small first chunk.
            hsize_t chunkCount = 1;
            for (hsize_t c : qAsConst(layout.chunk))
                chunkCount *= c;
            Hdf5Dataset d{path, dims, {}, type};
            bool whole = false;
            // The writer holds a chunk whole in memory: no values for a
            // chunk of over a megabyte.
            if (chunkCount > 65536) {
                if (layout.kind != Hdf5Layout::Chunked)
                    break;
            } else if (count <= 2048 && typeIndex != 12) {
                whole = true;
                for (hsize_t i = 0; i < count; ++i)
                    d.values << recipeValue(in, isInteger);
            } else if (layout.kind == Hdf5Layout::Chunked && chunkCount <= 2048 &&
                       count <= 65536 && typeIndex != 12 && (layoutByte & 128)) {
                // Only the first chunk written: the rest reads as the fill
                // value, chunk by chunk, and a larger extent would make the
                // run slow without testing more of the reader.
                for (hsize_t i = 0; i < chunkCount; ++i)
                    d.values << recipeValue(in, isInteger);
            } else if (layout.kind != Hdf5Layout::Chunked) {
                break; // cannot be made without writing it whole
            }
            if (writer.addDataset(d, layout)) {
                made.objects.append(QStringList{path});
                // Within the reader's bounds, these must read back exactly.
                bool readable = whole && isDouble && count > 0 && rank <= 2 &&
                                (rank < 2 || dims[1] <= hsize_t(maxPointChannels));
                for (hsize_t c : qAsConst(layout.chunk))
                    readable = readable && c < (hsize_t(1) << 23);
                made.known.append(readable);
                made.exact.append(d.values);
            }
            break;
        }
        case 3: { // text, or records
            const QString path = join(group, recipeName(in));
            const int kind = in.next();
            const bool done = kind % 3 == 2 ? writer.addCompound(path, kind % 5)
                                            : writer.addStrings(path, {"Cu", "scan 1"}, kind % 3 == 1);
            if (done) {
                made.objects.append(QStringList{path});
                made.known.append(false);
                made.exact.append(QVector<double>());
            }
            break;
        }
        case 4: { // a name to ask for
            const int kind = in.next() % 6;
            const int which = in.next();
            const QString some = made.objects.isEmpty()
                                     ? QString("I0")
                                     : made.objects[which % made.objects.size()].first();
            switch (kind) {
            case 0:
                requests << some;
                break;
            case 1:
                requests << "/" + some;
                break;
            case 2:
                requests << some.mid(some.lastIndexOf('/') + 1);
                break;
            case 3:
                requests << parentOf(some);
                break;
            case 4:
                requests << some + "/";
                break;
            default:
                requests << recipeName(in);
            }
            break;
        }
        case 5: // a second name of a dataset
            if (!made.objects.isEmpty()) {
                const int which = in.next() % made.objects.size();
                const QString path = join(group, recipeName(in));
                if (writer.addHardLink(path, made.objects[which].first()))
                    made.objects[which] << path;
            }
            break;
        case 6: // a soft link, never followed
            if (!made.objects.isEmpty()) {
                const int which = in.next() % made.objects.size();
                writer.addSoftLink(join(group, recipeName(in)), "/" + made.objects[which].first());
            }
            break;
        default: // an external link, never followed
            writer.addExternalLink(join(group, recipeName(in)), "/nonexistent/other.h5", "/I0");
            break;
        }
    }
    writer.forgetError();
}

QString checkArray(const NamedArray& a, const QString& name)
{
    if (a.points < 1 || a.columns < 1 || a.columns > maxPointChannels ||
        qint64(a.points) * a.columns > maxArrayValues ||
        a.values.size() != qint64(a.points) * a.columns)
        return "'" + name + "' read with a wrong shape";
    if (a.scalar && (a.points != 1 || a.columns != 1 || a.twoDimensional))
        return "scalar '" + name + "' is not one value";
    if (!a.twoDimensional && a.columns != 1)
        return "1-D '" + name + "' has several columns";
    return QString();
}

QString baseOf(const QString& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace

QString checkHdf5Recipe(const QByteArray& bytes)
{
    RecipeBytes in(bytes);
    Hdf5Writer writer;
    if (!writer.forgetError())
        return "cannot create a file in memory";
    Made made;
    QStringList requests;
    buildRecipe(in, writer, made, requests);
    const QByteArray image = writer.image();
    if (!writer.close() || image.isEmpty())
        return "cannot get the built file's image: " + writer.error();

    QString error;
    const std::unique_ptr<ColumnSource> source = openHdf5Image(image, "recipe.h5", error);
    if (!source)
        return "the built file does not open: " + error;
    if (source->formatName() != "HDF5" || source->path() != "recipe.h5" || source->line(0) != 0)
        return "format, path or line wrong";

    // Every dataset made appears once, under one of its paths.
    const QStringList names = source->names();
    if (names.size() != made.objects.size())
        return QString("%1 names for %2 datasets").arg(names.size()).arg(made.objects.size());
    for (int i = 0; i < made.objects.size(); ++i) {
        int listed = 0;
        for (const QString& path : qAsConst(made.objects[i]))
            listed += names.count(path);
        if (listed != 1)
            return "dataset '" + made.objects[i].first() + "' listed " + QString::number(listed) +
                   " times";
    }

    for (int i = 0; i < made.objects.size(); ++i) {
        QString name;
        for (const QString& path : qAsConst(made.objects[i]))
            if (names.contains(path))
                name = path;
        for (const QString& asked : QStringList{name, "/" + name}) {
            NamedArray array;
            QString readError;
            const ColumnSource::Lookup result = source->read(asked, array, readError);
            if (result == ColumnSource::Lookup::Missing)
                return "listed '" + asked + "' reads as missing";
            // A dataset at the top has a name without '/': a basename,
            // which may name datasets in groups as well.
            int sameBase = 0;
            for (const QString& n : names)
                sameBase += baseOf(n) == name;
            const bool ambiguous = !asked.contains('/') && sameBase > 1;
            if (ambiguous != (result == ColumnSource::Lookup::Failed && readError.contains("names ")))
                return "'" + asked + "' ambiguous or not against names()";
            if (result == ColumnSource::Lookup::Failed) {
                if (readError.isEmpty())
                    return "'" + asked + "' failed without a message";
                if (made.known[i] && !ambiguous)
                    return "'" + asked + "' of doubles failed: " + readError;
                continue;
            }
            const QString wrong = checkArray(array, asked);
            if (!wrong.isEmpty())
                return wrong;
            if (made.known[i] && !same(array.values, made.exact[i]))
                return "'" + asked + "' read other values than were written";
        }
    }

    for (const QString& asked : qAsConst(requests)) {
        NamedArray array;
        QString readError;
        const ColumnSource::Lookup result = source->read(asked, array, readError);
        int matches = 0;
        if (asked.contains('/')) {
            QString full = asked;
            while (full.startsWith('/'))
                full.remove(0, 1);
            matches = names.count(full);
        } else {
            for (const QString& n : names)
                matches += baseOf(n) == asked;
        }
        if ((result == ColumnSource::Lookup::Missing) != (matches == 0))
            return "'" + asked + "' missing or not against names()";
        if (matches > 1 && result != ColumnSource::Lookup::Failed)
            return "'" + asked + "' names several datasets and did not fail";
        if (result == ColumnSource::Lookup::Failed && readError.isEmpty())
            return "'" + asked + "' failed without a message";
        if (result == ColumnSource::Lookup::Found) {
            const QString wrong = checkArray(array, asked);
            if (!wrong.isEmpty())
                return wrong;
        }
    }
    return QString();
}

} // namespace veskor::fuzz
