#pragma once

#include <QString>
#include <QVector>

class QIODevice;

// What the readers pass over in silence, and a user should hear of: a file
// that is not text, and values read as 0 because they did not convert (a
// header row of a CSV file, words in a notes file, the bytes of a binary
// file). The readers' results stay as they are; this is said beside them.
struct TextFinding
{
    enum class Kind
    {
        // The file holds a NUL character: it is not a text file.
        NulCharacter,
        // A value a reader used did not convert and counted as 0.
        ValueNotConverted,
    };

    Kind kind;
    // The first line where it was found, from 1 (every line feed counted,
    // as the count table reader counts).
    qint64 line = 0;
    // ValueNotConverted: the value's place among the line's values (from
    // 1) and its text, cut to 40 characters, control characters written as
    // \xNN.
    int column = 0;
    QString token = QString();
    // ValueNotConverted: how many more lines had such a value.
    qint64 moreLines = 0;
};

// Where the count table reader accepted a row, and with how many channels.
struct CountTableRow
{
    qint64 line;
    int channels;
};

// Checks a file the count table reader read, from the device's current
// position to its end: NUL characters anywhere, and among the I0, ICR and
// SCA values of each accepted row (rows in file order) those that did not
// convert. At most one finding of each kind, at the first line; lines
// longer than a megabyte are not looked into for values.
QVector<TextFinding> checkCountTableText(QIODevice& device, const QVector<CountTableRow>& rows);

// Checks a file the MCA spectrum reader accepted: NUL characters, and the
// values of the channel lines (ICR and window bounds) and of the spectrum
// rows (the bin, and the counts a window takes) that did not convert.
QVector<TextFinding> checkMcaText(QIODevice& device);
