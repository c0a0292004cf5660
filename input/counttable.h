#pragma once

#include <QString>
#include <QVector>

#include <functional>

class QIODevice;

// Receives one measurement point: I0, then the ICR and the SCA count of
// every channel, channel 1 first.
using PointSink =
    std::function<void(double i0, const QVector<double>& icrs, const QVector<double>& scas)>;

// Receives one row of a count table with the line it stands on in the file
// (from 1, every line feed counted), so that a point can be traced back.
using NumberedPointSink = std::function<void(qint64 line, double i0, const QVector<double>& icrs,
                                             const QVector<double>& scas)>;

// Reads the count table file at path and hands every accepted row to onRow
// at once, in file order, before the next line is read. A file that cannot
// be opened writes "Cannot open" with the quoted path to the debug log and
// hands on nothing.
void readCountTableFile(const QString& path, const PointSink& onRow);

// The same on an open, readable device, from its current position to its
// end (no message: there is nothing to open), for callers that hold the
// bytes in memory (wrap them in a QBuffer). Read in text mode as the file
// is, whatever mode the device was opened in.
void readCountTableDevice(QIODevice& device, const PointSink& onRow);

// The same two, with each row's line. With more, reading stops before the
// first line at which more() is false.
void readNumberedCountTableFile(const QString& path, const NumberedPointSink& onRow,
                                const std::function<bool()>& more = {});
void readNumberedCountTableDevice(QIODevice& device, const NumberedPointSink& onRow,
                                  const std::function<bool()>& more = {});
