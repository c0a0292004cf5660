#include "mainwindow/body.h"

#include "plot/plotcolors.h"

#include <QFileDialog>

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

// The panels and result fields still on screen go with the widget tree. The
// dialogs are windows of their own, outside it; they are of no use without
// this window, so they go with it (in the program, at its very end).
Body::~Body()
{
    delete saveDialog;
    delete readDialog;
}
