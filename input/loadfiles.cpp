#include "input/loadfiles.h"

#include "input/channellimit.h"
#include "input/pointextent.h"

#include <QFile>
#include <QFileInfo>

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

QVector<TextFinding> checkText(const QString& path, MeasurementFormat format,
                               const QVector<CountTableRow>& rows)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return format == MeasurementFormat::McaSpectrum ? checkMcaText(file)
                                                    : checkCountTableText(file, rows);
}

void keep(LoadedFiles& set, Point&& point, const LoadedPointSink& onPoint)
{
    if (onPoint && !onPoint(point, set.files[point.file]))
        return;
    addToExtent(set, set.points.isEmpty(), pointExtent(point.i0, point.icrs, point.scas));
    set.points.append(std::move(point));
}

// Reads one file through the column mapping into set; false when it cannot
// give what the mapping asks.
bool loadScanFile(LoadedFiles& set, int fileIndex, const ScanOptions& options,
                  const QVector<int>& naming, QVector<Exclusion>& exclusions,
                  const LoadedPointSink& onPoint)
{
    File& f = set.files[fileIndex];
    f.scanFile = true;
    if (!options.mapping.isSet())
        return true;
    const ScanFileReading reading = readScanFile(f.path, options.mapping, options.scan);
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
void loadMeasurementFile(LoadedFiles& set, int fileIndex, const LoadOptions& options,
                         const QVector<int>& naming, QVector<Exclusion>& exclusions,
                         const LoadedPointSink& onPoint)
{
    const QString path = set.files[fileIndex].path;
    int found = 0;
    QVector<CountTableRow> rows;
    const MeasurementFormat format =
        loadNumberedMeasurementFile(path, [&](qint64 line, double i0, const QVector<double>& icrs,
                                              const QVector<double>& scas) {
            if (options.checkText)
                rows.append({line, int(icrs.size())});
            const int index = found++;
            if (excluded(line, naming, exclusions))
                return;
            keep(set, Point{i0, icrs, scas, fileIndex, index, line}, onPoint);
        });
    File& f = set.files[fileIndex];
    f.format = format;
    f.points = found;
    if (options.checkText)
        f.findings = checkText(path, format, rows);
    if (options.scanFiles != ScanFiles::None)
        return;
    // A header row read as a row of zeros would pass for a point.
    const QString columns =
        format == MeasurementFormat::CountTable ? labelledFormatOf(path) : QString();
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
        if (QFileInfo(path).isDir()) {
            file.openError = QStringLiteral("it is a directory");
        } else if (!probe.open(QIODevice::ReadOnly)) {
            file.openError = probe.errorString();
        } else {
            probe.close();
            file.opened = true;
        }
        const int fileIndex = set.files.size();
        set.files.append(file);
        if (!file.opened) {
            // The window's readers note such a file on the debug log, once.
            if (options.scanFiles != ScanFiles::All)
                loadNumberedMeasurementFile(
                    path, [](qint64, double, const QVector<double>&, const QVector<double>&) {});
            continue;
        }

        QVector<int> naming;
        for (int i = 0; i < exclusions.size(); ++i)
            if (sameFile(exclusions[i].file, path))
                naming.append(i);
        const bool scanFile = options.scanFiles == ScanFiles::All ||
                              (options.scanFiles == ScanFiles::Recognised && isScanFile(path));
        if (!scanFile) {
            loadMeasurementFile(set, fileIndex, options, naming, exclusions, onPoint);
        } else if (!loadScanFile(set, fileIndex, options.scan, naming, exclusions, onPoint) &&
                   options.scanFiles == ScanFiles::All) {
            set.stopped = true;
            return set;
        }
    }
    return set;
}
