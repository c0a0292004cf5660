#include "input/measurementfile.h"

#include "input/channellimit.h"
#include "input/mcareading.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>

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

namespace {

// Reads with fresh devices from open(): the spectrum format first, then the
// count table.
template <typename Open>
MeasurementFormat loadNumbered(const Open& open, const NumberedPointSink& onPoint,
                               const std::function<bool()>& more, qint64* notFiniteLine)
{
    McaReading reading;
    open([&](QIODevice& device) { readMcaDevice(reading, device); });
    if (reading.ok) {
        if (notFiniteLine)
            *notFiniteLine = reading.notFiniteLine;
        if (admitPoint(reading.icrs, reading.scas))
            onPoint(0, reading.i0, reading.icrs, reading.scas);
        return MeasurementFormat::McaSpectrum;
    }
    const NumberedPointSink admitting = [&onPoint](qint64 line, double i0,
                                                   const QVector<double>& icrs,
                                                   const QVector<double>& scas) {
        if (admitPoint(icrs, scas))
            onPoint(line, i0, icrs, scas);
    };
    open([&](QIODevice& device) { readNumberedCountTableDevice(device, admitting, more); });
    return MeasurementFormat::CountTable;
}

} // namespace

MeasurementFormat loadNumberedMeasurementFile(const QString& path, const NumberedPointSink& onPoint,
                                              const std::function<bool()>& more,
                                              qint64* notFiniteLine)
{
    bool first = true;
    return loadNumbered(
        [&](const std::function<void(QIODevice&)>& read) {
            QFile file(path);
            const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
            // The count table reader's note, once, as the window gives it.
            if (!opened && !first)
                qDebug() << "Cannot open" << path;
            first = false;
            if (opened)
                read(file);
        },
        onPoint, more, notFiniteLine);
}

MeasurementFormat loadNumberedMeasurementBytes(const QByteArray& bytes,
                                               const NumberedPointSink& onPoint,
                                               const std::function<bool()>& more,
                                               qint64* notFiniteLine)
{
    return loadNumbered(
        [&](const std::function<void(QIODevice&)>& read) {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            read(buffer);
        },
        onPoint, more, notFiniteLine);
}
