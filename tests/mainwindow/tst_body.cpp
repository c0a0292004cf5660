#include "app/startup.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "testsupport.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTimer>

namespace {

enum Margins
{
    AnyMargins,
    ZeroMargins,
    DefaultMargins
};

QLayout* layoutContaining(QObject* root, QObject* target)
{
    const auto layouts = root->findChildren<QLayout*>();
    for (QLayout* l : layouts) {
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem* it = l->itemAt(i);
            if (it->widget() == target || it->layout() == target)
                return l;
        }
    }
    return nullptr;
}

QPair<int, int> cellOf(QLayout* layout, QObject* target)
{
    auto* grid = qobject_cast<QGridLayout*>(layout);
    if (!grid)
        return {-1, -1};
    for (int i = 0; i < grid->count(); ++i) {
        QLayoutItem* it = grid->itemAt(i);
        if (it->widget() == target || it->layout() == target) {
            int r, c, rs, cs;
            grid->getItemPosition(i, &r, &c, &rs, &cs);
            if (rs != 1 || cs != 1 || it->alignment() != Qt::Alignment())
                return {-2, -2};
            return {r, c};
        }
    }
    return {-1, -1};
}

QStringList focusChain(QWidget* window)
{
    QStringList names;
    QWidget* w = window->nextInFocusChain();
    while (w && w != window) {
        if (w->focusPolicy() & Qt::TabFocus)
            names << w->objectName();
        w = w->nextInFocusChain();
    }
    return names;
}

// The dialogs have no parent, so a window's own dialog is the one that was
// not there before the window was built.
struct DialogWatch
{
    QWidgetList before = QApplication::topLevelWidgets();

    QFileDialog* find(const char* name) const
    {
        QFileDialog* found = nullptr;
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget* w : tops) {
            auto* d = qobject_cast<QFileDialog*>(w);
            if (d && !before.contains(w) && d->objectName() == QLatin1String(name)) {
                if (found)
                    return nullptr; // more than one: the window made a second dialog
                found = d;
            }
        }
        return found;
    }
};

} // namespace

class TestBody : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widgetTree_data();
    void widgetTree();
    void creationOrder();
    void windowAndTexts();
    void spacers();
    void metaObject();
    void readDialog();
    void saveDialog();
    void dialogsCloseWithTheWindow();
    void quitEmitsOnce();
    void quitEndsEventLoopWithDialogOpen();
    void readFilesHasFocusWhenShown();
};

void TestBody::widgetTree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QString>("parent"); // owning widget
    QTest::addColumn<QString>("placedIn");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("hPolicy"); // -1: class default
    QTest::addColumn<int>("vPolicy");
    QTest::addColumn<int>("shape"); // -1: not a frame of the table
    QTest::addColumn<int>("shadow");
    QTest::addColumn<int>("margins");

    const int P = QSizePolicy::Preferred, M = QSizePolicy::Maximum, F = QSizePolicy::Fixed,
              E = QSizePolicy::Expanding;
    const int SP = QFrame::StyledPanel, NF = QFrame::NoFrame, R = QFrame::Raised;
    auto row = [](const char* name, const char* cls, const char* parent, const char* in, int r,
                  int c, int hp, int vp, int shape, int shadow, int margins) {
        QTest::newRow(name) << QString(name) << QString(cls) << QString(parent) << QString(in) << r
                            << c << hp << vp << shape << shadow << margins;
    };
    row("gridLayout", "QGridLayout", "Body", "", -1, -1, -1, -1, -1, -1, DefaultMargins);
    // The plots and the results table share the rows below the constants,
    // a tab each.
    row("ResultTabs", "QTabWidget", "Body", "gridLayout", 4, 0, E, E, -1, -1, AnyMargins);
    row("PlotsLayout", "QGridLayout", "PlotsPage", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("I0NinDispF", "QFrame", "PlotsPage", "PlotsLayout", 0, 0, -1, -1, SP, R, AnyMargins);
    row("gridLayout_5", "QGridLayout", "I0NinDispF", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("I0NinDisp", "DispA", "I0NinDispF", "gridLayout_5", 0, 0, -1, -1, SP, R, AnyMargins);
    // The panel column and the constants scroll: each frame is the widget of
    // a scroll area in its row.
    row("MCAScroll", "FittingScrollArea", "Body", "gridLayout", 2, 0, P, M, NF, -1, AnyMargins);
    row("frame_3", "QFrame", "qt_scrollarea_viewport", "MCAScroll", -1, -1, P, M, NF, R,
        AnyMargins);
    row("gridLayout_4", "QGridLayout", "frame_3", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("MCALayout", "QGridLayout", "frame_3", "gridLayout_4", 0, 0, -1, -1, -1, -1, AnyMargins);
    row("frame", "QFrame", "Body", "gridLayout", 0, 0, P, M, NF, R, AnyMargins);
    row("gridLayout_2", "QGridLayout", "frame", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("Quit", "QPushButton", "frame", "gridLayout_2", 0, 6, M, F, -1, -1, AnyMargins);
    row("ModelLabel", "QLabel", "frame", "gridLayout_2", 0, 3, M, P, -1, -1, AnyMargins);
    row("ModelChoice", "QComboBox", "frame", "gridLayout_2", 0, 4, M, F, -1, -1, AnyMargins);
    row("SaveResult", "QPushButton", "frame", "gridLayout_2", 0, 1, M, F, -1, -1, AnyMargins);
    row("ReadFiles", "QPushButton", "frame", "gridLayout_2", 0, 0, M, F, -1, -1, AnyMargins);
    row("Clear", "QPushButton", "frame", "gridLayout_2", 0, 2, -1, -1, -1, -1, AnyMargins);
    row("frame_2", "QFrame", "Body", "gridLayout", 1, 0, P, M, NF, R, AnyMargins);
    row("gridLayout_3", "QGridLayout", "frame_2", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("label", "QLabel", "frame_2", "gridLayout_3", 0, 0, -1, -1, -1, -1, AnyMargins);
    row("lineEdit", "QLineEdit", "frame_2", "gridLayout_3", 0, 1, P, F, -1, -1, AnyMargins);
    row("NinNoutDispF", "QFrame", "PlotsPage", "PlotsLayout", 1, 0, -1, -1, SP, R, AnyMargins);
    row("gridLayout_6", "QGridLayout", "NinNoutDispF", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("NinNoutDisp", "DispA", "NinNoutDispF", "gridLayout_6", 0, 0, -1, -1, SP, R, AnyMargins);
    row("TausScroll", "FittingScrollArea", "Body", "gridLayout", 3, 0, P, F, NF, -1, AnyMargins);
    row("TausDispBase", "QFrame", "qt_scrollarea_viewport", "TausScroll", -1, -1, P, M, NF, R,
        AnyMargins);
    row("gridLayout_8", "QGridLayout", "TausDispBase", "", -1, -1, -1, -1, -1, -1, ZeroMargins);
    row("Tau0sLayout", "QGridLayout", "TausDispBase", "gridLayout_8", 0, 3, -1, -1, -1, -1,
        AnyMargins);
    row("label_3", "QLabel", "TausDispBase", "gridLayout_8", 0, 0, -1, -1, -1, -1, AnyMargins);
    row("label_2", "QLabel", "TausDispBase", "gridLayout_8", 0, 1, -1, -1, -1, -1, AnyMargins);
    // The two rows of constants one under the other, so that they scroll
    // across together.
    row("label_5", "QLabel", "TausDispBase", "gridLayout_8", 1, 2, -1, -1, -1, -1, AnyMargins);
    row("label_4", "QLabel", "TausDispBase", "gridLayout_8", 0, 2, -1, -1, -1, -1, AnyMargins);
    row("TausLayout", "QGridLayout", "TausDispBase", "gridLayout_8", 1, 3, -1, -1, -1, -1,
        AnyMargins);
    row("ResultsView", "QTableView", "TablePage", "TableLayout", 0, 0, E, E, -1, -1, AnyMargins);
}

void TestBody::widgetTree()
{
    QFETCH(QString, name);
    QFETCH(QString, cls);
    QFETCH(QString, parent);
    QFETCH(QString, placedIn);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(int, hPolicy);
    QFETCH(int, vPolicy);
    QFETCH(int, shape);
    QFETCH(int, shadow);
    QFETCH(int, margins);

    Body body;
    const auto matches = body.findChildren<QObject*>(name);
    QCOMPARE(matches.size(), 1);
    QObject* obj = matches.first();
    QCOMPARE(QString(obj->metaObject()->className()), cls);

    if (auto* w = qobject_cast<QWidget*>(obj)) {
        QVERIFY(w->parentWidget());
        QCOMPARE(w->parentWidget()->objectName(), parent);
        if (hPolicy >= 0) {
            QCOMPARE(int(w->sizePolicy().horizontalPolicy()), hPolicy);
            QCOMPARE(int(w->sizePolicy().verticalPolicy()), vPolicy);
            QCOMPARE(w->sizePolicy().horizontalStretch(), 0);
            QCOMPARE(w->sizePolicy().verticalStretch(), 0);
        } else {
            const QSizePolicy def = QWidget().sizePolicy();
            if (cls == QLatin1String("QPushButton")) {
                QCOMPARE(w->sizePolicy(), QPushButton().sizePolicy());
            } else if (cls == QLatin1String("QLabel")) {
                QCOMPARE(w->sizePolicy(), QLabel().sizePolicy());
            } else {
                QCOMPARE(w->sizePolicy().horizontalPolicy(), def.horizontalPolicy());
            }
        }
        if (shape >= 0) {
            auto* f = qobject_cast<QFrame*>(w);
            QVERIFY(f);
            QCOMPARE(int(f->frameShape()), shape);
            if (shadow >= 0)
                QCOMPARE(int(f->frameShadow()), shadow);
        }
        QVERIFY(w->styleSheet().isEmpty());
        if (row < 0) {
            // The content of a scroll area that fills its width.
            auto* area = body.findChild<QScrollArea*>(placedIn);
            QVERIFY(area);
            QCOMPARE(area->widget(), w);
            QVERIFY(area->widgetResizable());
            return;
        }
    } else {
        auto* l = qobject_cast<QGridLayout*>(obj);
        QVERIFY(l);
        QCOMPARE(l->parentWidget()->objectName(), parent);
        QWidget plain;
        QGridLayout styleDefault(&plain);
        QCOMPARE(l->horizontalSpacing(), styleDefault.horizontalSpacing());
        QCOMPARE(l->verticalSpacing(), styleDefault.verticalSpacing());
        const QMargins m = l->contentsMargins();
        if (margins == ZeroMargins)
            QCOMPARE(m, QMargins(0, 0, 0, 0));
        if (margins == DefaultMargins)
            QVERIFY(m != QMargins(0, 0, 0, 0));
        if (placedIn.isEmpty()) {
            QCOMPARE(l->parentWidget()->layout(), l);
            return;
        }
        QCOMPARE(l->count(), 0); // the nested grids start empty
    }

    QLayout* container = layoutContaining(&body, obj);
    QVERIFY(container);
    QCOMPARE(container->objectName(), placedIn);
    QCOMPARE(cellOf(container, obj), qMakePair(row, col));
}

void TestBody::creationOrder()
{
    Body body;
    auto names = [](QObject* o) {
        QStringList n;
        const auto kids = o->children();
        for (QObject* c : kids)
            if (!c->objectName().isEmpty())
                n << c->objectName();
        return n;
    };
    // The tab widget, made last, is moved among the children by the toolkit.
    QStringList top = names(&body);
    QCOMPARE(top.removeAll("ResultTabs"), 1);
    QCOMPARE(top, QStringList({"gridLayout", "MCAScroll", "frame", "frame_2", "TausScroll"}));
    QCOMPARE(names(body.findChild<QFrame*>("frame")),
             QStringList({"gridLayout_2", "Quit", "SaveResult", "ReadFiles", "ModelLabel",
                          "ModelChoice", "Clear"}));
    QCOMPARE(names(body.findChild<QFrame*>("TausDispBase")),
             QStringList({"gridLayout_8", "label_3", "label_2", "label_5", "label_4"}));
    // The focus order follows creation: Quit first, then the I0 field, then
    // the tabs of the plots and the results table.
    const QStringList chain = focusChain(&body);
    QCOMPARE(chain.mid(0, 7), QStringList({"Quit", "SaveResult", "ReadFiles", "ModelChoice",
                                           "Clear", "lineEdit", "ResultTabs"}));
    QCOMPARE(chain.last(), QString("ResultsView"));
    // The plot view box comes with the tabs, before the page they show.
    QCOMPARE(chain.indexOf("PlotView"), chain.indexOf("qt_tabwidget_tabbar") + 1);
}

void TestBody::windowAndTexts()
{
    Body body;
    QCOMPARE(body.objectName(), QString("Body"));
    QCOMPARE(body.size(), QSize(1536, 854));
    QCOMPARE(body.windowTitle(), QString("Veskor"));
    QVERIFY(!body.parentWidget());
    auto text = [&](const char* n) { return body.findChild<QWidget*>(n)->property("text"); };
    QCOMPARE(text("Quit").toString(), QString("Quit"));
    QCOMPARE(text("SaveResult").toString(), QString("Save"));
    QCOMPARE(text("ReadFiles").toString(), QString("Read File(s)"));
    QCOMPARE(text("Clear").toString(), QString("Clear"));
    QCOMPARE(text("label").toString(), QString("I0 Back Ground"));
    QCOMPARE(text("lineEdit").toString(), QString("0"));
    QCOMPARE(text("label_3").toString(), QString());
    QCOMPARE(text("label_2").toString(), QString());
    QCOMPARE(text("label_5").toString(), QString("Taus (Amp)"));
    QCOMPARE(text("label_4").toString(), QString("Tau0s (preAmp)"));
    auto* edit = body.findChild<QLineEdit*>("lineEdit");
    QVERIFY(!edit->isReadOnly());
    QCOMPARE(edit->alignment(), Qt::AlignRight | Qt::AlignVCenter);
}

void TestBody::spacers()
{
    Body body;
    for (auto [layoutName, col] :
         {QPair<const char*, int>("gridLayout_2", 5), QPair<const char*, int>("gridLayout_3", 2)}) {
        auto* grid = body.findChild<QGridLayout*>(layoutName);
        QLayoutItem* item = grid->itemAtPosition(0, col);
        QVERIFY2(item && item->spacerItem(), layoutName);
        QCOMPARE(item->sizeHint(), QSize(40, 20));
        QCOMPARE(item->spacerItem()->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(item->spacerItem()->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
}

void TestBody::metaObject()
{
    const QMetaObject& mo = Body::staticMetaObject;
    QCOMPARE(QString(mo.className()), QString("Body"));
    const char* sigs[] = {"quit()",
                          "filesSelected(QStringList)",
                          "saveResults(QString)",
                          "clearMcas()",
                          "drawI0Nin(QPainter*)",
                          "drawNinNout(QPainter*)",
                          "modelChosen(int)",
                          "viewChosen(int)",
                          "pointUseToggled(bool)",
                          "copyResults()",
                          "saveTable(QString)",
                          "saveImage(QString)",
                          "saveData(QString)"};
    const int count = int(sizeof sigs / sizeof *sigs);
    QCOMPARE(mo.methodCount() - mo.methodOffset(), count);
    for (int i = 0; i < count; ++i) {
        const QMetaMethod m = mo.method(mo.methodOffset() + i);
        QCOMPARE(m.methodSignature(), QByteArray(sigs[i]));
        QCOMPARE(m.methodType(), i == 0 ? QMetaMethod::Signal : QMetaMethod::Slot);
        QCOMPARE(m.access(), i == 0 ? QMetaMethod::Public : QMetaMethod::Private);
    }
}

void TestBody::readDialog()
{
    DialogWatch dialogs;
    Body body;
    body.show();
    auto* read = body.findChild<QPushButton*>("ReadFiles");
    QFileDialog* dialog = dialogs.find("readDialog");
    QVERIFY(dialog);
    QVERIFY(!dialog->parent());
    QVERIFY(!dialog->isVisible());
    const int dialogsBefore = QApplication::topLevelWidgets().size();

    QTest::mouseClick(read, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QVERIFY(dialog->windowTitle().isEmpty() || !dialog->windowTitle().contains("Veskor"));

    dialog->hide();
    QTest::mouseClick(read, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialogs.find("readDialog"), dialog);
    QCOMPARE(QApplication::topLevelWidgets().size(), dialogsBefore);
    dialog->hide();
}

// A file dialog that is destroyed writes its state to the user's settings,
// which the program must not do; the dialogs outlive their window, closed.
void TestBody::dialogsCloseWithTheWindow()
{
    DialogWatch dialogs;
    auto* body = new Body;
    body->show();
    QTest::mouseClick(body->findChild<QPushButton*>("ReadFiles"), Qt::LeftButton);
    QTest::mouseClick(body->findChild<QPushButton*>("SaveResult"), Qt::LeftButton);
    const QPointer<QFileDialog> read = dialogs.find("readDialog");
    const QPointer<QFileDialog> save = dialogs.find("saveDialog");
    QVERIFY(read && save);
    QVERIFY(read->isVisible() && save->isVisible());
    delete body;
    QVERIFY(read && save);
    QVERIFY(!read->isVisible());
    QVERIFY(!save->isVisible());
}

void TestBody::saveDialog()
{
    DialogWatch dialogs;
    Body body;
    body.show();
    QFileDialog* dialog = dialogs.find("saveDialog");
    QVERIFY(dialog);
    QVERIFY(!dialog->parent());
    QTest::mouseClick(body.findChild<QPushButton*>("SaveResult"), Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(dialog->nameFilters(), QStringList({"data (*.dat)", "any (*, *.*)"}));
    QCOMPARE(dialog->selectedNameFilter(), QString("data (*.dat)"));
    QVERIFY(dialog->defaultSuffix().isEmpty());
    QTest::mouseClick(body.findChild<QPushButton*>("SaveResult"), Qt::LeftButton);
    QCOMPARE(dialogs.find("saveDialog"), dialog);
    dialog->hide();
}

void TestBody::quitEmitsOnce()
{
    Body body;
    QSignalSpy spy(&body, SIGNAL(quit()));
    QTest::mouseClick(body.findChild<QPushButton*>("Quit"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
}

void TestBody::quitEndsEventLoopWithDialogOpen()
{
    DialogWatch dialogs;
    Body body;
    QSignalSpy spy(&body, SIGNAL(quit()));
    bool dialogWasOpen = false;
    // Once the loop runs: open the read dialog, then click Quit.
    QTimer::singleShot(0, &body, [&] {
        QTest::mouseClick(body.findChild<QPushButton*>("ReadFiles"), Qt::LeftButton);
        dialogWasOpen = dialogs.find("readDialog")->isVisible();
        QTest::mouseClick(body.findChild<QPushButton*>("Quit"), Qt::LeftButton);
    });
    // A watchdog, so a loop that does not end fails instead of hanging.
    bool watchdogFired = false;
    QTimer::singleShot(20000, &body, [&] {
        watchdogFired = true;
        QCoreApplication::exit(99);
    });

    // runMainWindow is what the program's entry point runs.
    const int code = veskor::runMainWindow(*qApp, body);
    QVERIFY(dialogWasOpen);
    QVERIFY(!watchdogFired);
    QCOMPARE(code, 0);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!body.isVisible());
    QVERIFY(!dialogs.find("readDialog")->isVisible());
}

// Quit is first in the focus order, yet a Space pressed right after start-up
// opens the read dialog instead of ending the program.
void TestBody::readFilesHasFocusWhenShown()
{
    DialogWatch dialogs;
    Body body;
    body.show();
    QApplication::setActiveWindow(&body);
    QVERIFY(QTest::qWaitForWindowActive(&body));
    QTRY_COMPARE(QApplication::focusWidget(), body.findChild<QWidget*>("ReadFiles"));
    QSignalSpy quit(&body, SIGNAL(quit()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(quit.count(), 0);
    QFileDialog* read = dialogs.find("readDialog");
    QVERIFY(read && read->isVisible());
    read->hide();
}

VESKOR_GUI_TEST_MAIN(TestBody)
#include "tst_body.moc"
