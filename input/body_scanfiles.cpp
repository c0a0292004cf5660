#include "input/loadfiles.h"
#include "input/scanfile.h"
#include "input/scanfileproblems.h"
#include "mainwindow/body.h"
#include "mainwindow/columnmappingdialog.h"

#include <QMessageBox>

void Body::loadPendingSelections()
{
    while (!pendingSelections.isEmpty() && !(mappingDialog && mappingDialog->isVisible())) {
        const QStringList files = pendingSelections.takeFirst();
        QStringList scanFiles;
        for (const QString& path : files)
            if (isScanFile(path))
                scanFiles << path;
        QStringList problems;
        QStringList details;
        // The dialog shows the first scan file that can be outlined; its
        // answer holds for every scan file of the selection, as one set of
        // options does for veskor-fit. The whole selection then loads in its
        // order, once the dialog is answered; a file that could not be
        // outlined fails again there and is named then.
        for (const QString& path : qAsConst(scanFiles)) {
            const ScanFileOutline outline = outlineScanFile(path);
            if (!outline.ok) {
                problems << ScanFileProblems::ofOutline(path, outline, details);
                continue;
            }
            if (!mappingDialog) {
                mappingDialog = new ColumnMappingDialog(this);
                mappingDialog->setObjectName(QStringLiteral("ColumnMappingDialog"));
                connect(mappingDialog, &QDialog::finished, this, [this](int result) {
                    ScanOptions scan;
                    if (result == QDialog::Accepted)
                        scan = {mappingDialog->mapping(), mappingDialog->scan()};
                    QStringList details;
                    const QStringList problems = loadSelection(mappedSelection, scan, details);
                    mappedSelection.clear();
                    showScanFileProblems(problems, details);
                    loadPendingSelections();
                });
            }
            mappedSelection = files;
            mappingDialog->offer(path, outline, scanFiles.size());
            mappingDialog->open();
            return;
        }
        // No scan file to ask about: those that cannot be read are named,
        // the others load.
        QStringList ignored;
        loadSelection(files, ScanOptions{}, ignored);
        showScanFileProblems(problems, details);
    }
}

void Body::showScanFileProblems(const QStringList& problems, const QStringList& details)
{
    if (problems.isEmpty())
        return;
    if (!scanFileProblems) {
        scanFileProblems =
            new QMessageBox(QMessageBox::Warning, tr("Veskor"), QString(), QMessageBox::Ok, this);
        scanFileProblems->setObjectName(QStringLiteral("ScanFileProblems"));
        scanFileProblems->setAttribute(Qt::WA_DeleteOnClose);
        scanFileProblems->setText(tr("Not every scan file could be read as asked."));
    }
    // Problems of a later load, while the message is still open, join it.
    const QString shown = scanFileProblems->informativeText();
    scanFileProblems->setInformativeText((shown.isEmpty() ? QString() : shown + QLatin1Char('\n')) +
                                         problems.join(QLatin1Char('\n')));
    const QString words = scanFileProblems->detailedText();
    scanFileProblems->setDetailedText((words.isEmpty() ? QString() : words + QLatin1Char('\n')) +
                                      details.join(QLatin1Char('\n')));
    scanFileProblems->open();
}
