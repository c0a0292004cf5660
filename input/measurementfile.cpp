#include "input/measurementfile.h"

#include "input/mcareading.h"

#include <QBuffer>

void loadMeasurementFile(const QString& path, const PointSink& onPoint)
{
    McaReading reading;
    readMcaFile(reading, path);
    if (reading.ok)
        onPoint(reading.i0, reading.icrs, reading.scas);
    else
        readCountTableFile(path, onPoint);
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
        onPoint(reading.i0, reading.icrs, reading.scas);
        return;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    readCountTableDevice(buffer, onPoint);
}
