#pragma once

#include "input/columnmapping.h"
#include "input/labelledtext.h"
#include "input/readlimits.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;

// Why a scan file gives no points.
enum class ScanFailure
{
    None,
    CannotOpen,
    // Larger than maxScanTextBytes.
    TooLarge,
    // No file of labelled columns, not readable as HDF5, or a SPEC scan
    // without labels.
    NotReadable,
    // A SPEC file of several scans, none chosen.
    ScanNeeded,
    // The SPEC scan chosen is not in the file.
    NoSuchScan,
    // The file lacks what the mapping asks for (the mapping's fault says
    // what).
    Mapping,
};

// One scan file read through a column mapping.
struct ScanFileReading
{
    bool ok = false;
    ScanFailure failure = ScanFailure::None;
    // Why the file gives no points: it cannot be read, holds no labelled
    // columns, or lacks a name the mapping asks for.
    QString error;
    // "SPEC", "XDAC", "HDF5", ...; empty when not recognised.
    QString format;
    // A SPEC file's scans; scanNeeded when it holds several and none was
    // chosen.
    QVector<SpecScan> scans;
    bool scanNeeded = false;
    MappedScan mapped;
    // Rows and points passed over, each naming file and line.
    QStringList warnings;
};

// The most bytes a text scan file is read in: more than any scan of some
// thousand points of a few hundred channels needs.
constexpr qint64 maxScanTextBytes = maxTextBytes;

// Reads the file at path (HDF5 or one of the labelled text formats, told
// apart by their content) and maps its columns, reading no more than budget
// values; scan picks a SPEC file's scan. With bytes, the file is those bytes
// (a pipe or a device read beforehand) and path only names it. A text file
// is read to maxBytes and no further.
ScanFileReading readScanFile(const QString& path, const ColumnMapping& mapping, const QString& scan,
                             const QByteArray* bytes = nullptr, qint64 budget = maxReadValues,
                             qint64 maxBytes = maxScanTextBytes);

// The labelled format the file at path (or of bytes) is in ("CSV", "HDF5",
// ...), or an empty string: a file read as a count table that has one is
// likely misread. Told by the file's first lines (its first megabyte).
QString labelledFormatOf(const QString& path, const QByteArray* bytes = nullptr);

// Whether the window reads the file at path (or of bytes) through a column
// mapping: it holds labelled columns or is HDF5, and the MCA spectrum
// format, which is tried first, does not accept it.
bool isScanFile(const QString& path, const QByteArray* bytes = nullptr);

// Reads device from where it stands to its end, or to maxBytes: false,
// with bytes empty, when it has more to give.
bool readAtMost(QIODevice& device, qint64 maxBytes, QByteArray& bytes);

// What a scan file offers a mapping, for a user to choose from.
struct ScanFileOutline
{
    bool ok = false;
    ScanFailure failure = ScanFailure::None;
    QString error;
    QString format;
    // A SPEC file's scans, each with its labels.
    QVector<SpecScan> scans;
    // The names a mapping may use: the labels of the columns (of a SPEC
    // file's only scan; empty for a file of several, whose scans hold
    // theirs), or the paths of an HDF5 file's datasets.
    QStringList names;
    bool paths = false;
    // HDF5: the shapes of the first names (at most maxOutlinedShapes).
    QVector<NamedShape> shapes;
};

// Every dataset of a file is opened to tell its shape: a bound on the time
// a file of a great many takes.
constexpr int maxOutlinedShapes = 2000;

ScanFileOutline outlineScanFile(const QString& path);
