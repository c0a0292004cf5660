// The plots' views and exports, through the window as a user drives it.

#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "testsupport.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QTemporaryDir>

using veskor::test::scanTable;
using veskor::test::settle;
using veskor::test::Window;
using veskor::test::writeFile;

namespace {

const char* const kPlots[] = {"I0NinDisp", "NinNoutDisp"};

void chooseView(Window& w, const QString& view)
{
    auto* box = w.body.findChild<QComboBox*>(QStringLiteral("PlotView"));
    QVERIFY(box);
    const int index = box->findData(view);
    QVERIFY2(index >= 0, qPrintable(view));
    box->setCurrentIndex(index);
    settle();
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestPlotViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewsChangeBothPlots();
    void panZoomAndResetInTheRatioView_data();
    void panZoomAndResetInTheRatioView();
};

void TestPlotViews::viewsChangeBothPlots()
{
    QTemporaryDir dir;
    const QString table = writeFile(dir, "scan.dat", scanTable(12, 3));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    auto* box = w.body.findChild<QComboBox*>(QStringLiteral("PlotView"));
    QVERIFY(box);
    QCOMPARE(box->currentData().toString(), QString("counts"));
    QCOMPARE(box->count(), 3);
    w.read({table});
    settle();

    QImage counts[2];
    for (int i = 0; i < 2; ++i)
        counts[i] = w.plot(kPlots[i]);
    QImage seen[2][2];
    const QString views[] = {"ratio", "residuals"};
    for (int v = 0; v < 2; ++v) {
        chooseView(w, views[v]);
        for (int i = 0; i < 2; ++i) {
            seen[v][i] = w.plot(kPlots[i]);
            QVERIFY2(seen[v][i] != counts[i], kPlots[i]);
        }
    }
    for (int i = 0; i < 2; ++i)
        QVERIFY2(seen[0][i] != seen[1][i], kPlots[i]);

    // Back to the counts, after a zoom in another view: the counts view as
    // it was, pixel for pixel.
    DispA* plot = w.surface("I0NinDisp");
    QWheelEvent e(QPointF(plot->width() / 2, plot->height() / 2), QPointF(), QPoint(),
                  QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &e);
    chooseView(w, "counts");
    for (int i = 0; i < 2; ++i)
        QVERIFY2(w.plot(kPlots[i]) == counts[i], kPlots[i]);
}

void TestPlotViews::panZoomAndResetInTheRatioView_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::newRow("wheel") << "wheel";
    QTest::newRow("left drag pans") << "pan";
    QTest::newRow("right drag zooms to the box") << "box";
}

void TestPlotViews::panZoomAndResetInTheRatioView()
{
    QFETCH(QString, gesture);
    QTemporaryDir dir;
    const QString table = writeFile(dir, "scan.dat", scanTable(12, 2));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    settle();
    chooseView(w, "ratio");

    for (const char* name : kPlots) {
        DispA* plot = w.surface(name);
        const QImage whole = w.plot(name);
        const QPoint mid(plot->width() / 2, plot->height() / 2);
        if (gesture == "wheel") {
            QWheelEvent e(mid, plot->mapToGlobal(mid), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(plot, &e);
        } else {
            const Qt::MouseButton b = gesture == "pan" ? Qt::LeftButton : Qt::RightButton;
            const QPoint from = gesture == "pan" ? mid : QPoint(plot->width() / 4, 10);
            const QPoint to = mid + QPoint(60, 25);
            mouse(plot, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
            mouse(plot, QEvent::MouseButtonPress, from, b, b);
            mouse(plot, QEvent::MouseMove, to, Qt::NoButton, b);
            mouse(plot, QEvent::MouseButtonRelease, to, b, Qt::NoButton);
        }
        const QImage moved = w.plot(name);
        QVERIFY2(moved != whole, name);
        plot->repaint();
        QVERIFY2(w.plot(name) == moved, name);

        mouse(plot, QEvent::MouseButtonPress, mid, Qt::LeftButton, Qt::LeftButton);
        mouse(plot, QEvent::MouseButtonRelease, mid, Qt::LeftButton, Qt::NoButton);
        mouse(plot, QEvent::MouseButtonDblClick, mid, Qt::LeftButton, Qt::LeftButton);
        mouse(plot, QEvent::MouseButtonRelease, mid, Qt::LeftButton, Qt::NoButton);
        QVERIFY2(w.plot(name) == whole, name);
    }
}

VESKOR_GUI_TEST_MAIN(TestPlotViews)
#include "tst_plotviews.moc"
