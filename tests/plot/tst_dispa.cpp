#include "plot/dispa.h"
#include "testsupport.h"

#include <QPainter>
#include <QSignalSpy>
#include <QWheelEvent>

namespace {

// Counts the paints a surface really went through.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

void sendWheel(QWidget* w, QPoint pos, int delta)
{
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestDispA : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void construction();
    void events_data();
    void events();
    void altMoveIsDropped();
    void paintFillsWhiteAndHandsOverPainter();
    void receiverDrawsOnSurface();
    void frameIsSetBeforeAnyDrawing_data();
    void frameIsSetBeforeAnyDrawing();
};

void TestDispA::construction()
{
    DispA d;
    QCOMPARE(d.frameShape(), QFrame::StyledPanel);
    QVERIFY(d.hasMouseTracking());
    QCOMPARE(d.bgColor, QColor(255, 255, 255));
    QCOMPARE(d.bgColor.alpha(), 255);
}

void TestDispA::events_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("move without button") << "move" << QByteArray(SIGNAL(mouseMoved0()));
    QTest::newRow("move with Shift") << "shiftmove" << QByteArray(SIGNAL(mouseMoved0()));
    QTest::newRow("press") << "press" << QByteArray(SIGNAL(mousePressed0()));
    QTest::newRow("release") << "release" << QByteArray(SIGNAL(mouseReleased0()));
    QTest::newRow("double click") << "dclick" << QByteArray(SIGNAL(mouseDoubleClicked0()));
    QTest::newRow("wheel") << "wheel" << QByteArray(SIGNAL(wheelMoved0()));
}

void TestDispA::events()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, signal);

    DispA d;
    d.resize(200, 100);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    PaintCounter counter;
    d.installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;

    QSignalSpy spy(&d, signal.constData());
    QList<QSignalSpy*> others;
    for (const char* s : {SIGNAL(mouseMoved0()), SIGNAL(mousePressed0()), SIGNAL(mouseReleased0()),
                          SIGNAL(mouseDoubleClicked0()), SIGNAL(wheelMoved0())})
        if (QByteArray(s) != signal)
            others << new QSignalSpy(&d, s);

    const QPoint at(50, 40);
    if (kind == "move")
        sendMouse(&d, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    else if (kind == "shiftmove")
        sendMouse(&d, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
    else if (kind == "press")
        sendMouse(&d, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    else if (kind == "release")
        sendMouse(&d, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    else if (kind == "dclick")
        sendMouse(&d, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    else
        sendWheel(&d, at, 120);

    QCOMPARE(spy.count(), 1);
    for (QSignalSpy* o : others)
        QCOMPARE(o->count(), 0);
    qDeleteAll(others);
    QTRY_COMPARE(counter.paints, 1);
}

void TestDispA::altMoveIsDropped()
{
    DispA d;
    d.resize(200, 100);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    PaintCounter counter;
    d.installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;

    QSignalSpy moved(&d, SIGNAL(mouseMoved0()));
    sendMouse(&d, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton, Qt::AltModifier);
    sendMouse(&d, QEvent::MouseMove, QPoint(20, 10), Qt::LeftButton, Qt::LeftButton,
              Qt::AltModifier | Qt::ControlModifier);
    QTest::qWait(50);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(counter.paints, 0);

    sendMouse(&d, QEvent::MouseMove, QPoint(30, 10), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCOMPARE(moved.count(), 1);
    QTRY_COMPARE(counter.paints, 1);
}

void TestDispA::paintFillsWhiteAndHandsOverPainter()
{
    DispA d;
    d.setFrameShadow(QFrame::Raised);
    d.resize(120, 80);
    QStringList order;
    QPainter* first = nullptr;
    QPainter* second = nullptr;
    connect(&d, &DispA::drawImage1, this, [&](QPainter* p) {
        order << "drawImage1";
        first = p;
        QVERIFY(p->isActive());
    });
    connect(&d, &DispA::drawImage2, this, [&](QPainter* p) {
        order << "drawImage2";
        second = p;
        QVERIFY(p->isActive());
    });
    const QImage image = d.grab().toImage();
    QCOMPARE(order, QStringList({"drawImage1", "drawImage2"}));
    QVERIFY(first);
    QCOMPARE(first, second);

    // White everywhere, the border included: no frame is drawn.
    QCOMPARE(image.size(), QSize(120, 80));
    int nonWhite = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(255, 255, 255))
                ++nonWhite;
    QCOMPARE(nonWhite, 0);
}

void TestDispA::receiverDrawsOnSurface()
{
    DispA d;
    d.resize(100, 100);
    d.bgColor = QColor(10, 20, 30);
    connect(&d, &DispA::drawImage2, this,
            [](QPainter* p) { p->fillRect(40, 40, 10, 10, QColor(255, 0, 0)); });
    const QImage image = d.grab().toImage();
    QCOMPARE(image.pixelColor(45, 45), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(0, 0), QColor(10, 20, 30));
    QCOMPARE(image.pixelColor(99, 99), QColor(10, 20, 30));
}

void TestDispA::frameIsSetBeforeAnyDrawing_data()
{
    QTest::addColumn<QSize>("first");
    QTest::addColumn<QSize>("second");

    QTest::newRow("grown") << QSize(120, 80) << QSize(321, 123);
    QTest::newRow("shrunk") << QSize(321, 123) << QSize(40, 30);
}

// Whoever draws, through either signal, finds the mapper's frame already
// fitted to the surface as it is now, also after a resize.
void TestDispA::frameIsSetBeforeAnyDrawing()
{
    QFETCH(QSize, first);
    QFETCH(QSize, second);

    DispA d;
    QVector<QVector<double>> seen; // the frame's ends at each signal
    const auto record = [&] {
        seen << QVector<double>{d.coord.frameX0, d.coord.frameY0, d.coord.frameX1, d.coord.frameY1};
    };
    connect(&d, &DispA::drawImage1, this, record);
    connect(&d, &DispA::drawImage2, this, record);
    for (const QSize size : {first, second}) {
        seen.clear();
        d.resize(size);
        d.grab();
        const QVector<double> whole{0, double(size.height()), double(size.width()), 0};
        QCOMPARE(seen, QVector<QVector<double>>({whole, whole}));
    }
}

VESKOR_GUI_TEST_MAIN(TestDispA)
#include "tst_dispa.moc"
