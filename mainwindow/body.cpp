#include "mainwindow/body.h"

#include "analysis/resultsexport.h"
#include "analysis/resultstable.h"
#include "analysis/resulttexts.h"
#include "input/ameasp.h"
#include "mainwindow/fittingscrollarea.h"
#include "plot/dispa.h"
#include "plot/plotcolors.h"
#include "plot/plotexport.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QVector>

Body::Body(QWidget* parent) : QFrame(parent, Qt::WindowFlags())
{
    colors = plotColors();

    setupUi(this);
    pointSet.tau0sLayout = Tau0sLayout;
    pointSet.tausLayout = TausLayout;
    // Quit stays first in the focus order, but a key pressed right after
    // start-up must not end the program: the focus starts on reading files.
    ReadFiles->setFocus();
    setAcceptDrops(true);
    // However many points are loaded, the plots keep most of the height.
    MCAScroll->setMaximumShare(1.0 / 3);
    // The constants start at the left, under the panels' first channels,
    // however few there are.
    gridLayout_8->setColumnStretch(4, 1);

    // The dialogs are top-level windows of their own, made once and reused,
    // so each remembers the directory the user last looked at.
    readDialog = new QFileDialog();
    readDialog->setObjectName(QStringLiteral("readDialog"));
    readDialog->setFileMode(QFileDialog::ExistingFiles);
    // Files are told apart by their content, not their names, so every file
    // is listed first; XDAC files end in a scan number (.001).
    readDialog->setNameFilters(
        {tr("All files (*)"),
         tr("Scan files: SPEC, XDI, XDAC, CSV, HDF5 (*.spec *.xdi *.[0-9][0-9][0-9] *.csv *.tsv "
            "*.txt *.dat *.h5 *.hdf5 *.hdf *.nxs)"),
         tr("MCA spectra and count tables (*.mca *.dat *.txt)")});

    saveDialog = new QFileDialog();
    saveDialog->setObjectName(QStringLiteral("saveDialog"));
    saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog->setNameFilters({QStringLiteral("data (*.dat)"), QStringLiteral("any (*, *.*)")});

    // The widget's name hides the enumeration's within Body.
    for (::ModelChoice choice :
         {::ModelChoice::Quadratic, ::ModelChoice::Paralyzable, ::ModelChoice::NonParalyzable,
          ::ModelChoice::Hybrid, ::ModelChoice::Auto})
        ModelChoice->addItem(ResultTexts::choiceLabel(choice), choiceName(choice));
    ModelChoice->setCurrentIndex(0);

    // The view choice sits beside the tabs, where it costs the plots no
    // height.
    auto* viewBar = new QWidget(ResultTabs);
    viewBar->setObjectName(QStringLiteral("PlotViewBar"));
    auto* viewLayout = new QHBoxLayout(viewBar);
    viewLayout->setContentsMargins(0, 0, 4, 0);
    auto* viewLabel = new QLabel(tr("View"), viewBar);
    viewLabel->setObjectName(QStringLiteral("PlotViewLabel"));
    plotViewBox = new QComboBox(viewBar);
    plotViewBox->setObjectName(QStringLiteral("PlotView"));
    plotViewBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    plotViewBox->addItem(tr("Counts"), plotViewName(PlotView::Counts));
    plotViewBox->addItem(tr("Ratio"), plotViewName(PlotView::Ratio));
    plotViewBox->addItem(tr("Residuals"), plotViewName(PlotView::Residuals));
    plotViewBox->setCurrentIndex(0);
    viewLabel->setBuddy(plotViewBox);
    viewLayout->addWidget(viewLabel);
    viewLayout->addWidget(plotViewBox);
    ResultTabs->setCornerWidget(viewBar, Qt::TopRightCorner);
    // Reached from the tab bar, before the page it shows.
    setTabOrder(ResultTabs->tabBar(), plotViewBox);

    resultsModel = new ResultsTableModel(this);
    ResultsView->setModel(resultsModel);
    ResultsView->sortByColumn(ResultsTableModel::Channel, Qt::AscendingOrder);
    ResultsView->verticalHeader()->hide();
    ResultsView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ResultsView->horizontalHeader()->setStretchLastSection(true);
    auto* copy = new QAction(tr("Copy"), ResultsView);
    copy->setObjectName(QStringLiteral("CopyResults"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ResultsView->addAction(copy);
    auto* saveTableAction = new QAction(tr("Save table\u2026"), ResultsView);
    saveTableAction->setObjectName(QStringLiteral("SaveTable"));
    ResultsView->addAction(saveTableAction);

    tableDialog = new QFileDialog();
    tableDialog->setObjectName(QStringLiteral("tableDialog"));
    tableDialog->setAcceptMode(QFileDialog::AcceptSave);
    tableDialog->setNameFilters({tr("CSV (*.csv)")});
    tableDialog->setDefaultSuffix(QStringLiteral("csv"));

    imageDialog = new QFileDialog();
    imageDialog->setObjectName(QStringLiteral("imageDialog"));
    imageDialog->setAcceptMode(QFileDialog::AcceptSave);
    const QString pngFilter = tr("PNG image (*.png)");
    const QString svgFilter = tr("SVG image (*.svg)");
    imageDialog->setNameFilters({pngFilter, svgFilter});
    imageDialog->setDefaultSuffix(QStringLiteral("png"));
    connect(imageDialog, &QFileDialog::filterSelected, imageDialog, [this, svgFilter](QString f) {
        imageDialog->setDefaultSuffix(f == svgFilter ? QStringLiteral("svg")
                                                     : QStringLiteral("png"));
    });
    dataDialog = new QFileDialog();
    dataDialog->setObjectName(QStringLiteral("dataDialog"));
    dataDialog->setAcceptMode(QFileDialog::AcceptSave);
    dataDialog->setNameFilters({tr("CSV (*.csv)")});
    dataDialog->setDefaultSuffix(QStringLiteral("csv"));
    addPlotMenu(I0NinDisp);
    addPlotMenu(NinNoutDisp);

    connect(ReadFiles, SIGNAL(clicked()), readDialog, SLOT(show()));
    connect(readDialog, SIGNAL(filesSelected(const QStringList&)), this,
            SLOT(filesSelected(const QStringList&)));
    connect(SaveResult, SIGNAL(clicked()), saveDialog, SLOT(show()));
    connect(saveDialog, SIGNAL(fileSelected(const QString&)), this,
            SLOT(saveResults(const QString&)));
    connect(I0NinDisp, SIGNAL(drawImage2(QPainter*)), this, SLOT(drawI0Nin(QPainter*)));
    connect(NinNoutDisp, SIGNAL(drawImage2(QPainter*)), this, SLOT(drawNinNout(QPainter*)));
    connect(Clear, SIGNAL(clicked()), this, SLOT(clearMcas()));
    connect(Quit, SIGNAL(clicked()), this, SIGNAL(quit()));
    // A pan or zoom lasts until a double click on the plot asks for the
    // whole data again.
    connect(I0NinDisp, SIGNAL(mouseDoubleClicked0()), &I0NinDisp->coord, SLOT(clearScale()));
    connect(NinNoutDisp, SIGNAL(mouseDoubleClicked0()), &NinNoutDisp->coord, SLOT(clearScale()));
    connect(ModelChoice, SIGNAL(currentIndexChanged(int)), this, SLOT(modelChosen(int)));
    connect(plotViewBox, SIGNAL(currentIndexChanged(int)), this, SLOT(viewChosen(int)));
    connect(copy, SIGNAL(triggered()), this, SLOT(copyResults()));
    connect(saveTableAction, SIGNAL(triggered()), tableDialog, SLOT(show()));
    connect(tableDialog, SIGNAL(fileSelected(const QString&)), this,
            SLOT(saveTable(const QString&)));
    connect(imageDialog, SIGNAL(fileSelected(const QString&)), this,
            SLOT(saveImage(const QString&)));
    connect(dataDialog, SIGNAL(fileSelected(const QString&)), this, SLOT(saveData(const QString&)));
}

void Body::addPlotMenu(DispA* surface)
{
    auto* menu = new QMenu(surface);
    menu->setObjectName(surface->objectName() + QStringLiteral("Menu"));
    QAction* copyImage = menu->addAction(tr("Copy image"));
    copyImage->setObjectName(QStringLiteral("CopyImage"));
    QAction* saveImageAction = menu->addAction(tr("Save image\u2026"));
    saveImageAction->setObjectName(QStringLiteral("SaveImage"));
    QAction* saveDataAction = menu->addAction(tr("Save data\u2026"));
    saveDataAction->setObjectName(QStringLiteral("SaveData"));
    connect(surface, &DispA::menuRequested, menu, [menu](QPoint at) { menu->popup(at); });
    connect(copyImage, &QAction::triggered, this,
            [surface] { QGuiApplication::clipboard()->setImage(surface->grab().toImage()); });
    connect(saveImageAction, &QAction::triggered, this, [this, surface] {
        exportSurface = surface;
        imageDialog->show();
    });
    connect(saveDataAction, &QAction::triggered, this, [this, surface] {
        exportSurface = surface;
        dataDialog->show();
    });
}

bool Body::mayExportTo(const QString& fname)
{
    for (const AMeasP* panel : qAsConst(pointSet.points)) {
        if (panel->originFile.isEmpty() || !sameFile(fname, panel->originFile))
            continue;
        auto* box = new QMessageBox(QMessageBox::Warning, tr("Veskor"),
                                    tr("%1 holds measurement points and is not overwritten.")
                                        .arg(QDir::toNativeSeparators(fname)),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("exportRefused"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return false;
    }
    return true;
}

void Body::showExportFailure(const QString& fname)
{
    auto* box = new QMessageBox(
        QMessageBox::Warning, tr("Veskor"),
        tr("The plot could not be written to %1.").arg(QDir::toNativeSeparators(fname)),
        QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("exportNotWritten"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Body::saveImage(QString fname)
{
    DispA* surface = exportSurface;
    if (!surface || !mayExportTo(fname))
        return;
    const QByteArray bytes = isSvgPath(fname)
                                 ? svgBytes(surface->size(), plotTitle(surface),
                                            [surface](QPainter* p) { surface->render(p); })
                                 : pngBytes(surface->grab().toImage());
    if (bytes.isEmpty() || !saveFileBytes(fname, bytes))
        showExportFailure(fname);
}

void Body::saveData(QString fname)
{
    DispA* surface = exportSurface;
    if (!surface || !mayExportTo(fname))
        return;
    // The view and the model by the names veskor-fit takes, in any language.
    const QString comment =
        QStringLiteral("Veskor plot data: %1; view %2; model %3")
            .arg(plotTitle(surface), plotViewName(plotView), choiceName(pointSet.model));
    if (!saveFileBytes(fname, sceneCsv(currentScene(surface), comment)))
        showExportFailure(fname);
}

void Body::refit()
{
    pointSet.fitDeadTimes();
    showResultsTable();
    updateUseBoxes();
}

void Body::showResultsTable()
{
    if (!pointSet.fitted) {
        resultsModel->setRows({});
        return;
    }
    resultsModel->setRows(resultRows(pointSet.analysis, pointSet.fitViews,
                                     [this](int point) { return pointSet.fitPointName(point); }));
}

void Body::updateUseBoxes()
{
    int in = 0;
    for (const AMeasP* panel : qAsConst(pointSet.points))
        in += panel->usedInFit() ? 1 : 0;
    for (AMeasP* panel : qAsConst(pointSet.points)) {
        const bool locked = panel->usedInFit() && in <= 2;
        if (panel->useInFitBox()->isEnabled() == locked)
            panel->lockUseInFit(locked);
    }
}

void Body::modelChosen(int index)
{
    ::ModelChoice choice = ::ModelChoice::Quadratic;
    if (!choiceFromName(ModelChoice->itemData(index).toString(), choice))
        return;
    pointSet.chooseModel(choice);
    showResultsTable();
    I0NinDisp->update();
    NinNoutDisp->update();
}

void Body::viewChosen(int index)
{
    PlotView view = PlotView::Counts;
    if (!plotViewFromName(plotViewBox->itemData(index).toString(), view))
        return;
    plotView = view;
    // A pan or zoom of one view means nothing in another.
    resetPlotViews();
    I0NinDisp->update();
    NinNoutDisp->update();
}

void Body::pointUseToggled(bool used)
{
    for (AMeasP* panel : qAsConst(pointSet.points)) {
        if (panel->useInFitBox() != sender())
            continue;
        panel->showUsedInFit(used);
        break;
    }
    if (pointSet.points.size() > 1)
        refit();
    else
        updateUseBoxes();
    I0NinDisp->update();
    NinNoutDisp->update();
}

void Body::copyResults()
{
    const QModelIndexList cells = ResultsView->selectionModel()->selectedIndexes();
    QGuiApplication::clipboard()->setText(resultsModel->copyText(cells));
}

void Body::saveTable(QString fname)
{
    if (saveFileBytes(fname, resultsModel->csv()))
        return;
    auto* box = new QMessageBox(
        QMessageBox::Warning, tr("Veskor"),
        tr("The table could not be written to %1.").arg(QDir::toNativeSeparators(fname)),
        QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("tableNotWritten"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void Body::dragEnterEvent(QDragEnterEvent* e)
{
    const QList<QUrl> urls = e->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            e->acceptProposedAction();
            return;
        }
    }
}

void Body::dropEvent(QDropEvent* e)
{
    QStringList files;
    const QList<QUrl> urls = e->mimeData()->urls();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (files.isEmpty())
        return;
    e->acceptProposedAction();
    // The program the files came from waits until the drop is answered:
    // the files load once this handler has returned, not inside it.
    QMetaObject::invokeMethod(
        this, [this, files] { filesSelected(files); }, Qt::QueuedConnection);
}

void Body::resetPlotViews()
{
    I0NinDisp->coord.clearScale();
    NinNoutDisp->coord.clearScale();
}

void Body::showRefusedPoints()
{
    if (pointsRefusedSinceClear == 0) {
        setWindowTitle(tr("Veskor"));
        return;
    }
    const int loaded = pointSet.points.size();
    setWindowTitle(tr("Veskor \u2014 %1 of %2 points loaded")
                       .arg(loaded)
                       .arg(loaded + pointsRefusedSinceClear));
}

// The panels and result fields still on screen go with the widget tree.
//
// The dialogs are not destroyed: a file dialog writes its history, last
// folder and view state to the user's Qt settings when it is destroyed, and
// the program keeps nothing between runs. They are hidden and kept in a list
// that lives until the process ends, where they stay reachable.
Body::~Body()
{
    static auto* const retired = new QVector<QFileDialog*>;
    for (QFileDialog* dialog : {readDialog, saveDialog, tableDialog, imageDialog, dataDialog}) {
        dialog->hide();
        // Each watched folder holds a file-system notifier, of which a user
        // has only so many; a retired dialog has nothing to show.
        if (auto* model = dialog->findChild<QFileSystemModel*>())
            model->setOption(QFileSystemModel::DontWatchForChanges);
        retired->append(dialog);
    }
}
