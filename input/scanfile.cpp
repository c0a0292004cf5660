#include "input/scanfile.h"

#include "input/hdf5source.h"
#include "input/mcareading.h"

#include <QFile>

namespace {

// How much of a file labelledFormatOf looks at.
constexpr qint64 kDetectHead = qint64(1) << 20;

ScanFileReading mapped(ColumnSource& source, const ColumnMapping& mapping)
{
    ScanFileReading r;
    r.format = source.formatName();
    if (!mapColumns(source, mapping, r.mapped, r.error)) {
        r.failure = ScanFailure::Mapping;
        return r;
    }
    r.warnings = source.warnings() + r.mapped.warnings;
    r.ok = true;
    return r;
}

// Opens the file at path as the source of its format; null, with the
// failure and error in r, when it cannot. A SPEC file's scans go to r in
// either case.
std::unique_ptr<ColumnSource> openScanFile(const QString& path, const QString& scan,
                                           ScanFileReading& r)
{
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
    if (file.size() > maxScanTextBytes) {
        r.failure = ScanFailure::TooLarge;
        r.error = QStringLiteral("%1 is larger than %2 MB, more than a scan file holds")
                      .arg(path, QString::number(maxScanTextBytes >> 20));
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
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

ScanFileReading readScanFile(const QString& path, const ColumnMapping& mapping, const QString& scan)
{
    ScanFileReading r;
    std::unique_ptr<ColumnSource> source = openScanFile(path, scan, r);
    if (!source)
        return r;
    ScanFileReading m = mapped(*source, mapping);
    m.scans = r.scans;
    return m;
}

QString labelledFormatOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    if (deviceLooksLikeHdf5(file))
        return QStringLiteral("HDF5");
    if (file.size() > maxScanTextBytes)
        return QString();
    // Every format shows itself in a file's first lines; a long line of
    // numbers read as a count table must not cost its whole length again.
    QByteArray head = file.read(kDetectHead);
    const int lastLine = head.lastIndexOf('\n');
    if (!file.atEnd() && lastLine > 0)
        head.truncate(lastLine + 1);
    return labelledTextFormatName(detectLabelledText(head));
}

bool isScanFile(const QString& path)
{
    if (labelledFormatOf(path).isEmpty())
        return false;
    McaReading reading;
    readMcaFile(reading, path);
    return !reading.ok;
}

ScanFileOutline outlineScanFile(const QString& path)
{
    ScanFileOutline o;
    ScanFileReading r;
    std::unique_ptr<ColumnSource> source = openScanFile(path, QString(), r);
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
