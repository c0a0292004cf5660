#include "plot/chcoord.h"
#include "plot/dispa.h"
#include "referencearithmetic.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QWheelEvent>

#include <cmath>

namespace {

struct Scale
{
    double x0, y0, x1, y1;
};

// A surface 400 wide and 200 high whose mapper has the frame its paint sets
// and the given scale, with both scale flags still clear.
void prepare(DispA& d, Scale s)
{
    d.resize(400, 200);
    d.grab();
    d.coord.scaleX0 = s.x0;
    d.coord.scaleY0 = s.y0;
    d.coord.scaleX1 = s.x1;
    d.coord.scaleY1 = s.y1;
}

void sendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, pos, w->mapToGlobal(pos.toPoint()), button, held, mods);
    QApplication::sendEvent(w, &e);
}

void sendWheel(QWidget* w, QPoint pos, QPoint angleDelta)
{
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), angleDelta, Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

const double kTol = 1e-12;

bool near(double a, double b)
{
    return std::abs(a - b) <= kTol * std::max(1.0, std::abs(b));
}

#define COMPARE_SCALE(coord, ex0, ex1, ey0, ey1)                                                   \
    do {                                                                                           \
        QVERIFY2(near((coord).scaleX0, ex0),                                                       \
                 qPrintable(QString::number((coord).scaleX0, 'g', 17)));                           \
        QVERIFY2(near((coord).scaleX1, ex1),                                                       \
                 qPrintable(QString::number((coord).scaleX1, 'g', 17)));                           \
        QVERIFY2(near((coord).scaleY0, ey0),                                                       \
                 qPrintable(QString::number((coord).scaleY0, 'g', 17)));                           \
        QVERIFY2(near((coord).scaleY1, ey1),                                                       \
                 qPrintable(QString::number((coord).scaleY1, 'g', 17)));                           \
    } while (false)

namespace ref = veskor::reference;

// The mapper and its relay as a surface's events drive them, written from
// their rules: what each event records, and how a pan, a zoom box and a
// wheel turn change the scale.
struct MapperModel
{
    double frameX0 = 0, frameY0 = 0, frameX1 = 1, frameY1 = 1;
    double scaleX0 = 0, scaleY0 = 0, scaleX1 = 1, scaleY1 = 1;
    bool xScaleSet = false, yScaleSet = false;
    int prevX = 0, prevY = 0, nowX = 0, nowY = 0, pressX = 0, pressY = 0;
    bool pressed = false;
    Qt::MouseButton pressButton = Qt::NoButton;
    Qt::KeyboardModifiers pressModifiers = Qt::NoModifier;

    double valX(double p) const { return ref::pixel(scaleX0, scaleX1, frameX0, frameX1, p); }
    double valY(double p) const { return ref::pixel(scaleY0, scaleY1, frameY0, frameY1, p); }
    static bool plain(Qt::KeyboardModifiers m)
    {
        return !(m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    }
    static bool inBand(double p, double a, double b)
    {
        const double c = std::abs(b - a) * 0.1;
        return p < std::min(a, b) + c || p > std::max(a, b) - c;
    }
    void record(int x, int y)
    {
        prevX = nowX;
        prevY = nowY;
        nowX = x;
        nowY = y;
    }

    void move(int x, int y, Qt::KeyboardModifiers m)
    {
        if (m & Qt::AltModifier)
            return;
        record(x, y);
        if (pressed && pressButton == Qt::LeftButton && plain(pressModifiers)) {
            const double dx = valX(prevX) - valX(nowX);
            const double dy = valY(prevY) - valY(nowY);
            scaleX0 += dx;
            scaleX1 += dx;
            scaleY0 += dy;
            scaleY1 += dy;
        }
    }
    void press(int x, int y, Qt::MouseButton b, Qt::KeyboardModifiers m)
    {
        record(x, y);
        pressX = x;
        pressY = y;
        pressed = true;
        pressButton = b;
        pressModifiers = m;
    }
    void release(int x, int y)
    {
        record(x, y);
        pressed = false;
        if (pressButton == Qt::RightButton && plain(pressModifiers)) {
            const bool pressFirst = pressX <= x;
            const int ax = pressFirst ? pressX : x, ay = pressFirst ? pressY : y;
            const int bx = pressFirst ? x : pressX, by = pressFirst ? y : pressY;
            const double x0 = valX(ax), x1 = valX(bx), y0 = valY(by), y1 = valY(ay);
            scaleX0 = x0;
            scaleX1 = x1;
            scaleY0 = y0;
            scaleY1 = y1;
            xScaleSet = yScaleSet = true;
        }
    }
    void wheel(int delta)
    {
        const int step = int(delta * 0.125 / 15);
        const double k = step < 0 ? 1.1 : 1 / 1.1;
        const bool ex = inBand(nowX, frameX0, frameX1);
        const bool ey = inBand(nowY, frameY0, frameY1);
        const double mx = valX(nowX), my = valY(nowY);
        if (!(ex && !ey)) {
            scaleX0 = mx + (scaleX0 - mx) * k;
            scaleX1 = mx + (scaleX1 - mx) * k;
            xScaleSet = true;
        }
        if (!(ey && !ex)) {
            scaleY0 = my + (scaleY0 - my) * k;
            scaleY1 = my + (scaleY1 - my) * k;
            yScaleSet = true;
        }
    }
};

} // namespace

class TestChCoord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversions_data();
    void conversions();
    void edgeBands_data();
    void edgeBands();
    void clearScale();
    void paintSetsFrame();
    void zoomBox_data();
    void zoomBox();
    void pan_data();
    void pan();
    void wheelZoom_data();
    void wheelZoom();
    void eventsMatchReference_data();
    void eventsMatchReference();
};

void TestChCoord::conversions_data()
{
    QTest::addColumn<double>("frame0");
    QTest::addColumn<double>("frame1");
    QTest::addColumn<double>("scale0");
    QTest::addColumn<double>("scale1");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("pixel");
    QTest::addColumn<double>("pixelIn");
    QTest::addColumn<double>("valueOut");

    // pixel = map(value), valueOut = map back(pixelIn); exact expectations.
    QTest::newRow("frame 0-1000, scale 10-20")
        << 0.0 << 1000.0 << 10.0 << 20.0 << 15.0 << 500.0 << 250.0 << 12.5;
    QTest::newRow("frame bottom-up") << 200.0 << 0.0 << 0.0 << 2.0 << 0.5 << 150.0 << 50.0 << 1.5;
    QTest::newRow("scale descending")
        << 0.0 << 1000.0 << 20.0 << 10.0 << 12.0 << 800.0 << 100.0 << 19.0;
    QTest::newRow("value outside the scale")
        << 0.0 << 100.0 << 0.0 << 10.0 << -5.0 << -50.0 << 150.0 << 15.0;
    // 5 * (1 / 3) and (5 * 1) / 3 differ in the last bit.
    QTest::newRow("quotient formed first")
        << 0.0 << 1.0 << 0.0 << 3.0 << 5.0 << 1.6666666666666665 << 5.0 << 15.0;
}

void TestChCoord::conversions()
{
    QFETCH(double, frame0);
    QFETCH(double, frame1);
    QFETCH(double, scale0);
    QFETCH(double, scale1);
    QFETCH(double, value);
    QFETCH(double, pixel);
    QFETCH(double, pixelIn);
    QFETCH(double, valueOut);

    // The two axes map the same way; y is given the same frame and scale.
    ChCoord c;
    c.setFrame(frame0, frame0, frame1, frame1);
    c.setScale(scale0, scale0, scale1, scale1);
    QCOMPARE(c.pixX(value), pixel);
    QCOMPARE(c.pixY(value), pixel);
    QCOMPARE(c.valX(pixelIn), valueOut);
    QCOMPARE(c.valY(pixelIn), valueOut);
    QVERIFY(c.pixX(value) == pixel); // exactly, not within QCOMPARE's fuzz
    QVERIFY(c.xScaleSet && c.yScaleSet);
}

void TestChCoord::edgeBands_data()
{
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<bool>("edgeX");
    QTest::addColumn<bool>("edgeY");

    // Frame 400 wide, 200 high: bands 40 px on the sides, 20 px top and bottom.
    for (bool reversed : {false, true}) {
        const char* r = reversed ? " (frame ends swapped)" : "";
        QTest::addRow("middle%s", r) << reversed << 200.0 << 100.0 << false << false;
        QTest::addRow("just inside the left band%s", r)
            << reversed << 39.9 << 100.0 << true << false;
        QTest::addRow("on the left band's inner edge%s", r)
            << reversed << 40.0 << 100.0 << false << false;
        QTest::addRow("on the right band's inner edge%s", r)
            << reversed << 360.0 << 100.0 << false << false;
        QTest::addRow("right band%s", r) << reversed << 360.5 << 100.0 << true << false;
        QTest::addRow("top band%s", r) << reversed << 200.0 << 19.0 << false << true;
        QTest::addRow("on the bottom band's inner edge%s", r)
            << reversed << 200.0 << 180.0 << false << false;
        QTest::addRow("bottom band%s", r) << reversed << 200.0 << 181.0 << false << true;
        QTest::addRow("corner%s", r) << reversed << 10.0 << 10.0 << true << true;
        QTest::addRow("outside the frame%s", r) << reversed << -5.0 << 250.0 << true << true;
    }
}

void TestChCoord::edgeBands()
{
    QFETCH(bool, reversed);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(bool, edgeX);
    QFETCH(bool, edgeY);

    ChCoord c;
    if (reversed)
        c.setFrame(400, 0, 0, 200);
    else
        c.setFrame(0, 200, 400, 0);
    QCOMPARE(c.nearEdgeX(x), edgeX);
    QCOMPARE(c.nearEdgeY(y), edgeY);
}

void TestChCoord::clearScale()
{
    ChCoord c;
    c.setFrame(0, 200, 400, 0);
    c.setScale(1, 2, 3, 4);
    QSignalSpy updated(&c, SIGNAL(updated()));
    c.clearScale();
    QCOMPARE(c.scaleX0, 0.0);
    QCOMPARE(c.scaleX1, 0.0);
    QCOMPARE(c.scaleY0, 0.0);
    QCOMPARE(c.scaleY1, 0.0);
    QVERIFY(!c.xScaleSet);
    QVERIFY(!c.yScaleSet);
    QCOMPARE(updated.count(), 0);
    // The frame is not the scale's to clear.
    QCOMPARE(c.frameY0, 200.0);
    QCOMPARE(c.frameX1, 400.0);
}

void TestChCoord::paintSetsFrame()
{
    DispA d;
    d.resize(321, 123);
    QCOMPARE(d.coord.mouse, &d.mouse);
    d.grab();
    QCOMPARE(d.coord.frameX0, 0.0);
    QCOMPARE(d.coord.frameX1, 321.0);
    QCOMPARE(d.coord.frameY0, 123.0);
    QCOMPARE(d.coord.frameY1, 0.0);
    // Painting leaves the scale to the plot.
    QVERIFY(!d.coord.xScaleSet);
    QCOMPARE(d.coord.scaleX1, 1.0);
}

void TestChCoord::zoomBox_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("pressButton");
    QTest::addColumn<int>("pressModifiers");
    QTest::addColumn<int>("releaseButton");
    QTest::addColumn<int>("releaseModifiers");
    QTest::addColumn<bool>("zooms");
    QTest::addColumn<double>("x0");
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("y0");
    QTest::addColumn<double>("y1");

    const int R = Qt::RightButton, L = Qt::LeftButton, none = Qt::NoModifier;
    // Scale x 0..4, y 0..2 on 400 x 200: 100 px per unit in x, 100 per unit in y.
    QTest::newRow("upper left to lower right") << QPoint(100, 50) << QPoint(300, 150) << R << none
                                               << R << none << true << 1.0 << 3.0 << 0.5 << 1.5;
    QTest::newRow("lower right back to upper left")
        << QPoint(300, 150) << QPoint(100, 50) << R << none << R << none << true << 1.0 << 3.0
        << 0.5 << 1.5;
    QTest::newRow("lower left to upper right turns y over")
        << QPoint(100, 150) << QPoint(300, 50) << R << none << R << none << true << 1.0 << 3.0
        << 1.5 << 0.5;
    // A right click without a drag opens the plot's menu instead, and the
    // view it is to copy or save stays.
    QTest::newRow("press and release at one point: the menu, the scale kept")
        << QPoint(200, 100) << QPoint(200, 100) << R << none << R << none << false << 0.0 << 4.0
        << 0.0 << 2.0;
    QTest::newRow("a box without width gives x no width")
        << QPoint(200, 50) << QPoint(200, 150) << R << none << R << none << true << 2.0 << 2.0
        << 0.5 << 1.5;
    QTest::newRow("modifiers at the release do not count")
        << QPoint(100, 50) << QPoint(300, 150) << R << none << L << int(Qt::ControlModifier) << true
        << 1.0 << 3.0 << 0.5 << 1.5;
    QTest::newRow("Meta at the press does not count")
        << QPoint(100, 50) << QPoint(300, 150) << R << int(Qt::MetaModifier) << R << none << true
        << 1.0 << 3.0 << 0.5 << 1.5;
    QTest::newRow("Shift at the press")
        << QPoint(100, 50) << QPoint(300, 150) << R << int(Qt::ShiftModifier) << R << none << false
        << 0.0 << 4.0 << 0.0 << 2.0;
    QTest::newRow("Control at the press")
        << QPoint(100, 50) << QPoint(300, 150) << R << int(Qt::ControlModifier) << R << none
        << false << 0.0 << 4.0 << 0.0 << 2.0;
    QTest::newRow("Alt at the press")
        << QPoint(100, 50) << QPoint(300, 150) << R << int(Qt::AltModifier) << R << none << false
        << 0.0 << 4.0 << 0.0 << 2.0;
    QTest::newRow("left button") << QPoint(100, 50) << QPoint(300, 150) << L << none << L << none
                                 << false << 0.0 << 4.0 << 0.0 << 2.0;
}

void TestChCoord::zoomBox()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, pressButton);
    QFETCH(int, pressModifiers);
    QFETCH(int, releaseButton);
    QFETCH(int, releaseModifiers);
    QFETCH(bool, zooms);
    QFETCH(double, x0);
    QFETCH(double, x1);
    QFETCH(double, y0);
    QFETCH(double, y1);

    DispA d;
    prepare(d, {0, 0, 4, 2});
    QSignalSpy updated(&d.coord, SIGNAL(updated()));
    sendMouse(&d, QEvent::MouseButtonPress, from, Qt::MouseButton(pressButton),
              Qt::KeyboardModifiers(pressModifiers));
    // A left-button drag would pan; this only checks the box.
    QCOMPARE(updated.count(), 1);
    sendMouse(&d, QEvent::MouseButtonRelease, to, Qt::MouseButton(releaseButton),
              Qt::KeyboardModifiers(releaseModifiers));
    QCOMPARE(updated.count(), 2);
    COMPARE_SCALE(d.coord, x0, x1, y0, y1);
    QCOMPARE(d.coord.xScaleSet, zooms);
    QCOMPARE(d.coord.yScaleSet, zooms);
}

void TestChCoord::pan_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("pans");

    QTest::newRow("left button") << int(Qt::LeftButton) << int(Qt::NoModifier) << true;
    QTest::newRow("left button with Meta") << int(Qt::LeftButton) << int(Qt::MetaModifier) << true;
    QTest::newRow("left button with Control")
        << int(Qt::LeftButton) << int(Qt::ControlModifier) << false;
    QTest::newRow("left button with Shift")
        << int(Qt::LeftButton) << int(Qt::ShiftModifier) << false;
    QTest::newRow("right button") << int(Qt::RightButton) << int(Qt::NoModifier) << false;
    QTest::newRow("no button held") << int(Qt::NoButton) << int(Qt::NoModifier) << false;
}

void TestChCoord::pan()
{
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(bool, pans);

    DispA d;
    prepare(d, {0, 0, 4, 2});
    QSignalSpy updated(&d.coord, SIGNAL(updated()));
    QSignalSpy nowPos(&d.coord, SIGNAL(nowPos(double, double)));
    const auto mods = Qt::KeyboardModifiers(modifiers);
    if (button != Qt::NoButton)
        sendMouse(&d, QEvent::MouseButtonPress, QPointF(100, 100), Qt::MouseButton(button), mods);
    else
        sendMouse(&d, QEvent::MouseMove, QPointF(100, 100), Qt::NoButton, mods);
    sendMouse(&d, QEvent::MouseMove, QPointF(150, 120), Qt::NoButton, mods);

    // The position is reported in data before the scale moves.
    QCOMPARE(nowPos.count(), button != Qt::NoButton ? 1 : 2);
    QCOMPARE(nowPos.last().at(0).toDouble(), 1.5);
    QCOMPARE(nowPos.last().at(1).toDouble(), 0.8);
    QCOMPARE(updated.count(), 2);
    // The data point under (100, 100), that is (1, 1), follows the pointer.
    if (pans) {
        COMPARE_SCALE(d.coord, -0.5, 3.5, 0.2, 2.2);
        QVERIFY(near(d.coord.valX(150), 1.0));
        QVERIFY(near(d.coord.valY(120), 1.0));
    } else {
        COMPARE_SCALE(d.coord, 0.0, 4.0, 0.0, 2.0);
    }
    // A pan is not a new scale.
    QVERIFY(!d.coord.xScaleSet);
    QVERIFY(!d.coord.yScaleSet);
}

void TestChCoord::wheelZoom_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<bool>("zoomsX");
    QTest::addColumn<bool>("zoomsY");
    QTest::addColumn<double>("x0");
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("y0");
    QTest::addColumn<double>("y1");

    const double in = 2 / 1.1;
    QTest::newRow("step -1 in the middle widens about (2, 1)")
        << QPoint(200, 100) << QPoint(0, -120) << true << true << -0.2 << 4.2 << -0.1 << 2.1;
    QTest::newRow("step +1 in the middle narrows")
        << QPoint(200, 100) << QPoint(0, 120) << true << true << 2 - in << 2 + in << 1 - in / 2
        << 1 + in / 2;
    QTest::newRow("step -3 counts as -1")
        << QPoint(200, 100) << QPoint(0, -360) << true << true << -0.2 << 4.2 << -0.1 << 2.1;
    QTest::newRow("step 0 zooms in") << QPoint(200, 100) << QPoint(0, 60) << true << true << 2 - in
                                     << 2 + in << 1 - in / 2 << 1 + in / 2;
    QTest::newRow("horizontal wheel")
        << QPoint(200, 100) << QPoint(-120, 10) << true << true << -0.2 << 4.2 << -0.1 << 2.1;
    // Pointer over (0.1, 1): only y widens about 1.
    QTest::newRow("left strip zooms y alone")
        << QPoint(10, 100) << QPoint(0, -120) << false << true << 0.0 << 4.0 << -0.1 << 2.1;
    // Pointer over (2, 1.9): only x widens about 2.
    QTest::newRow("top strip zooms x alone")
        << QPoint(200, 10) << QPoint(0, -120) << true << false << -0.2 << 4.2 << 0.0 << 2.0;
    // Pointer over (0.1, 1.9): both widen about it.
    QTest::newRow("corner zooms both")
        << QPoint(10, 10) << QPoint(0, -120) << true << true << 0.1 - 0.1 * 1.1 << 0.1 + 3.9 * 1.1
        << 1.9 - 1.9 * 1.1 << 1.9 + 0.1 * 1.1;
}

void TestChCoord::wheelZoom()
{
    QFETCH(QPoint, at);
    QFETCH(QPoint, angleDelta);
    QFETCH(bool, zoomsX);
    QFETCH(bool, zoomsY);
    QFETCH(double, x0);
    QFETCH(double, x1);
    QFETCH(double, y0);
    QFETCH(double, y1);

    DispA d;
    prepare(d, {0, 0, 4, 2});
    // The wheel zooms about the last recorded pointer position.
    sendMouse(&d, QEvent::MouseMove, QPointF(at), Qt::NoButton);
    QSignalSpy updated(&d.coord, SIGNAL(updated()));
    sendWheel(&d, at, angleDelta);
    QCOMPARE(updated.count(), 1);
    COMPARE_SCALE(d.coord, x0, x1, y0, y1);
    QCOMPARE(d.coord.xScaleSet, zoomsX);
    QCOMPARE(d.coord.yScaleSet, zoomsY);
}

void TestChCoord::eventsMatchReference_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<bool>("reversedScale");

    QTest::newRow("ascending scales") << quint64(41) << false;
    QTest::newRow("descending scales") << quint64(42) << true;
    QTest::newRow("more of the same") << quint64(43) << false;
}

// Random runs of moves (some with Alt held), presses, releases, double
// clicks and wheel turns, sent to a surface as the toolkit sends them: after
// every event the scale is the model's to the last bit and the flags are
// the model's. So a pan ends with its button, the wheel zooms about the
// last recorded position (not its own), and so on.
void TestChCoord::eventsMatchReference()
{
    QFETCH(quint64, seed);
    QFETCH(bool, reversedScale);

    ref::Random random(seed);
    const Qt::KeyboardModifiers modifiers[] = {
        Qt::NoModifier,  Qt::NoModifier,      Qt::NoModifier,   Qt::ShiftModifier,
        Qt::AltModifier, Qt::ControlModifier, Qt::MetaModifier, Qt::KeypadModifier};
    const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::LeftButton, Qt::RightButton,
                                       Qt::RightButton, Qt::MiddleButton};
    const int deltas[] = {-360, -240, -120, -60, 0, 60, 120, 240};
    for (int run = 0; run < 60; ++run) {
        DispA d;
        d.resize(400, 200);
        MapperModel m;
        m.frameX0 = 0;
        m.frameY0 = 200;
        m.frameX1 = 400;
        m.frameY1 = 0;
        const double x0 = random.uniform(-100, 100), y0 = random.uniform(-1e6, 1e6);
        m.scaleX0 = x0;
        m.scaleX1 = x0 + (reversedScale ? -1 : 1) * random.uniform(0.1, 50);
        m.scaleY0 = y0;
        m.scaleY1 = y0 + random.uniform(1, 1e5);
        d.coord.setFrame(m.frameX0, m.frameY0, m.frameX1, m.frameY1);
        d.coord.scaleX0 = m.scaleX0;
        d.coord.scaleX1 = m.scaleX1;
        d.coord.scaleY0 = m.scaleY0;
        d.coord.scaleY1 = m.scaleY1;

        QStringList events;
        for (int e = 0; e < 80; ++e) {
            const int x = random.below(500) - 50, y = random.below(300) - 50;
            const Qt::KeyboardModifiers mods = modifiers[random.below(8)];
            const Qt::MouseButton button = buttons[random.below(5)];
            const int kind = random.below(10);
            if (kind < 5) {
                events << QStringLiteral("move %1,%2 %3").arg(x).arg(y).arg(int(mods));
                sendMouse(&d, QEvent::MouseMove, QPointF(x, y), Qt::NoButton, mods);
                m.move(x, y, mods);
            } else if (kind < 7) {
                events
                    << QStringLiteral("press %1,%2 %3 %4").arg(x).arg(y).arg(button).arg(int(mods));
                sendMouse(&d, QEvent::MouseButtonPress, QPointF(x, y), button, mods);
                m.press(x, y, button, mods);
            } else if (kind < 8) {
                events << QStringLiteral("release %1,%2").arg(x).arg(y);
                sendMouse(&d, QEvent::MouseButtonRelease, QPointF(x, y), button, mods);
                m.release(x, y);
            } else if (kind < 9) {
                events << QStringLiteral("double click %1,%2").arg(x).arg(y);
                sendMouse(&d, QEvent::MouseButtonDblClick, QPointF(x, y), button, mods);
            } else {
                const int delta = deltas[random.below(8)];
                events << QStringLiteral("wheel %1 at %2,%3").arg(delta).arg(x).arg(y);
                sendWheel(&d, QPoint(x, y), QPoint(0, delta));
                m.wheel(delta);
            }
            const QString where = QStringLiteral("run %1 after %2").arg(run).arg(events.join(", "));
            VESKOR_COMPARE_BITS(d.coord.scaleX0, m.scaleX0, where + ": scaleX0");
            VESKOR_COMPARE_BITS(d.coord.scaleX1, m.scaleX1, where + ": scaleX1");
            VESKOR_COMPARE_BITS(d.coord.scaleY0, m.scaleY0, where + ": scaleY0");
            VESKOR_COMPARE_BITS(d.coord.scaleY1, m.scaleY1, where + ": scaleY1");
            QVERIFY2(d.coord.xScaleSet == m.xScaleSet && d.coord.yScaleSet == m.yScaleSet,
                     qPrintable(where));
        }
    }
}

VESKOR_GUI_TEST_MAIN(TestChCoord)
#include "tst_chcoord.moc"
