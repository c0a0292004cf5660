#include "mainwindow/body.h"

#include "plot/plotcolors.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QVector>

Body::Body(QWidget* parent) : QFrame(parent, Qt::WindowFlags())
{
    colors = plotColors();

    setupUi(this);
    pointSet.tau0sLayout = Tau0sLayout;
    pointSet.tausLayout = TausLayout;

    // The dialogs are top-level windows of their own, made once and reused,
    // so each remembers the directory the user last looked at.
    readDialog = new QFileDialog();
    readDialog->setObjectName(QStringLiteral("readDialog"));
    readDialog->setFileMode(QFileDialog::ExistingFiles);

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
