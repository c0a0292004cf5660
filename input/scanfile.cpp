#include "input/scanfile.h"

#include <QFile>

ScanFileReading readScanFile(const QString& path, const ColumnMapping& mapping,
                             const QString& scan)
{
    ScanFileReading r;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return r;
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
    ColumnSource& source = *text.source;
    r.format = source.formatName();
    if (!mapColumns(source, mapping, r.mapped, r.error))
        return r;
    r.warnings = source.warnings() + r.mapped.warnings;
    r.ok = true;
    return r;
}

QString labelledFormatOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxScanTextBytes)
        return QString();
    return labelledTextFormatName(detectLabelledText(file.readAll()));
}
