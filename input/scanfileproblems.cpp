#include "input/scanfileproblems.h"

#include <QDir>

namespace {

QString roleName(MappingRole role)
{
    switch (role) {
    case MappingRole::I0:
        return QStringLiteral("I0");
    case MappingRole::Icr:
        return QStringLiteral("ICR");
    case MappingRole::Sca:
        return QStringLiteral("SCA");
    case MappingRole::Time:
        break;
    }
    return QString();
}

bool isHdf5(const QString& path)
{
    return labelledFormatOf(path) == QLatin1String("HDF5");
}

} // namespace

QString ScanFileProblems::failureText(const QString& file, ScanFailure failure,
                                      const MappingFault& fault, const QString& scan, bool hdf5,
                                      int scans)
{
    const QString path = QDir::toNativeSeparators(file);
    const QString role = fault.role == MappingRole::Time ? tr("the time") : roleName(fault.role);
    switch (failure) {
    case ScanFailure::None:
        break;
    case ScanFailure::CannotOpen:
        return tr("%1 cannot be opened.").arg(path);
    case ScanFailure::TooLarge:
        return tr("%1 is larger than %2 MB, more than a scan file holds.")
            .arg(path, QString::number(maxScanTextBytes >> 20));
    case ScanFailure::NotReadable:
        return hdf5 ? tr("%1 cannot be read as an HDF5 file.").arg(path)
                    : tr("%1 cannot be read as a scan file.").arg(path);
    case ScanFailure::ScanNeeded:
        return tr("%1 holds %2 scans; load it on its own to choose one.")
            .arg(path, QString::number(scans));
    case ScanFailure::NoSuchScan:
        return tr("%1 has no scan %2.").arg(path, scan);
    case ScanFailure::Mapping:
        switch (fault.kind) {
        case MappingFault::Kind::None:
            break;
        case MappingFault::Kind::Missing:
            return hdf5 ? tr("%1 has no dataset “%2” for %3.").arg(path, fault.name, role)
                        : tr("%1 has no column “%2” for %3.").arg(path, fault.name, role);
        case MappingFault::Kind::Unusable:
            return tr("In %1, “%2” cannot be used for %3.").arg(path, fault.name, role);
        case MappingFault::Kind::ChannelCounts:
            return tr("In %1, ICR gives %2 channels but SCA gives %3.")
                .arg(path, QString::number(fault.icrChannels), QString::number(fault.scaChannels));
        }
        break;
    }
    return tr("%1 cannot be read.").arg(path);
}

QStringList ScanFileProblems::ofLoad(const LoadedFiles& loaded, const ScanOptions& scan,
                                     QStringList& details)
{
    QStringList lines;
    if (!scan.mapping.isSet())
        return lines;
    for (const LoadedFiles::File& f : loaded.files) {
        if (!f.scanFile || !f.opened)
            continue;
        const QString path = QDir::toNativeSeparators(f.path);
        if (f.failure != ScanFailure::None) {
            lines << failureText(f.path, f.failure, f.fault, scan.scan, isHdf5(f.path),
                                 f.scans.size());
            details << f.error;
            continue;
        }
        QStringList skipped;
        for (const LoadedFiles::File::Note& n : f.notes)
            skipped << n.text;
        if (f.points == 0)
            lines << tr("%1 gives no measurement point.").arg(path);
        else if (!skipped.isEmpty())
            lines << tr("Some rows or points of %1 were skipped; the others are loaded.").arg(path);
        details += skipped;
    }
    return lines;
}

QString ScanFileProblems::ofOutline(const QString& path, const ScanFileOutline& outline,
                                    QStringList& details)
{
    details << outline.error;
    return failureText(path, outline.failure, MappingFault{}, QString(), isHdf5(path),
                       outline.scans.size());
}
