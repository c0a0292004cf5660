#include "cli/fitrun.h"

#include "analysis/runanalysis.h"
#include "analysis/scanchecks.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

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
QString scanList(const QVector<SpecScan>& scans)
{
    QString text;
    for (const SpecScan& s : scans)
        text += QStringLiteral("\n  --scan %1  %2 (line %3, %4 row%5)")
                    .arg(s.number, s.command, QString::number(s.line), QString::number(s.rows),
                         s.rows == 1 ? QString() : QStringLiteral("s"));
    return text;
}

} // namespace

FitRun loadFitRun(const QStringList& paths, QVector<FitRun::Exclusion>& exclusions,
                  QTextStream& err, const ScanOptions& options)
{
    LoadOptions load;
    load.scan = options;
    load.scanFiles = options.mapping.isSet() ? ScanFiles::All : ScanFiles::None;
    load.checkText = true;
    FitRun run;
    static_cast<LoadedFiles&>(run) = loadFiles(paths, exclusions, load);
    for (const FitRun::File& f : qAsConst(run.files))
        if (!f.opened)
            err << "veskor-fit: cannot " << (f.tooLarge ? "read " : "open ") << f.path << ": "
                << f.openError << '\n';
    if (run.stopped) {
        const FitRun::File& f = run.files.constLast();
        run.inputError =
            f.error + (f.failure == ScanFailure::ScanNeeded ? scanList(f.scans) : QString());
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
