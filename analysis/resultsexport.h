#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The two files a save produces from the constants of a fit: the results
// file the user names, and beside it the configuration file that the
// acquisition software reads. Every number is written as a text stream
// writes a double by default (six significant digits, "%g" style, "inf",
// "-inf", "nan"), so the window and the command-line tool write the same
// bytes.

// "# Deadtime data", "Preamp:" with every tau0, "Amp:" with every tau, in
// the fit's unit; lines end in CR LF.
QByteArray resultsFileBytes(const QVector<double>& tau0s, const QVector<double>& taus);

// Three lines ending in LF, in millionths of the fit's unit: ten spaces, the
// mean tau0 and six times the mean tau; then "ICR0    " and "S025    " with
// exactly 19 columns each, missing channels written as 0. The means cover
// every channel, also those past the 19th column.
QByteArray confFileBytes(const QVector<double>& tau0s, const QVector<double>& taus);

// The configuration file's path: fname with ".conf" appended to the whole
// path (out.dat gives out.dat.conf).
QString confFileName(const QString& fname);

struct SaveOutcome
{
    bool resultsWritten = false;
    bool confWritten = false;
};

// Writes both files. Where the folder allows it and the target is a plain
// file of one link (or does not exist yet), each is written completely
// beside its target, synced, and only then put in its place, so a save that
// fails part-way leaves the file that was there before untouched. Otherwise
// (a folder the user may not create in, a sticky shared folder, another
// link, a FIFO, a file that cannot be given its owner, group or mode again)
// it is overwritten in place: such a save is never refused, and the file
// keeps what it is. The in-place write is never truncated first; its space
// is reserved before any byte is written, and a failure part-way puts the
// old bytes and length back, so the old contents survive a full disk or a
// size limit under every name. Symbolic links are written through. A FIFO
// that nobody reads is refused rather than waited for. Failures go to the
// debug log: "Cannot open date file." / "Cannot open date file2." when a
// file cannot be opened, "Cannot write date file." / "Cannot write date
// file2." when writing or putting it in place fails. The second file is
// attempted even when the first failed.
SaveOutcome writeResultFiles(const QString& fname, const QVector<double>& tau0s,
                             const QVector<double>& taus);

// Writes data to path by the same rules, for the other files the tools
// write; false when it cannot be opened or written.
bool saveFileBytes(const QString& path, const QByteArray& data);
