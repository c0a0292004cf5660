#pragma once

#include "mainwindow/pointset.h"
#include "plot/plotscene.h"
#include "ui_body.h"

#include "input/loadfiles.h"

#include <QColor>
#include <QFrame>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVector>

class AMeasP;
class ResultsTableModel;
class ColumnMappingDialog;
class QDragEnterEvent;
class QDropEvent;
class QFileDialog;
class QMessageBox;
class DispA;
class QComboBox;
class QPainter;

// The main window: button bar, I0 background field, the column of
// measurement-point panels, the two rows of fitted constants and the two
// plot surfaces.
class Body : public QFrame, private Ui_Body
{
    Q_OBJECT

public:
    explicit Body(QWidget* parent = nullptr);
    ~Body() override;

    // What the window knows about the data, read-only: the channel count and
    // ranges are otherwise visible only through the fit and the plots.
    const PointSet& pointData() const { return pointSet; }

    // The most widgets the point panels may take together: about 1,300
    // points of 19 channels or 6,000 of one channel, some seconds and under a
    // gigabyte to build. Without a bound, an unrelated large file chosen by
    // mistake (any line of three words is a count table row) would freeze the
    // window for minutes and exhaust the machine's memory. A point costs
    // eight widgets and one per value.
    static constexpr int kPanelRoom = 60000;
    // Tests reach the bound with a few points by lowering it.
    void setPanelRoom(int widgets) { panelRoom = widgets; }

Q_SIGNALS:
    void quit();

protected:
    // Files dropped on the window load as if chosen in the read dialog,
    // from the event loop once the drop has been accepted.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private Q_SLOTS:
    void filesSelected(QStringList files);
    void saveResults(QString fname);
    void clearMcas();
    void drawI0Nin(QPainter* p);
    void drawNinNout(QPainter* p);
    // The model choice: the fields, curves, table and Save follow it.
    void modelChosen(int index);
    // The plot view choice: both plots show the view chosen, at the whole
    // extent of its data.
    void viewChosen(int index);
    // A point's "use in fit" box: the fit runs again without it, or with it.
    void pointUseToggled(bool used);
    // The results table's "Copy" and "Save table..." actions.
    void copyResults();
    void saveTable(QString fname);
    // A plot's menu: the image to the clipboard, the image or the numbers
    // behind the plot to a file.
    void saveImage(QString fname);
    void saveData(QString fname);

private:
    // Fits the point set again and shows the results in the table.
    void refit();
    // The results table after a fit, a model choice or Clear.
    void showResultsTable();
    // A point's box cannot be unchecked while it is one of the last two in
    // the fit.
    void updateUseBoxes();
    // Adds one finished panel to the point set and to the panel column.
    void addPoint(AMeasP* panel);
    // Makes the panel of a point as it is read and adds it, unless the
    // window has no room left for it; false then.
    bool addReadPoint(const LoadedFiles::Point& point, const LoadedFiles::File& file);
    // Loads the selections chosen, in order, until one holds scan files:
    // the mapping dialog then asks for their columns, and the rest waits
    // until it is answered.
    void loadPendingSelections();
    // Loads one selection in order (scan files through scan's mapping, none
    // when it is not set), fits and repaints; returns what went wrong with
    // its scan files, to be shown.
    QStringList loadSelection(const QStringList& files, const ScanOptions& scan,
                              QStringList& details);
    // The message that names the scan files that gave no point or not all.
    void showScanFileProblems(const QStringList& problems, const QStringList& details);
    // New or no data: both plots show the data's whole extent again.
    void resetPlotViews();
    // The menu of one plot surface, made once.
    void addPlotMenu(DispA* surface);
    // What the surface shows now, worked out afresh without painting.
    PlotScene currentScene(DispA* surface);
    // The scene of surface in the current view, scaled through coord.
    PlotScene surfaceScene(DispA* surface, ChCoord& coord);
    QString plotTitle(DispA* surface) const;
    // False, with the user told, when fname is a file the points were read
    // from; an export never replaces a measurement.
    bool mayExportTo(const QString& fname);
    void showExportFailure(const QString& fname);
    // The title says how many points the window refused since the last
    // Clear, when it refused any.
    void showRefusedPoints();

    QVector<QColor> colors;
    // What both plots show, and the box that chooses it (beside the tabs).
    PlotView plotView = PlotView::Counts;
    QComboBox* plotViewBox = nullptr;
    QFileDialog* readDialog = nullptr;
    PointSet pointSet;
    QFileDialog* saveDialog = nullptr;
    QFileDialog* tableDialog = nullptr;
    // The plot exports' dialogs and the surface they save.
    QFileDialog* imageDialog = nullptr;
    QFileDialog* dataDialog = nullptr;
    DispA* exportSurface = nullptr;
    ResultsTableModel* resultsModel = nullptr;
    // Room for panels left in the current load, and the points refused there
    // for want of it.
    int panelRoom = kPanelRoom;
    int roomLeft = 0;
    int pointsRefused = 0;
    int pointsRefusedSinceClear = 0;
    // Scan files: the dialog that asks for their columns (made when first
    // needed), the selection it asks for, the selections chosen meanwhile,
    // and the message about those that went wrong.
    ColumnMappingDialog* mappingDialog = nullptr;
    QStringList mappedSelection;
    QList<QStringList> pendingSelections;
    QPointer<QMessageBox> scanFileProblems;
};
