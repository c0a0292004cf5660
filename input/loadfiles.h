#pragma once

#include "input/columnmapping.h"
#include "input/measurementfile.h"
#include "input/pointview.h"
#include "input/readlimits.h"
#include "input/scanfile.h"
#include "input/textcheck.h"
#include "mainwindow/valuerange.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The files of one load and the points read from them, with where each
// point came from. The window and veskor-fit read files only through
// loadFiles, so that the same files give them the same points.
struct LoadedFiles
{
    struct File
    {
        QString path;
        // False when the file could not be opened, or was refused before
        // it was read: it adds no point.
        bool opened = false;
        // Refused: larger than a file may be (LoadOptions::maxBytes).
        bool tooLarge = false;
        // Why not: "it is a directory", the system's reason, or its size.
        QString openError;
        MeasurementFormat format = MeasurementFormat::CountTable;
        // The points read from it, those --exclude dropped included.
        int points = 0;
        // What the readers passed over in silence (NUL characters, values
        // that did not convert).
        QVector<TextFinding> findings;
        // Read, or to be read, through the column mapping.
        bool scanFile = false;
        // The format of a file read through the column mapping ("XDAC",
        // "HDF5", ...); empty for the window's formats.
        QString columnFormat;
        // The SPEC scan read; empty for the other formats.
        QString scan;
        // Why a scan file gave no point: the failure for a caller that
        // words it itself, with the mapping's fault, and the error in
        // veskor-fit's words. A SPEC file's scans, for a message that lists
        // them.
        ScanFailure failure = ScanFailure::None;
        MappingFault fault;
        QString error;
        QVector<SpecScan> scans;
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
        // line (a count table row's, from 1; 0 in a spectrum file and in
        // HDF5).
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
    // Every file is a scan file and the last one cannot give what the
    // mapping asks (a name it lacks, a SPEC file whose scan is not chosen):
    // the mapping does not fit the files, and the rest is not read.
    bool stopped = false;
    // The window's rule over the same points (addToExtent): the channel
    // count in common and the ranges the plots scale to.
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;

    // Views on points; valid while points is not changed.
    QVector<PointView> views() const;
    bool anyUnreadable() const;
};

// The same file, whether or not the two paths are spelt alike.
bool sameFile(const QString& a, const QString& b);

// How scan files are read: the columns of the mapping, scan choosing a
// SPEC file's scan.
struct ScanOptions
{
    ColumnMapping mapping;
    QString scan;
};

// Which files are scan files, read through the mapping.
enum class ScanFiles
{
    // Every file (veskor-fit with a mapping). One that cannot give what the
    // mapping asks stops the load.
    All,
    // Those isScanFile recognises (the window); the others are read in the
    // window's formats. Without a mapping, scan files are passed over. One
    // that cannot give what the mapping asks gives no point; the others
    // still load.
    Recognised,
    // None: every file in the window's formats; one of labelled columns is
    // noted as likely misread (veskor-fit without a mapping).
    None,
};

struct LoadOptions
{
    ScanOptions scan;
    ScanFiles scanFiles = ScanFiles::None;
    // Also look for what the readers of the window's formats pass over;
    // reads each such file once more.
    bool checkText = false;
    // What one file may cost (input/readlimits.h); smaller in tests. A file
    // of more bytes is refused (a pipe or a device is read to the bound and
    // no further); one of more points or values is read up to the bound,
    // and a note says where it stopped.
    qint64 maxBytes = maxTextBytes;
    int maxPoints = maxFilePoints;
    qint64 maxValues = maxReadValues;
};

// Receives each point as it is read, before the next one, with its file;
// false leaves the point out of the set (the window has no room for it).
using LoadedPointSink =
    std::function<bool(const LoadedFiles::Point& point, const LoadedFiles::File& file)>;

// Reads paths in order as options say. The window's formats are read as
// the window reads a chosen file: MCA spectrum format first, count table as
// the fallback, every point in file order. Leaves out the points that
// exclusions name (counting their matches), those admitPoint refuses and
// those with a value that is not a finite number (noted with their line),
// and adds each other point to the extent as the window does. A file that
// cannot be opened adds no point; the others are read all the same. A pipe
// or a device is read once, into memory, and every pass reads that.
LoadedFiles loadFiles(const QStringList& paths, QVector<LoadedFiles::Exclusion>& exclusions,
                      const LoadOptions& options, const LoadedPointSink& onPoint = {});
