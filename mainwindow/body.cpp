#include "mainwindow/body.h"

#include "mainwindow/fittingscrollarea.h"
#include "plot/plotcolors.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMimeData>
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
    filesSelected(files);
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
    for (QFileDialog* dialog : {readDialog, saveDialog}) {
        dialog->hide();
        // Each watched folder holds a file-system notifier, of which a user
        // has only so many; a retired dialog has nothing to show.
        if (auto* model = dialog->findChild<QFileSystemModel*>())
            model->setOption(QFileSystemModel::DontWatchForChanges);
        retired->append(dialog);
    }
}
