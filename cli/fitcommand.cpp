#include "cli/fitcommand.h"

#include "analysis/resultsexport.h"
#include "cli/fitfigure.h"
#include "cli/fitreport.h"
#include "cli/fitrun.h"
#include "input/measurementfile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <cstring>

namespace {

const char* const kUsage = "Usage: veskor-fit [-o FILE] [--json] [--plot FILE.png] FILE...";

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
files given, as the window does, and prints per channel: tau0 and tau with
their standard errors, the reduced chi-square of both fits and the dead-time
fractions tau0 * highest ICR and tau * highest ICR. Warnings go to stderr.

  -o, --output FILE   write the results file FILE and FILE.conf, as Save does
  --json              print the table as JSON
  --plot FILE.png     draw both plots into a PNG image
  -h, --help          show this text

Exit status: 0 done; 1 an input file could not be opened (the others were
analysed); 2 usage error; 3 fewer than two points (nothing written);
4 an output file could not be written.
)");
}

// The same file, whether or not the two paths are spelt alike.
bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
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

} // namespace

bool fitCommandNeedsGui(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--plot") == 0 || std::strncmp(argv[i], "--plot=", 7) == 0)
            return true;
    return false;
}

int runFitCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    const QCommandLineOption outputOption({"o", "output"}, "results file", "FILE");
    const QCommandLineOption jsonOption("json", "JSON output");
    const QCommandLineOption plotOption("plot", "plot image", "FILE.png");
    const QCommandLineOption helpOption({"h", "help"}, "help");
    parser.addOptions({outputOption, jsonOption, plotOption, helpOption});
    if (!parser.parse(arguments))
        return usageError(err, parser.errorText());
    if (parser.isSet(helpOption)) {
        out << helpText();
        return FitDone;
    }
    if (parser.values(outputOption).size() > 1 || parser.values(plotOption).size() > 1)
        return usageError(err, QStringLiteral("-o and --plot may be given once each"));
    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty())
        return usageError(err, QStringLiteral("no measurement file given"));
    const QString resultsPath = parser.value(outputOption);
    const QString plotPath = parser.value(plotOption);
    if (parser.isSet(outputOption) && resultsPath.isEmpty())
        return usageError(err, QStringLiteral("-o needs a file name"));
    if (parser.isSet(plotOption) && plotPath.isEmpty())
        return usageError(err, QStringLiteral("--plot needs a file name"));

    QStringList outputs;
    if (!resultsPath.isEmpty())
        outputs << resultsPath << confFileName(resultsPath);
    if (!plotPath.isEmpty())
        outputs << plotPath;
    for (int i = 0; i < outputs.size(); ++i) {
        for (const QString& input : inputs)
            if (sameFile(outputs[i], input))
                return usageError(err, QStringLiteral("output %1 is also an input file; nothing "
                                                      "written")
                                           .arg(outputs[i]));
        for (int j = i + 1; j < outputs.size(); ++j)
            if (sameFile(outputs[i], outputs[j]))
                return usageError(err,
                                  QStringLiteral("%1 is named for two outputs").arg(outputs[i]));
    }

    // So would -o before a wildcard, which hands the first measurement file
    // to -o.
    if (holdsMeasurement(resultsPath))
        return usageError(err, QStringLiteral("%1 holds measurement points and is not "
                                              "overwritten; nothing written")
                                   .arg(resultsPath));

    FitRun run = loadFitRun(inputs, err);
    int status = run.anyUnreadable() ? FitInputUnreadable : FitDone;
    analyse(run);
    if (!run.fitted) {
        err << "veskor-fit: fewer than two measurement points with a channel in common ("
            << run.points.size() << " read): nothing fitted, nothing written\n";
        return FitTooFewPoints;
    }

    WrittenFiles written;
    if (!resultsPath.isEmpty()) {
        const SaveOutcome saved = writeResultFiles(resultsPath, run.fit.tau0s, run.fit.taus);
        if (saved.resultsWritten)
            written.results = resultsPath;
        else
            err << "veskor-fit: cannot write " << resultsPath << '\n';
        if (saved.confWritten)
            written.conf = confFileName(resultsPath);
        else
            err << "veskor-fit: cannot write " << confFileName(resultsPath) << '\n';
        if (!saved.resultsWritten || !saved.confWritten)
            status = std::max<int>(status, FitOutputFailed);
    }
    if (!plotPath.isEmpty()) {
        QString why;
        if (saveFitFigure(run, plotPath, why))
            written.plot = plotPath;
        else {
            err << "veskor-fit: cannot write " << plotPath << ": " << why << '\n';
            status = std::max<int>(status, FitOutputFailed);
        }
    }

    for (const ChannelWarning& w : qAsConst(run.warnings))
        err << "veskor-fit: warning: " << warningText(run, w) << '\n';
    if (parser.isSet(jsonOption))
        out << jsonReport(run, written).toJson(QJsonDocument::Indented);
    else
        out << tableText(run);
    return status;
}
