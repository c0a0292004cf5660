#include "input/loadfiles.h"

#include "input/channellimit.h"
#include "input/pointextent.h"

#include "input/hdf5source.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

using File = LoadedFiles::File;
using Point = LoadedFiles::Point;
using Exclusion = LoadedFiles::Exclusion;

// Whether the point on line is left out by one of the exclusions (indices
// into exclusions) that name its file; counts the matches.
bool excluded(qint64 line, const QVector<int>& naming, QVector<Exclusion>& exclusions)
{
    bool out = false;
    for (int i : naming) {
        Exclusion& e = exclusions[i];
        if (e.line == 0 || e.line == line) {
            ++e.matched;
            out = true;
        }
    }
    return out;
}

QVector<TextFinding> checkText(const QString& path, const QByteArray* bytes,
                               MeasurementFormat format, const QVector<CountTableRow>& rows)
{
    QFile file(path);
    QBuffer buffer;
    QIODevice* device = &file;
    if (bytes) {
        buffer.setData(*bytes);
        device = &buffer;
    }
    if (!device->open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return format == MeasurementFormat::McaSpectrum ? checkMcaText(*device)
                                                    : checkCountTableText(*device, rows);
}

QString sizeText(qint64 bytes)
{
    return bytes >= (qint64(1) << 20) && bytes % (qint64(1) << 20) == 0
               ? QStringLiteral("%1 MB").arg(bytes >> 20)
               : QStringLiteral("%1 bytes").arg(bytes);
}

// The first point skipped because a value is not a finite number, and how
// many more were.
struct NotFinite
{
    qint64 line = 0;
    QString what;
    double value = 0.0;
    int more = 0;
    bool any = false;

    // False, noting it, when a value of the point is not finite.
    bool check(qint64 at, double i0, const QVector<double>& icrs, const QVector<double>& scas)
    {
        QString name;
        double bad = 0.0;
        if (!std::isfinite(i0)) {
            name = QStringLiteral("I0");
            bad = i0;
        }
        for (int c = 0; name.isEmpty() && c < icrs.size(); ++c)
            if (!std::isfinite(icrs[c])) {
                name = QStringLiteral("ICR %1").arg(c + 1);
                bad = icrs[c];
            }
        for (int c = 0; name.isEmpty() && c < scas.size(); ++c)
            if (!std::isfinite(scas[c])) {
                name = QStringLiteral("SCA %1").arg(c + 1);
                bad = scas[c];
            }
        if (name.isEmpty())
            return true;
        if (any) {
            ++more;
        } else {
            any = true;
            line = at;
            what = name;
            value = bad;
        }
        return false;
    }

    QString text(const QString& path) const
    {
        QString t = QStringLiteral("%1, line %2: %3 is %4; point skipped")
                        .arg(path, QString::number(line), what, QString::number(value));
        if (more > 0)
            t += QStringLiteral(" (and %1 more point%2 like it)")
                     .arg(QString::number(more), more == 1 ? "" : "s");
        return t;
    }
};

void keep(LoadedFiles& set, Point&& point, const LoadedPointSink& onPoint)
{
    if (onPoint && !onPoint(point, set.files[point.file]))
        return;
    addToExtent(set, set.points.isEmpty(), pointExtent(point.i0, point.icrs, point.scas));
    set.points.append(std::move(point));
}

// Reads one file through the column mapping into set; false when it cannot
// give what the mapping asks.
bool loadScanFile(LoadedFiles& set, int fileIndex, const QByteArray* bytes, const LoadOptions& load,
                  const QVector<int>& naming, QVector<Exclusion>& exclusions,
                  const LoadedPointSink& onPoint)
{
    const ScanOptions& options = load.scan;
    File& f = set.files[fileIndex];
    f.scanFile = true;
    if (!options.mapping.isSet())
        return true;
    const ScanFileReading reading =
        readScanFile(f.path, options.mapping, options.scan, bytes, load.maxValues, load.maxBytes);
    f.failure = reading.failure;
    f.fault = reading.mapped.fault;
    f.error = reading.error;
    f.scans = reading.scans;
    if (!reading.ok)
        return false;
    f.columnFormat = reading.format;
    if (!reading.scans.isEmpty())
        f.scan = options.scan.isEmpty() ? reading.scans.first().number : options.scan;
    f.points = reading.mapped.points.size();
    for (const QString& w : reading.warnings)
        f.notes.append({QStringLiteral("skipped"), w});
    for (const MappedPoint& p : reading.mapped.points) {
        if (excluded(p.line, naming, exclusions) || !admitPoint(p.icrs, p.scas))
            continue;
        keep(set, Point{p.i0, p.icrs, p.scas, fileIndex, p.index, p.line, p.time}, onPoint);
    }
    return true;
}

// Reads one file in the window's formats into set.
void loadMeasurementFile(LoadedFiles& set, int fileIndex, const QByteArray* bytes,
                         const LoadOptions& options, const QVector<int>& naming,
                         QVector<Exclusion>& exclusions, const LoadedPointSink& onPoint)
{
    const QString path = set.files[fileIndex].path;
    int read = 0;
    int found = 0;
    qint64 values = 0;
    qint64 fullAt = 0;
    NotFinite notFinite;
    QVector<CountTableRow> rows;
    const NumberedPointSink sink = [&](qint64 line, double i0, const QVector<double>& icrs,
                                       const QVector<double>& scas) {
        // The reading budget: a file of millions of rows or channels is read
        // no further than a scan could be.
        const qint64 cost = 1 + qint64(icrs.size()) + scas.size();
        if (read == options.maxPoints || values + cost > options.maxValues) {
            fullAt = line;
            return;
        }
        values += cost;
        if (options.checkText)
            rows.append({line, int(icrs.size())});
        const int index = read++;
        if (!notFinite.check(line, i0, icrs, scas))
            return;
        ++found;
        if (excluded(line, naming, exclusions))
            return;
        keep(set, Point{i0, icrs, scas, fileIndex, index, line}, onPoint);
    };
    const auto more = [&fullAt] { return fullAt == 0; };
    qint64 spectrumLine = 0;
    const MeasurementFormat format =
        bytes ? loadNumberedMeasurementBytes(*bytes, sink, more, &spectrumLine)
              : loadNumberedMeasurementFile(path, sink, more, &spectrumLine);
    File& f = set.files[fileIndex];
    f.format = format;
    f.points = found;
    if (notFinite.any) {
        // A spectrum's one point stands on no line: the value's line is named.
        if (format == MeasurementFormat::McaSpectrum)
            notFinite.line = spectrumLine;
        f.notes.append({QStringLiteral("notFinite"), notFinite.text(path)});
    }
    if (fullAt > 0)
        f.notes.append({QStringLiteral("tooManyPoints"),
                        QStringLiteral("%1, line %2: more than %3 points or %4 values (points x "
                                       "(1 + 2 channels)), more than one file may give; the rest "
                                       "of the file is not read")
                            .arg(path, QString::number(fullAt), QString::number(options.maxPoints),
                                 QString::number(options.maxValues))});
    if (options.checkText)
        f.findings = checkText(path, bytes, format, rows);
    if (options.scanFiles != ScanFiles::None)
        return;
    // A header row read as a row of zeros would pass for a point.
    const QString columns =
        format == MeasurementFormat::CountTable ? labelledFormatOf(path, bytes) : QString();
    if (!columns.isEmpty())
        f.notes.append({QStringLiteral("labelledColumns"),
                        QStringLiteral("%1 holds labelled columns (%2), which the count table "
                                       "format does not read; name them with --i0, --icr "
                                       "and --sca")
                            .arg(path, columns)});
}

} // namespace

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

QVector<PointView> LoadedFiles::views() const
{
    QVector<PointView> v;
    v.reserve(points.size());
    for (const Point& p : points)
        v.append(PointView{p.i0, &p.icrs, &p.scas, p.time});
    return v;
}

bool LoadedFiles::anyUnreadable() const
{
    for (const File& f : files)
        if (!f.opened)
            return true;
    return false;
}

LoadedFiles loadFiles(const QStringList& paths, QVector<Exclusion>& exclusions,
                      const LoadOptions& options, const LoadedPointSink& onPoint)
{
    LoadedFiles set;
    for (const QString& path : paths) {
        File file;
        file.path = path;
        // Opened here first so that the reason can be given; the readers
        // say nothing of it but their note on the debug log.
        QFile probe(path);
        // A pipe or a device (no size to tell) is read here, once, to the
        // bound: it cannot be read again, nor known to end.
        QByteArray memory;
        bool inMemory = false;
        if (QFileInfo(path).isDir()) {
            file.openError = QStringLiteral("it is a directory");
        } else if (!probe.open(QIODevice::ReadOnly)) {
            file.openError = probe.errorString();
        } else if (probe.isSequential() || probe.size() == 0) {
            inMemory = true;
            file.tooLarge = !readAtMost(probe, options.maxBytes, memory);
            if (file.tooLarge)
                file.openError = QStringLiteral("it gives more than %1, more than a measurement "
                                                "file holds; it is read no further")
                                     .arg(sizeText(options.maxBytes));
        } else if (probe.size() > options.maxBytes &&
                   !(options.scanFiles != ScanFiles::None && deviceLooksLikeHdf5(probe))) {
            // The HDF5 library reads what it needs of a large file itself.
            file.tooLarge = true;
            file.openError = QStringLiteral("it is larger than %1, more than a measurement file "
                                            "holds")
                                 .arg(sizeText(options.maxBytes));
        }
        file.opened = probe.isOpen() && !file.tooLarge;
        probe.close();
        const int fileIndex = set.files.size();
        set.files.append(file);
        if (!file.opened) {
            // The window's readers note such a file on the debug log, once.
            if (options.scanFiles != ScanFiles::All && !file.tooLarge)
                loadNumberedMeasurementFile(
                    path, [](qint64, double, const QVector<double>&, const QVector<double>&) {});
            continue;
        }
        const QByteArray* bytes = inMemory ? &memory : nullptr;

        QVector<int> naming;
        for (int i = 0; i < exclusions.size(); ++i)
            if (sameFile(exclusions[i].file, path))
                naming.append(i);
        const bool scanFile =
            options.scanFiles == ScanFiles::All ||
            (options.scanFiles == ScanFiles::Recognised && isScanFile(path, bytes));
        if (!scanFile) {
            loadMeasurementFile(set, fileIndex, bytes, options, naming, exclusions, onPoint);
        } else if (!loadScanFile(set, fileIndex, bytes, options, naming, exclusions, onPoint) &&
                   options.scanFiles == ScanFiles::All) {
            set.stopped = true;
            return set;
        }
    }
    return set;
}
