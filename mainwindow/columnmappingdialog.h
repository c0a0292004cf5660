#pragma once

#include "input/columnmapping.h"
#include "input/mappingguess.h"
#include "input/scanfile.h"
#include "ui_columnmappingdialog.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

// Asks which columns (or HDF5 datasets) of a scan file give I0, the input
// and output counts and the time, and which scan of a SPEC file of
// several. It opens pre-filled with the mapping accepted last in this run
// for a file of the same names, or else with the guess; nothing is kept
// after the program ends.
class ColumnMappingDialog : public QDialog, private Ui_ColumnMappingDialog
{
    Q_OBJECT

public:
    explicit ColumnMappingDialog(QWidget* parent = nullptr);
    ~ColumnMappingDialog() override;

    // Shows what the file at path offers; files is how many scan files of
    // the selection the mapping is for.
    void offer(const QString& path, const ScanFileOutline& outline, int files);

    // What the user chose; the scan is empty unless the file holds several.
    ColumnMapping mapping() const;
    QString scan() const;

    void accept() override;

    // The most names listed in each choice: a file may hold some hundred
    // thousand datasets, which would take long to list and help no one.
    static constexpr int kListedNames = 2000;

private:
    // Lists a SPEC file's scans and shows the first worth showing.
    void showScans();
    void showScan(int index);
    void showNames(const QStringList& names);
    void updateState();
    QString rememberedKey() const;

    ScanFileOutline outline;
    // The names shown: the file's, or its chosen scan's.
    QStringList names;
    MappingGuess guess;
    QHash<QString, ColumnMapping> accepted;
};
