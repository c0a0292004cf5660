#include "input/measurementfile.h"

#include "input/channellimit.h"
#include "input/mcareading.h"

#include <QBuffer>

namespace {

// Hands on only the points that admitPoint lets through.
PointSink admitted(const PointSink& onPoint)
{
    return [&onPoint](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
        if (admitPoint(icrs, scas))
            onPoint(i0, icrs, scas);
    };
}

} // namespace

void loadMeasurementFile(const QString& path, const PointSink& onPoint)
{
    McaReading reading;
    readMcaFile(reading, path);
    if (reading.ok)
        admitted(onPoint)(reading.i0, reading.icrs, reading.scas);
    else
        readCountTableFile(path, admitted(onPoint));
}

void loadMeasurementBytes(const QByteArray& bytes, const PointSink& onPoint)
{
    McaReading reading;
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        readMcaDevice(reading, buffer);
    }
    if (reading.ok) {
        admitted(onPoint)(reading.i0, reading.icrs, reading.scas);
        return;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    readCountTableDevice(buffer, admitted(onPoint));
}

MeasurementFormat loadNumberedMeasurementFile(const QString& path, const NumberedPointSink& onPoint)
{
    McaReading reading;
    readMcaFile(reading, path);
    if (reading.ok) {
        if (admitPoint(reading.icrs, reading.scas))
            onPoint(0, reading.i0, reading.icrs, reading.scas);
        return MeasurementFormat::McaSpectrum;
    }
    readNumberedCountTableFile(path, [&onPoint](qint64 line, double i0, const QVector<double>& icrs,
                                                const QVector<double>& scas) {
        if (admitPoint(icrs, scas))
            onPoint(line, i0, icrs, scas);
    });
    return MeasurementFormat::CountTable;
}
