#pragma once

#include "input/loadfiles.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// What went wrong with the scan files of a load, in the window's words (the
// errors of veskor-fit name its options): a line for each file that gave no
// point or not all it holds, and the readers' own words for the details.
class ScanFileProblems
{
    Q_DECLARE_TR_FUNCTIONS(ScanFileProblems)

public:
    // Lines for the scan files of loaded, read with scan; appends the
    // readers' words to details. Nothing when no mapping was given: the
    // scan files were passed over, not read.
    static QStringList ofLoad(const LoadedFiles& loaded, const ScanOptions& scan,
                              QStringList& details);
    // The line for a scan file that could not be outlined.
    static QString ofOutline(const QString& path, const ScanFileOutline& outline,
                             QStringList& details);

private:
    static QString failureText(const QString& path, ScanFailure failure, const MappingFault& fault,
                               const QString& scan, bool hdf5, int scans);
};
