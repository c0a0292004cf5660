#include "mainwindow/body.h"

#include <QFileDialog>

Body::Body(QWidget* parent) : QFrame(parent, Qt::WindowFlags())
{
    colors = {
        QColor(0, 0, 0),     QColor(255, 0, 0),   QColor(0, 255, 0),   QColor(0, 0, 255),
        QColor(255, 255, 0), QColor(255, 0, 255), QColor(0, 255, 255), QColor(128, 255, 0),
        QColor(128, 0, 255), QColor(0, 128, 255), QColor(255, 128, 0), QColor(0, 255, 128),
        QColor(255, 0, 128),
    };

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
Body::~Body() = default;
