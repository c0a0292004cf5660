#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelmodels.h"
#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "analysis/runanalysis.h"
#include "input/columnmapping.h"
#include "input/measurementfile.h"
#include "input/pointview.h"
#include "input/textcheck.h"
#include "mainwindow/valuerange.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QTextStream;

// One batch analysis: the files named, the points read from them, and what
// the fits, the uncertainties and the checks made of them.
struct FitRun : RunAnalysis
{
    struct File
    {
        QString path;
        // False when the file could not be opened: it adds no point.
        bool opened = false;
        MeasurementFormat format = MeasurementFormat::CountTable;
        // The points read from it, those --exclude dropped included.
        int points = 0;
        // What the readers passed over in silence (NUL characters, values
        // that did not convert).
        QVector<TextFinding> findings;
        // The format of a file read through the column mapping ("XDAC",
        // "HDF5", ...); empty for the window's formats.
        QString columnFormat;
        // Other warnings about the file: rows or points skipped, a file of
        // labelled columns read as a count table.
        struct Note
        {
            QString check;
            QString text;
        };
        QVector<Note> notes;
    };
    struct Point
    {
        double i0 = 0.0;
        QVector<double> icrs;
        QVector<double> scas;
        // Index in files, the point's place in that file (from 0) and its
        // line (a count table row's, from 1; 0 in a spectrum file).
        int file = 0;
        int indexInFile = 0;
        qint64 line = 0;
        // The time the values were divided by (--time); 1 for counts.
        double time = 1.0;
    };
    // Points left out: every point of a file (line 0), or a count table's
    // row on that line.
    struct Exclusion
    {
        // As given on the command line.
        QString text;
        QString file;
        qint64 line = 0;
        int matched = 0;
    };

    QVector<File> files;
    QVector<Point> points;
    // Set when a file cannot give what the column mapping asks (a name it
    // lacks, a SPEC file whose scan is not chosen): the command line does
    // not fit the files, and nothing is analysed.
    QString inputError;
    // The window's rule over the same points (addToExtent): the channel
    // count in common and the ranges the plots scale to.
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;

    // Set by analyse(), with the analysis this run inherits (see
    // RunAnalysis: the window's fit and figures, which the plots draw and
    // the quadratic reports, every model's fits, the constants of the model
    // chosen and the warnings).
    bool fitted = false;

    // Views on points; valid while points is not changed.
    QVector<PointView> views() const;
    bool anyUnreadable() const;
    // The window fits once more than one point with a channel is loaded.
    bool fittable() const { return points.size() > 1 && nChannels >= 1; }
    // How many warnings say something about the data: every file finding,
    // every file without a point, and the channel warnings aboutData()
    // counts.
    int dataWarnings() const;
};

// The same file, whether or not the two paths are spelt alike.
bool sameFile(const QString& a, const QString& b);

// Splits an --exclude argument, FILE or FILE:LINE. A text that names an
// existing file is a file, colon or not; otherwise a colon followed by
// digits alone at the end gives the line.
FitRun::Exclusion parseExclusion(const QString& text);

// How the files are read: with a mapping set, every file is a scan file of
// named columns (input/scanfile.h), scan choosing a SPEC file's scan;
// otherwise as the window reads them.
struct ScanOptions
{
    ColumnMapping mapping;
    QString scan;
};

// Reads every path as options say (without a mapping as the window reads a
// chosen file: MCA spectrum format first, count table as fallback), in
// order, leaves out the points
// exclusions name (counting their matches) and adds each other point to the
// extent as the window does. A file that cannot be opened is named on err;
// the others are read all the same. Each file that opened is checked for
// what its reader passed over.
FitRun loadFitRun(const QStringList& paths, QVector<FitRun::Exclusion>& exclusions,
                  QTextStream& err, const ScanOptions& options = {});

// Fits every channel with the window's solver and the exact models, reports
// the constants of choice, works out their uncertainties and runs the
// checks. Does nothing unless fittable().
void analyse(FitRun& run, ModelChoice choice);
