#include "plot/dispa.h"
#include "plot/mousec.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QWheelEvent>

#include <climits>

namespace {

void sendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, pos, w->mapToGlobal(pos.toPoint()), button, held, mods);
    QApplication::sendEvent(w, &e);
}

void sendWheel(QWidget* w, QPoint angleDelta)
{
    const QPointF at(20, 20);
    QWheelEvent e(at, QPointF(w->mapToGlobal(at.toPoint())), QPoint(), angleDelta, Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestMouseC : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wheelStep_data();
    void wheelStep();
    void positionsAreRounded();
    void doubleClickSequence();
    void releaseIsRecordedBeforeTheMapperRuns();
    void altMoveIsNotRecorded();
};

void TestMouseC::wheelStep_data()
{
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<int>("step");

    QTest::newRow("one notch away") << QPoint(0, 120) << 1;
    QTest::newRow("two notches toward") << QPoint(0, -240) << -2;
    QTest::newRow("half a notch away") << QPoint(0, 60) << 0;
    QTest::newRow("half a notch toward") << QPoint(0, -60) << 0;
    QTest::newRow("just short of two notches") << QPoint(0, 239) << 1;
    QTest::newRow("just past one notch toward") << QPoint(0, -121) << -1;
    QTest::newRow("horizontal wheel") << QPoint(-360, 0) << -3;
    QTest::newRow("the larger axis counts") << QPoint(100, -240) << -2;
    QTest::newRow("largest delta") << QPoint(0, INT_MAX) << 17895697;
    QTest::newRow("smallest delta") << QPoint(INT_MIN, 5) << -17895697;
}

void TestMouseC::wheelStep()
{
    QFETCH(QPoint, angleDelta);
    QFETCH(int, step);

    DispA d;
    QSignalSpy wheel(&d.mouse, SIGNAL(wheelMoved(int)));
    sendWheel(&d, angleDelta);
    QCOMPARE(wheel.count(), 1);
    QCOMPARE(wheel.first().first().toInt(), step);
}

void TestMouseC::positionsAreRounded()
{
    DispA d;
    sendMouse(&d, QEvent::MouseMove, QPointF(10.6, 20.4), Qt::NoButton);
    QCOMPARE(d.mouse.nowX, 11);
    QCOMPARE(d.mouse.nowY, 20);
    sendMouse(&d, QEvent::MouseButtonPress, QPointF(30.5, 40.49), Qt::LeftButton);
    QCOMPARE(d.mouse.pressX, 31);
    QCOMPARE(d.mouse.pressY, 40);
    QCOMPARE(d.mouse.prevX, 11);
    QCOMPARE(d.mouse.prevY, 20);
}

// A double click arrives as press, release, double click, release; the
// double click must not disturb the drag that the press started.
void TestMouseC::doubleClickSequence()
{
    DispA d;
    QSignalSpy pressed(&d.mouse, SIGNAL(mPressed()));
    QSignalSpy released(&d.mouse, SIGNAL(mReleased()));
    QSignalSpy dClicked(&d.mouse, SIGNAL(mDClicked()));

    sendMouse(&d, QEvent::MouseButtonPress, QPointF(10, 12), Qt::LeftButton, Qt::ShiftModifier);
    QVERIFY(d.mouse.pressed);
    QCOMPARE(d.mouse.pressModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
    sendMouse(&d, QEvent::MouseButtonRelease, QPointF(11, 13), Qt::LeftButton);
    QVERIFY(!d.mouse.pressed);

    sendMouse(&d, QEvent::MouseButtonDblClick, QPointF(14, 15), Qt::RightButton,
              Qt::ControlModifier);
    QCOMPARE(d.mouse.dClickX, 14);
    QCOMPARE(d.mouse.dClickY, 15);
    QCOMPARE(d.mouse.dClickButton, Qt::RightButton);
    QCOMPARE(d.mouse.dClickModifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
    // Only its own fields change.
    QVERIFY(!d.mouse.pressed);
    QCOMPARE(d.mouse.nowX, 11);
    QCOMPARE(d.mouse.prevX, 10);
    QCOMPARE(d.mouse.pressButton, Qt::LeftButton);

    sendMouse(&d, QEvent::MouseButtonRelease, QPointF(16, 17), Qt::MiddleButton, Qt::AltModifier);
    QCOMPARE(d.mouse.pressX, 10);
    QCOMPARE(d.mouse.pressY, 12);
    QCOMPARE(d.mouse.pressButton, Qt::LeftButton);
    QCOMPARE(d.mouse.pressModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
    QCOMPARE(d.mouse.releaseX, 16);
    QCOMPARE(d.mouse.releaseY, 17);
    QCOMPARE(d.mouse.releaseButton, Qt::MiddleButton);
    QCOMPARE(d.mouse.releaseModifiers, Qt::KeyboardModifiers(Qt::AltModifier));
    QCOMPARE(d.mouse.prevX, 11);
    QCOMPARE(d.mouse.prevY, 13);
    QCOMPARE(d.mouse.nowX, 16);

    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 2);
    QCOMPARE(dClicked.count(), 1);
}

void TestMouseC::releaseIsRecordedBeforeTheMapperRuns()
{
    DispA d;
    bool pressedSeen = true;
    int releaseXSeen = -1;
    int releaseButtonSeen = -1;
    // updated() goes out at the end of the mapper's slot.
    connect(&d.coord, &ChCoord::updated, this, [&] {
        pressedSeen = d.mouse.pressed;
        releaseXSeen = d.mouse.releaseX;
        releaseButtonSeen = d.mouse.releaseButton;
    });
    sendMouse(&d, QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton);
    QVERIFY(pressedSeen);
    sendMouse(&d, QEvent::MouseButtonRelease, QPointF(42, 7), Qt::LeftButton);
    QVERIFY(!pressedSeen);
    QCOMPARE(releaseXSeen, 42);
    QCOMPARE(releaseButtonSeen, int(Qt::LeftButton));
}

void TestMouseC::altMoveIsNotRecorded()
{
    DispA d;
    QSignalSpy moved(&d.mouse, SIGNAL(mMoved()));
    sendMouse(&d, QEvent::MouseMove, QPointF(10, 10), Qt::NoButton);
    sendMouse(&d, QEvent::MouseMove, QPointF(50, 60), Qt::NoButton, Qt::AltModifier);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(d.mouse.nowX, 10);
    sendMouse(&d, QEvent::MouseMove, QPointF(70, 80), Qt::NoButton, Qt::ShiftModifier);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(d.mouse.prevX, 10);
    QCOMPARE(d.mouse.prevY, 10);
    QCOMPARE(d.mouse.nowX, 70);
    QCOMPARE(d.mouse.moveModifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));
}

VESKOR_GUI_TEST_MAIN(TestMouseC)
#include "tst_mousec.moc"
