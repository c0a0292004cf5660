#include "input/scanfile.h"

#include "input/hdf5source.h"
#include "input/mcareading.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// How much of a file labelledFormatOf looks at.
constexpr qint64 kDetectHead = qint64(1) << 20;

ScanFileReading mapped(ColumnSource& source, const ColumnMapping& mapping, qint64 budget)
{
    ScanFileReading r;
    r.format = source.formatName();
    if (!mapColumns(source, mapping, r.mapped, r.error, budget)) {
        r.failure = ScanFailure::Mapping;
        return r;
    }
    r.warnings = source.warnings() + r.mapped.warnings;
    r.ok = true;
    return r;
}

// The HDF5 signature where the library looks for it, in bytes read
// beforehand.
bool bytesLookLikeHdf5(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return deviceLooksLikeHdf5(buffer);
}

QString tooLarge(const QString& path, qint64 maxBytes)
{
    return QStringLiteral("%1 is larger than %2 MB, more than a scan file holds")
        .arg(path, QString::number(maxBytes >> 20));
}

// Opens the file at path (or of bytes) as the source of its format; null,
// with the failure and error in r, when it cannot. A SPEC file's scans go
// to r in either case.
std::unique_ptr<ColumnSource> openScanFile(const QString& path, const QString& scan,
                                           ScanFileReading& r, const QByteArray* given,
                                           qint64 maxBytes)
{
    QByteArray bytes;
    if (given) {
        if (bytesLookLikeHdf5(*given)) {
            std::unique_ptr<ColumnSource> source = openHdf5Image(*given, path, r.error);
            if (!source)
                r.failure = ScanFailure::NotReadable;
            return source;
        }
        if (given->size() > maxBytes) {
            r.failure = ScanFailure::TooLarge;
            r.error = tooLarge(path, maxBytes);
            return nullptr;
        }
        bytes = *given;
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            r.failure = ScanFailure::CannotOpen;
            r.error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
            return nullptr;
        }
        if (deviceLooksLikeHdf5(file)) {
            file.close();
            std::unique_ptr<ColumnSource> source = openHdf5File(path, r.error);
            if (!source)
                r.failure = ScanFailure::NotReadable;
            return source;
        }
        // A pipe or a device tells no size: it is read to the bound.
        if (file.size() > maxBytes || !readAtMost(file, maxBytes, bytes)) {
            r.failure = ScanFailure::TooLarge;
            r.error = tooLarge(path, maxBytes);
            return nullptr;
        }
    }
    LabelledTextReading text = readLabelledText(bytes, path, scan);
    r.scans = text.scans;
    r.scanNeeded = text.scanNeeded;
    if (!text.source) {
        r.failure = text.scanNeeded    ? ScanFailure::ScanNeeded
                    : text.scanMissing ? ScanFailure::NoSuchScan
                                       : ScanFailure::NotReadable;
        r.error = text.error;
    }
    return std::move(text.source);
}

} // namespace

bool readAtMost(QIODevice& device, qint64 maxBytes, QByteArray& bytes)
{
    bytes.clear();
    // Read straight into the array, grown a megabyte at a time (in place,
    // for blocks this large): no second copy of what was read, so a pipe
    // that runs to the bound costs the bound and not twice it.
    constexpr qint64 kChunk = qint64(1) << 20;
    qint64 size = 0;
    for (;;) {
        const qint64 want = std::min(kChunk, maxBytes + 1 - size);
        // Doubled by hand up to the bound: the array's own growth would
        // reserve past it.
        if (size + want > bytes.capacity())
            bytes.reserve(int(std::min(std::max(2 * qint64(bytes.capacity()), size + want),
                                       maxBytes + 1)));
        bytes.resize(int(size + want));
        const qint64 got = device.read(bytes.data() + size, want);
        if (got <= 0) {
            bytes.resize(int(size));
            return true;
        }
        size += got;
        if (size > maxBytes) {
            bytes = QByteArray();
            return false;
        }
    }
}

ScanFileReading readScanFile(const QString& path, const ColumnMapping& mapping, const QString& scan,
                             const QByteArray* bytes, qint64 budget, qint64 maxBytes)
{
    ScanFileReading r;
    std::unique_ptr<ColumnSource> source = openScanFile(path, scan, r, bytes, maxBytes);
    if (!source)
        return r;
    ScanFileReading m = mapped(*source, mapping, budget);
    m.scans = r.scans;
    return m;
}

QString labelledFormatOf(const QString& path, const QByteArray* bytes)
{
    QByteArray head;
    if (bytes) {
        if (bytesLookLikeHdf5(*bytes))
            return QStringLiteral("HDF5");
        head = bytes->left(int(kDetectHead) + 1);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        if (deviceLooksLikeHdf5(file))
            return QStringLiteral("HDF5");
        head = file.read(kDetectHead + 1);
    }
    // Every format shows itself in a file's first lines; detection looks at
    // no more (a byte past them tells it that the file goes on).
    return labelledTextFormatName(detectLabelledText(head));
}

bool isScanFile(const QString& path, const QByteArray* bytes)
{
    // A pipe or a device is read once, by the loader: opening it here would
    // wait for a writer or take what the loader should have read.
    if (!bytes && !QFileInfo(path).isFile())
        return false;
    if (labelledFormatOf(path, bytes).isEmpty())
        return false;
    McaReading reading;
    if (bytes) {
        QBuffer buffer;
        buffer.setData(*bytes);
        buffer.open(QIODevice::ReadOnly);
        readMcaDevice(reading, buffer);
    } else {
        readMcaFile(reading, path);
    }
    return !reading.ok;
}

ScanFileOutline outlineScanFile(const QString& path)
{
    ScanFileOutline o;
    ScanFileReading r;
    std::unique_ptr<ColumnSource> source =
        openScanFile(path, QString(), r, nullptr, maxScanTextBytes);
    o.scans = r.scans;
    // A SPEC file of several scans is outlined by its scans' labels.
    if (!source && r.failure != ScanFailure::ScanNeeded) {
        o.failure = r.failure;
        o.error = r.error;
        return o;
    }
    o.ok = true;
    o.format = source ? source->formatName() : QStringLiteral("SPEC");
    if (!source)
        return o;
    o.names = source->names();
    o.paths = o.format == QLatin1String("HDF5");
    if (o.paths)
        for (int i = 0; i < o.names.size() && i < maxOutlinedShapes; ++i)
            o.shapes.append(source->shapeOf(o.names[i]));
    return o;
}
