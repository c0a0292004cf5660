#include "input/scanfile.h"

#include "input/hdf5source.h"

#include <QFile>

namespace {

// Where an HDF5 file's signature may stand: at 0, 512, 1024, 2048 and so on
// (a user block may come first); the first few kilobytes hold the usual.
constexpr qint64 kHdf5Head = 4096;

ScanFileReading mapped(ColumnSource& source, const ColumnMapping& mapping)
{
    ScanFileReading r;
    r.format = source.formatName();
    if (!mapColumns(source, mapping, r.mapped, r.error))
        return r;
    r.warnings = source.warnings() + r.mapped.warnings;
    r.ok = true;
    return r;
}

} // namespace

ScanFileReading readScanFile(const QString& path, const ColumnMapping& mapping,
                             const QString& scan)
{
    ScanFileReading r;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return r;
    }
    if (looksLikeHdf5(file.peek(kHdf5Head))) {
        file.close();
        std::unique_ptr<ColumnSource> source = openHdf5File(path, r.error);
        return source ? mapped(*source, mapping) : r;
    }
    if (file.size() > maxScanTextBytes) {
        r.error = QStringLiteral("%1 is larger than %2 MB, more than a scan file holds")
                      .arg(path)
                      .arg(maxScanTextBytes >> 20);
        return r;
    }
    const QByteArray bytes = file.readAll();
    LabelledTextReading text = readLabelledText(bytes, path, scan);
    r.scans = text.scans;
    r.scanNeeded = text.scanNeeded;
    if (!text.source) {
        r.error = text.error;
        return r;
    }
    ScanFileReading m = mapped(*text.source, mapping);
    m.scans = r.scans;
    return m;
}

QString labelledFormatOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    if (looksLikeHdf5(file.peek(kHdf5Head)))
        return QStringLiteral("HDF5");
    if (file.size() > maxScanTextBytes)
        return QString();
    return labelledTextFormatName(detectLabelledText(file.readAll()));
}
