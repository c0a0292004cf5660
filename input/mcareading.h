#pragma once

#include <QString>
#include <QVector>

class QIODevice;

// What the MCA spectrum reader found in one file. Start from a fresh record
// for every file; the four vectors grow together, one entry per channel line.
struct McaReading
{
    // True when the file was accepted: I0 > 0 and at least one channel.
    bool ok = false;
    // I0 from the last "# I0 : " line.
    double i0 = 0.0;
    // Per channel, in the order of the channel lines: the ICR,
    QVector<double> icrs;
    // the sum of the counts inside the channel's window,
    QVector<double> scas;
    // and the window's lowest and highest bin (read as whole numbers).
    QVector<double> windowLow;
    QVector<double> windowHigh;
    // The first line (from 1) whose value left I0, an ICR or a count sum
    // not a finite number ("nan", "inf", or counts that overflow); 0 while
    // all are finite.
    qint64 notFiniteLine = 0;
};

// Reads the MCA spectrum file at path into reading. A file that cannot be
// opened leaves ok false, silently: the caller goes on to the count table.
void readMcaFile(McaReading& reading, const QString& path);

// The same on an open, readable device, from its current position to its
// end, for callers that hold the bytes in memory (wrap them in a QBuffer).
// The device is read in text mode, as the file is, whatever mode it was
// opened in: text mode drops every carriage return, not only those that end
// a line.
void readMcaDevice(McaReading& reading, QIODevice& device);
