#include "cli/fitrun.h"

#include "analysis/runanalysis.h"
#include "analysis/scanchecks.h"
#include "input/channellimit.h"
#include "input/pointextent.h"
#include "input/scanfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// Whether the point on line is left out by one of the exclusions (indices
// into exclusions) that name its file; counts the matches.
bool excluded(qint64 line, const QVector<int>& naming, QVector<FitRun::Exclusion>& exclusions)
{
    bool out = false;
    for (int i : naming) {
        FitRun::Exclusion& e = exclusions[i];
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

} // namespace

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

QVector<PointView> FitRun::views() const
{
    QVector<PointView> v;
    v.reserve(points.size());
    for (const Point& p : points)
        v.append(PointView{p.i0, &p.icrs, &p.scas, p.time});
    return v;
}

bool FitRun::anyUnreadable() const
{
    for (const File& f : files)
        if (!f.opened)
            return true;
    return false;
}

int FitRun::dataWarnings() const
{
    int n = 0;
    for (const File& f : files)
        n += f.findings.size() + f.notes.size() + (f.opened && f.points == 0 ? 1 : 0);
    for (const ChannelWarning& w : warnings)
        n += aboutData(w) ? 1 : 0;
    return n;
}

FitRun::Exclusion parseExclusion(const QString& text)
{
    FitRun::Exclusion e;
    e.text = text;
    e.file = text;
    static const QRegularExpression lineSuffix(QStringLiteral("^(.+):([0-9]+)$"));
    const QRegularExpressionMatch m = lineSuffix.match(text);
    if (m.hasMatch() && !QFileInfo(text).isFile()) {
        bool ok = false;
        const qint64 line = m.captured(2).toLongLong(&ok);
        if (ok && line > 0) {
            e.file = m.captured(1);
            e.line = line;
        }
    }
    return e;
}

namespace {

// What a SPEC file with several scans offers, for the message that asks
// to choose.
QString scanList(const ScanFileReading& reading)
{
    QString text;
    for (const SpecScan& s : reading.scans)
        text += QStringLiteral("\n  --scan %1  %2 (line %3, %4 row%5)")
                    .arg(s.number, s.command)
                    .arg(s.line)
                    .arg(s.rows)
                    .arg(s.rows == 1 ? "" : "s");
    return text;
}

// Reads one file through the column mapping into run; false, with
// run.inputError, when it cannot give what the mapping asks.
bool loadScanFile(FitRun& run, int fileIndex, const ScanOptions& options,
                  const QVector<int>& naming, QVector<FitRun::Exclusion>& exclusions)
{
    FitRun::File& f = run.files[fileIndex];
    const ScanFileReading reading = readScanFile(f.path, options.mapping, options.scan);
    if (!reading.ok) {
        run.inputError = reading.error + (reading.scanNeeded ? scanList(reading) : QString());
        return false;
    }
    f.columnFormat = reading.format;
    f.points = reading.mapped.points.size();
    for (const QString& w : reading.warnings)
        f.notes.append({QStringLiteral("skipped"), w});
    for (const MappedPoint& p : reading.mapped.points) {
        if (excluded(p.line, naming, exclusions) || !admitPoint(p.icrs, p.scas))
            continue;
        addToExtent(run, run.points.isEmpty(), pointExtent(p.i0, p.icrs, p.scas));
        run.points.append(FitRun::Point{p.i0, p.icrs, p.scas, fileIndex, p.index, p.line, p.time});
    }
    return true;
}

} // namespace

FitRun loadFitRun(const QStringList& paths, QVector<FitRun::Exclusion>& exclusions,
                  QTextStream& err, const ScanOptions& options)
{
    FitRun run;
    for (const QString& path : paths) {
        FitRun::File file;
        file.path = path;
        // Opened here first so that the message names the file and the
        // reason; the reader's own message goes to the debug log only.
        QFile probe(path);
        if (QFileInfo(path).isDir()) {
            err << "veskor-fit: cannot open " << path << ": it is a directory\n";
        } else if (!probe.open(QIODevice::ReadOnly)) {
            err << "veskor-fit: cannot open " << path << ": " << probe.errorString() << '\n';
        } else {
            probe.close();
            file.opened = true;
        }
        const int fileIndex = run.files.size();
        run.files.append(file);
        if (!file.opened)
            continue;

        QVector<int> naming;
        for (int i = 0; i < exclusions.size(); ++i)
            if (sameFile(exclusions[i].file, path))
                naming.append(i);
        if (options.mapping.isSet()) {
            if (!loadScanFile(run, fileIndex, options, naming, exclusions))
                return run;
            continue;
        }
        int found = 0;
        QVector<CountTableRow> rows;
        const MeasurementFormat format = loadNumberedMeasurementFile(
            path,
            [&](qint64 line, double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                rows.append({line, int(icrs.size())});
                const int index = found++;
                if (excluded(line, naming, exclusions))
                    return;
                addToExtent(run, run.points.isEmpty(), pointExtent(i0, icrs, scas));
                run.points.append(FitRun::Point{i0, icrs, scas, fileIndex, index, line});
            });
        FitRun::File& f = run.files[fileIndex];
        f.format = format;
        f.points = found;
        f.findings = checkText(path, format, rows);
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
    return run;
}

void analyse(FitRun& run, ModelChoice choice)
{
    run.choice = choice;
    if (!run.fittable())
        return;
    static_cast<RunAnalysis&>(run) = analyseRun(run.views(), run.nChannels, choice);
    run.fitted = true;
}
