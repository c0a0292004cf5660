#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelmodels.h"
#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "analysis/runanalysis.h"
#include "input/loadfiles.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QTextStream;

// One batch analysis: the files named, the points read from them, and what
// the fits, the uncertainties and the checks made of them.
struct FitRun : RunAnalysis, LoadedFiles
{
    // Set when a file cannot give what the column mapping asks (a name it
    // lacks, a SPEC file whose scan is not chosen): the command line does
    // not fit the files, and nothing is analysed.
    QString inputError;

    // Set by analyse(), with the analysis this run inherits (see
    // RunAnalysis: the window's fit and figures, which the plots draw and
    // the quadratic reports, every model's fits, the constants of the model
    // chosen and the warnings).
    bool fitted = false;

    // The window fits once more than one point with a channel is loaded.
    bool fittable() const { return points.size() > 1 && nChannels >= 1; }
    // How many warnings say something about the data: every file finding,
    // every file without a point, and the channel warnings aboutData()
    // counts.
    int dataWarnings() const;
};

// Splits an --exclude argument, FILE or FILE:LINE. A text that names an
// existing file is a file, colon or not; otherwise a colon followed by
// digits alone at the end gives the line.
FitRun::Exclusion parseExclusion(const QString& text);

// Reads every path through loadFiles as veskor-fit does: with a mapping
// set, every file is a scan file of named columns (input/scanfile.h);
// otherwise as the window reads them, noting a file of labelled columns.
// Each file that opened is checked for what its reader passed over; one that
// cannot be opened is named on err.
FitRun loadFitRun(const QStringList& paths, QVector<FitRun::Exclusion>& exclusions,
                  QTextStream& err, const ScanOptions& options = {});

// Fits every channel with the window's solver and the exact models, reports
// the constants of choice, works out their uncertainties and runs the
// checks. Does nothing unless fittable().
void analyse(FitRun& run, ModelChoice choice);
