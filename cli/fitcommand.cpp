#include "cli/fitcommand.h"

#include "analysis/resultsexport.h"
#include "cli/fitfigure.h"
#include "cli/fitreport.h"
#include "cli/fitrun.h"
#include "input/counttablewrite.h"
#include "input/measurementfile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstring>

namespace {

const char* const kUsage =
    "Usage: veskor-fit [-o FILE [--undetermined quadratic|zero]] [--json] [--plot FILE.png|.svg]\n"
    "                  [--model MODEL] [--strict] [--exclude FILE[:LINE]]... [--table FILE]\n"
    "                  [--i0 NAME --icr NAME --sca NAME [--time NAME] [--scan N]] FILE...";

int usageError(QTextStream& err, const QString& message)
{
    err << "veskor-fit: " << message << '\n'
        << kUsage << '\n'
        << "Try 'veskor-fit --help' for more.\n";
    return FitUsageError;
}

QString helpText()
{
    return QString::fromLatin1(kUsage) + QStringLiteral(R"(

Fits the dead-time constants of every detector channel over the measurement
files given and prints per channel: tau0 and tau in microseconds with their
standard errors, the model and the reduced chi-square of each fit, and the
dead-time fractions tau0 * highest ICR and tau * highest ICR. Warnings go to
stderr.

  -o, --output FILE       write the results file FILE and FILE.conf, as Save
                          does, with the constants of the model; refused
                          (exit 5) while a constant is undetermined
  --undetermined WHAT     what -o writes for an undetermined constant:
                          quadratic (the window's constant) or zero
  --json                  print the table as JSON
  --plot FILE             draw the plots of the model reported (each
                          channel's own under auto), as the window draws
                          them, into one page: counts, ratios (count over
                          its x, with the ratio at zero rate dashed) and
                          residuals ((data - model) / sigma, bands at 1 and
                          3 sigma), the pre-amplifier left, the amplifier
                          right, the constants beside them; SVG when FILE
                          ends in .svg, else PNG. An existing file is
                          replaced only if it is a PNG image or an SVG
                          document
  --model MODEL           quadratic (the window's fit, the default),
                          paralyzable, nonparalyzable, hybrid (a paralyzable
                          and a nonparalyzable part in series; its constant
                          is their sum), or auto: per stage the hybrid model
                          where it fits better than both others by more
                          than 10 (its chi-square gain over its scaled
                          chi-square), else the better of paralyzable and
                          nonparalyzable where their chi-squares differ by
                          more than 10 times the scaled chi-square, else
                          their mean with the error widened by half their
                          difference; the columns "by in" and "by out" give
                          that figure
  --strict                write nothing, and exit with 5, when a warning
                          concerns the data or a file cannot be opened
  --exclude FILE[:LINE]   leave out the points of FILE, or its row on LINE;
                          may be given more than once
  --table FILE            write the points read as a count table, which the
                          window's Read File(s) reads to the same constants

Scan files of named columns (SPEC, XDI, XDAC, CSV/TSV or blank-separated
text with a label line, HDF5) are read through a mapping; every FILE is then
such a file:
  --i0 NAME               the column (or HDF5 dataset) of I0
  --icr NAME, --sca NAME  the input and the window counts; {n} in NAME stands
                          for the channel number from 1 (Iffast{n}); a 2-D
                          dataset [point, channel] gives all channels
  --time NAME             divide every count by this time, so that the
                          constants come out in its unit (seconds)
  --scan N                the scan of a SPEC file that holds several

  -h, --help              show this text
  --version               show the program's version

A constant is undetermined, and printed so with the reason, when the scan
cannot fix it: its stage's x (I0 or ICR) spans less than 2x, its standard
error exceeds half of it, or the fit fails.

Exit status: 0 done; 1 an input file could not be opened (the others were
analysed); 2 usage error, or a file lacks a name the mapping asks for;
3 fewer than two points (nothing written); 4 an output file could not be
written; 5 --strict and a warning about the data, or -o with an
undetermined constant and no --undetermined (nothing written).
)");
}

// Whether path is an existing file that reads as measurement points, other
// than a results file written before (whose lines the permissive count
// table grammar would also take for points).
bool holdsMeasurement(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    if (file.read(15) == "# Deadtime data")
        return false;
    file.close();
    bool found = false;
    loadMeasurementFile(
        path, [&found](double, const QVector<double>&, const QVector<double>&) { found = true; });
    return found;
}

struct FitOptions
{
    QStringList inputs;
    QString resultsPath; // empty: no -o
    QString plotPath;    // empty: no --plot
    QString tablePath;   // empty: no --table
    ScanOptions scan;
    bool json = false;
    bool help = false;
    bool version = false;
    ModelChoice model = ModelChoice::Quadratic;
    bool strict = false;
    // Unset: -o refuses undetermined constants.
    bool fillSet = false;
    UndeterminedFill fill = UndeterminedFill::Quadratic;
    QVector<FitRun::Exclusion> exclusions;
};

// Reads the command line into options; returns the usage error, or an
// empty string.
QString parseOptions(const QStringList& arguments, FitOptions& options)
{
    QCommandLineParser parser;
    const QCommandLineOption outputOption({"o", "output"}, "results file", "FILE");
    const QCommandLineOption jsonOption("json", "JSON output");
    const QCommandLineOption plotOption("plot", "plot image", "FILE");
    const QCommandLineOption helpOption({"h", "help"}, "help");
    const QCommandLineOption versionOption("version", "version");
    const QCommandLineOption modelOption("model", "model", "MODEL");
    const QCommandLineOption strictOption("strict", "strict");
    const QCommandLineOption excludeOption("exclude", "exclude", "FILE[:LINE]");
    const QCommandLineOption tableOption("table", "count table", "FILE");
    const QCommandLineOption i0Option("i0", "I0 column", "NAME");
    const QCommandLineOption icrOption("icr", "ICR column", "NAME");
    const QCommandLineOption scaOption("sca", "SCA column", "NAME");
    const QCommandLineOption timeOption("time", "time column", "NAME");
    const QCommandLineOption scanOption("scan", "SPEC scan", "N");
    const QCommandLineOption undeterminedOption("undetermined", "fill", "WHAT");
    parser.addOptions({outputOption, jsonOption, plotOption, helpOption, versionOption, modelOption,
                       strictOption, excludeOption, tableOption, i0Option, icrOption, scaOption,
                       timeOption, scanOption, undeterminedOption});
    if (!parser.parse(arguments))
        return parser.errorText();
    options.help = parser.isSet(helpOption);
    options.version = parser.isSet(versionOption);
    if (options.help || options.version)
        return QString();
    for (const QCommandLineOption* once :
         {&outputOption, &plotOption, &modelOption, &tableOption, &i0Option, &icrOption, &scaOption,
          &timeOption, &scanOption, &undeterminedOption})
        if (parser.values(*once).size() > 1)
            return QStringLiteral("--%1 may be given once").arg(once->names().constLast());
    for (const QCommandLineOption* named :
         {&tableOption, &i0Option, &icrOption, &scaOption, &timeOption, &scanOption})
        if (parser.isSet(*named) && parser.value(*named).isEmpty())
            return QStringLiteral("--%1 needs a value").arg(named->names().constLast());
    options.scan.mapping = {parser.value(i0Option), parser.value(icrOption),
                            parser.value(scaOption), parser.value(timeOption)};
    options.scan.scan = parser.value(scanOption);
    const QString mapping = options.scan.mapping.problem();
    if (!mapping.isEmpty())
        return mapping;
    if (parser.isSet(scanOption) && !options.scan.mapping.isSet())
        return QStringLiteral("--scan chooses the scan of a SPEC file read through --i0, --icr "
                              "and --sca");
    options.tablePath = parser.value(tableOption);
    if (parser.isSet(modelOption) && !choiceFromName(parser.value(modelOption), options.model))
        return QStringLiteral("--model takes quadratic, paralyzable, nonparalyzable, hybrid or "
                              "auto, not \"%1\"")
            .arg(parser.value(modelOption));
    if (parser.isSet(undeterminedOption)) {
        const QString fill = parser.value(undeterminedOption);
        if (fill != QLatin1String("quadratic") && fill != QLatin1String("zero"))
            return QStringLiteral("--undetermined takes quadratic or zero, not \"%1\"").arg(fill);
        if (!parser.isSet(outputOption))
            return QStringLiteral("--undetermined says what -o writes; no -o given");
        options.fillSet = true;
        options.fill =
            fill == QLatin1String("zero") ? UndeterminedFill::Zero : UndeterminedFill::Quadratic;
    }
    options.strict = parser.isSet(strictOption);
    for (const QString& e : parser.values(excludeOption)) {
        if (e.isEmpty())
            return QStringLiteral("--exclude needs a file name");
        options.exclusions.append(parseExclusion(e));
    }
    options.inputs = parser.positionalArguments();
    options.resultsPath = parser.value(outputOption);
    options.plotPath = parser.value(plotOption);
    options.json = parser.isSet(jsonOption);
    if (options.inputs.isEmpty())
        return QStringLiteral("no measurement file given");
    if (parser.isSet(outputOption) && options.resultsPath.isEmpty())
        return QStringLiteral("-o needs a file name");
    if (parser.isSet(plotOption) && options.plotPath.isEmpty())
        return QStringLiteral("--plot needs a file name");
    return QString();
}

// The words that open the comment on a table's second line: a file whose
// second line starts so may be written again.
const char* const kTableComment = "veskor-fit table of ";

// Whether --table may write path: nothing there, an empty file, or a table
// written before. Any other file may be somebody's measurement.
bool mayWriteTable(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    // A FIFO or a device holds nothing to lose; a file that cannot be read
    // cannot be shown to be an earlier table.
    if (!info.isFile())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() == 0)
        return true;
    return file.readLine(200).startsWith("# Channels : ") &&
           file.readLine(200).startsWith(QByteArray("# ") + kTableComment);
}

// Whether --plot may write path: nothing there, an empty file, a PNG image
// or an SVG document, such as an earlier --plot drew. Any other file may
// be a measurement that a wildcard put after --plot.
bool mayWritePlot(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    const QByteArray head = file.read(512);
    return file.size() == 0 || head.startsWith(pngSignature) ||
           (head.startsWith("<?xml") && head.contains("<svg"));
}

QByteArray tableBytes(const FitRun& run, const FitOptions& options)
{
    QStringList sources;
    for (const FitRun::File& f : run.files)
        if (f.opened)
            sources << f.path;
    QString comment = QLatin1String(kTableComment) + sources.join(QStringLiteral(", ")) + ": " +
                      (options.scan.mapping.isSet() ? options.scan.mapping.describe()
                                                    : QStringLiteral("the points as read"));
    if (!options.scan.scan.isEmpty())
        comment += QStringLiteral(", scan %1").arg(options.scan.scan);
    return countTableBytes(run.views(), run.nChannels,
                           {comment, QStringLiteral("I0, ICR1..%1, SCA1..%1").arg(run.nChannels)});
}

// Why the outputs must not be written, or an empty string. An output over
// an input would destroy a measurement, and so would -o before a wildcard,
// which hands the first measurement file to -o.
QString outputConflict(const FitOptions& options)
{
    QStringList outputs;
    if (!options.resultsPath.isEmpty())
        outputs << options.resultsPath << confFileName(options.resultsPath);
    if (!options.plotPath.isEmpty())
        outputs << options.plotPath;
    if (!options.tablePath.isEmpty())
        outputs << options.tablePath;
    for (int i = 0; i < outputs.size(); ++i) {
        for (const QString& input : options.inputs)
            if (sameFile(outputs[i], input))
                return QStringLiteral("output %1 is also an input file; nothing written")
                    .arg(outputs[i]);
        for (int j = i + 1; j < outputs.size(); ++j)
            if (sameFile(outputs[i], outputs[j]))
                return QStringLiteral("%1 is named for two outputs").arg(outputs[i]);
    }
    if (holdsMeasurement(options.resultsPath))
        return QStringLiteral("%1 holds measurement points and is not overwritten; nothing "
                              "written")
            .arg(options.resultsPath);
    if (!options.tablePath.isEmpty() && !mayWriteTable(options.tablePath))
        return QStringLiteral("%1 exists and is not a table veskor-fit wrote; it is not "
                              "overwritten; nothing written")
            .arg(options.tablePath);
    if (!options.plotPath.isEmpty() && !mayWritePlot(options.plotPath))
        return QStringLiteral("%1 exists and is not a PNG or SVG image; it is not "
                              "overwritten; nothing written")
            .arg(options.plotPath);
    return QString();
}

// Writes the files asked for; names each that fails on err. The
// quadratic's files are the window's, byte for byte; another model's carry
// its constants.
bool writeOutputs(const FitRun& run, const FitOptions& options, WrittenFiles& written,
                  QTextStream& err)
{
    bool ok = true;
    if (!options.resultsPath.isEmpty()) {
        const QString conf = confFileName(options.resultsPath);
        QVector<double> tau0s;
        QVector<double> taus;
        constantsToWrite(run, options.fill, tau0s, taus);
        const SaveOutcome saved = writeResultFiles(options.resultsPath, tau0s, taus);
        if (saved.resultsWritten) {
            written.results = options.resultsPath;
            written.tau0s = tau0s;
            written.taus = taus;
        } else
            err << "veskor-fit: cannot write " << options.resultsPath << '\n';
        if (saved.confWritten)
            written.conf = conf;
        else
            err << "veskor-fit: cannot write " << conf << '\n';
        ok = saved.resultsWritten && saved.confWritten;
    }
    if (!options.tablePath.isEmpty()) {
        if (saveFileBytes(options.tablePath, tableBytes(run, options))) {
            written.table = options.tablePath;
        } else {
            err << "veskor-fit: cannot write " << options.tablePath << '\n';
            ok = false;
        }
    }
    if (!options.plotPath.isEmpty()) {
        QString why;
        if (saveFitFigure(run, options.plotPath, why)) {
            written.plot = options.plotPath;
        } else {
            err << "veskor-fit: cannot write " << options.plotPath
                << (why.isEmpty() ? QString() : ": " + why) << '\n';
            ok = false;
        }
    }
    return ok;
}

} // namespace

int runFitCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    FitOptions options;
    const QString usage = parseOptions(arguments, options);
    if (!usage.isEmpty())
        return usageError(err, usage);
    if (options.help) {
        out << helpText();
        return FitDone;
    }
    if (options.version) {
        out << "veskor-fit " << VESKOR_VERSION << '\n';
        return FitDone;
    }
    const QString conflict = outputConflict(options);
    if (!conflict.isEmpty())
        return usageError(err, conflict);

    FitRun run = loadFitRun(options.inputs, options.exclusions, err, options.scan);
    if (!run.inputError.isEmpty()) {
        err << "veskor-fit: " << run.inputError << "\nNothing written.\n";
        return FitUsageError;
    }
    for (const FitRun::Exclusion& e : qAsConst(options.exclusions))
        if (e.matched == 0)
            return usageError(err, QStringLiteral("--exclude %1 matches no point read; nothing "
                                                  "written")
                                       .arg(e.text));
    analyse(run, options.model);
    for (const QString& w : fileWarningTexts(run))
        err << "veskor-fit: warning: " << w << '\n';
    if (!run.fitted) {
        err << "veskor-fit: fewer than two measurement points with a channel in common ("
            << run.points.size() << " read): nothing fitted, nothing written\n";
        return FitTooFewPoints;
    }
    for (const ChannelWarning& w : qAsConst(run.warnings))
        err << "veskor-fit: warning: " << warningText(run, w) << '\n';

    const int dataWarnings = run.dataWarnings();
    const bool strictRefused = options.strict && (dataWarnings > 0 || run.anyUnreadable());
    const QVector<UndeterminedConstant> undetermined = undeterminedConstants(run);
    const bool undeterminedRefused =
        !options.resultsPath.isEmpty() && !undetermined.isEmpty() && !options.fillSet;
    const bool refused = strictRefused || undeterminedRefused;
    WrittenFiles written;
    bool wroteAll = true;
    if (strictRefused)
        err << "veskor-fit: --strict: " << dataWarnings << " warning"
            << (dataWarnings == 1 ? "" : "s") << " about the data"
            << (run.anyUnreadable() ? ", a file that cannot be opened" : "")
            << "; nothing written\n";
    if (undeterminedRefused)
        err << "veskor-fit: this scan does not determine " << undeterminedChannels(undetermined)
            << "; -o writes no guess into the .conf: nothing written (--undetermined quadratic "
               "or zero says what to write)\n";
    if (!refused)
        wroteAll = writeOutputs(run, options, written, err);

    if (options.json)
        out << jsonReport(run, written).toJson(QJsonDocument::Indented);
    else
        out << tableText(run);
    if (refused)
        return FitStrictRefused;
    if (!wroteAll)
        return FitOutputFailed;
    return run.anyUnreadable() ? FitInputUnreadable : FitDone;
}

bool fitCommandNeedsGui(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--plot") == 0 || std::strncmp(argv[i], "--plot=", 7) == 0)
            return true;
    return false;
}
