#pragma once

#include "input/counttable.h"

#include <QByteArray>
#include <QString>

// Loads one measurement file as the window does: as an MCA spectrum file
// first (one point); when that format does not accept it, as a count table
// (one point per accepted row). Every point goes to onPoint in file order,
// except one with more channels than maxPointChannels (input/channellimit.h):
// it is left out with a debug message. A spectrum file so refused is not
// read again as a count table. A file that cannot be opened gives the count
// table's "Cannot open" message once and no point.
void loadMeasurementFile(const QString& path, const PointSink& onPoint);

// The same rule on the bytes of a file held in memory.
void loadMeasurementBytes(const QByteArray& bytes, const PointSink& onPoint);

// Which format read a file.
enum class MeasurementFormat
{
    McaSpectrum,
    // Also a file that neither format accepted, or that could not be opened.
    CountTable,
};

// loadMeasurementFile with each point's line in the file: the count table
// row's, and 0 for the one point of a spectrum file. Returns the format that
// read the file. A count table is read only while more() is true (when
// given); notFiniteLine receives a spectrum's McaReading::notFiniteLine.
MeasurementFormat loadNumberedMeasurementFile(const QString& path, const NumberedPointSink& onPoint,
                                              const std::function<bool()>& more = {},
                                              qint64* notFiniteLine = nullptr);

// The same on the bytes of a file read beforehand (a pipe's).
MeasurementFormat loadNumberedMeasurementBytes(const QByteArray& bytes,
                                               const NumberedPointSink& onPoint,
                                               const std::function<bool()>& more = {},
                                               qint64* notFiniteLine = nullptr);
