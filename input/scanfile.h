#pragma once

#include "input/columnmapping.h"
#include "input/labelledtext.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One scan file read through a column mapping.
struct ScanFileReading
{
    bool ok = false;
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
constexpr qint64 maxScanTextBytes = qint64(256) << 20;

// Reads the file at path (HDF5 or one of the labelled text formats, told
// apart by their content) and maps its columns; scan picks a SPEC file's
// scan.
ScanFileReading readScanFile(const QString& path, const ColumnMapping& mapping,
                             const QString& scan);

// The labelled format the file at path is in ("CSV", "HDF5", ...), or an
// empty string: a file read as a count table that has one is likely misread.
QString labelledFormatOf(const QString& path);
