#pragma once

#include "input/columnsource.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// The text files of labelled columns that beamlines write, each recognised
// by its content:
//
//   SPEC   "#S n command" starts scan n, "#L" gives its labels (separated by
//          two spaces, so a label may hold one), data rows follow.
//   XDI    "# XDI/" first, "# Column.N: label" lines, a "#----" line ends
//          the header.
//   XDAC   a free header, a line of dashes, one line of labels, data rows.
//   CSV    (also TSV and blank-separated) the first line that is neither
//          blank nor a "#" comment holds the labels.
//
// Values are read as C-locale numbers; a row whose count of values differs
// from the labels', or with a value that is not a number, is skipped and
// named in the warnings.
enum class LabelledTextFormat
{
    None,
    Spec,
    Xdi,
    Xdac,
    // Separated by commas or semicolons.
    Csv,
    Tsv,
    Blank,
};

// "SPEC", "XDI", "XDAC", "CSV", "TSV", "blank-separated text".
QString labelledTextFormatName(LabelledTextFormat format);

// Which of the formats the bytes hold; None when they hold no label line
// (a count table's first rows are numbers, for one).
LabelledTextFormat detectLabelledText(const QByteArray& bytes);

// One scan of a SPEC file.
struct SpecScan
{
    // "#S"'s number; "n.k" for the k-th scan (from 2) of a number used
    // again, as a restarted session writes.
    QString number;
    QString command;
    qint64 line = 0;
    int rows = 0;
    // Its "#L" labels; empty when it has none.
    QStringList labels;
};

struct LabelledTextReading
{
    // Null when the file cannot be read as asked; error says why.
    std::unique_ptr<ColumnSource> source;
    QString error;
    // Every scan of a SPEC file, in file order.
    QVector<SpecScan> scans;
    // A SPEC file holds several scans and none was chosen: the caller lists
    // scans.
    bool scanNeeded = false;
    // The scan chosen is not in the file.
    bool scanMissing = false;
};

// Reads bytes (the whole file at path, named in messages) as the format
// detectLabelledText finds. scan picks a SPEC file's scan by number ("3",
// or "3.2" for the second scan numbered 3); empty takes a file's only
// scan. Other formats ignore scan.
LabelledTextReading readLabelledText(const QByteArray& bytes, const QString& path,
                                     const QString& scan);
