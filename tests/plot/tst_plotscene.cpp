#include "analysis/quadraticfit.h"
#include "plot/chcoord.h"
#include "plot/plotcolors.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"
#include "referencearithmetic.h"
#include "testsupport.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One measurement point as a loader delivers it.
struct Point
{
    double i0;
    QVector<double> icrs;
    QVector<double> scas;
};

// Owns the points' values and offers them as the plots see them, with the
// ranges widened as loading does: over every value of every point.
struct Data
{
    QVector<Point> rows;
    PlotSource source;

    explicit Data(const QVector<Point>& points, int nChannels = -1) : rows(points)
    {
        int common = INT_MAX;
        for (const Point& p : rows) {
            source.points.append(PointView{p.i0, &p.icrs, &p.scas});
            source.i0Range.widen(p.i0);
            for (double v : p.icrs)
                source.icrRange.widen(v);
            for (double v : p.scas)
                source.scaRange.widen(v);
            common = std::min(common, int(std::min(p.icrs.size(), p.scas.size())));
        }
        source.nChannels = nChannels >= 0 ? nChannels : (rows.isEmpty() ? 0 : common);
    }
    // Points hold pointers into rows, which must not move.
    Data(const Data&) = delete;

    void fit(const QVector<double>& pair)
    {
        source.fitted = true;
        source.i0NinFits = QVector<QVector<double>>(source.nChannels, pair);
        source.ninNoutFits = QVector<QVector<double>>(source.nChannels, pair);
    }
};

// Three points at I0 10, 20 and 30 with input counts 100, 200, 300 and
// output counts 10, 20, 30 in each of n channels.
QVector<Point> linearPoints(int n)
{
    QVector<Point> pts;
    for (double i0 : {10.0, 20.0, 30.0})
        pts.append({i0, QVector<double>(n, i0 * 10), QVector<double>(n, i0)});
    return pts;
}

enum Plot
{
    I0Nin,
    NinNout
};

PlotScene sceneOf(Plot plot, const PlotSource& s, ChCoord& coord)
{
    return plot == I0Nin ? i0NinScene(s, plotColors(), coord)
                         : ninNoutScene(s, plotColors(), coord);
}

// A surface's mapper as its paint leaves it.
struct Surface
{
    ChCoord coord;
    Surface(int w, int h) { coord.setFrame(0, h, w, 0); }
};

QImage render(const PlotScene& scene, int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    paintScene(&p, scene);
    p.end();
    return image;
}

// A paint device that keeps what was painted on it instead of pixels.
class Recorder : public QPaintDevice
{
public:
    struct Op
    {
        enum Kind
        {
            Line,
            Path,
            Polyline,
            Other
        } kind;
        QPen pen;
        QBrush brush;
        QVector<QPointF> points;
        Qt::FillRule fillRule = Qt::OddEvenFill;
    };

    QVector<Op> ops;

    QPaintEngine* paintEngine() const override { return &engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return 400;
        case PdmHeight:
            return 200;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(Recorder* r) : QPaintEngine(QPaintEngine::AllFeatures), rec(r) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState& s) override
        {
            if (s.state() & DirtyPen)
                pen = s.pen();
            if (s.state() & DirtyBrush)
                brush = s.brush();
        }
        void drawLines(const QLine* lines, int n) override
        {
            for (int i = 0; i < n; ++i)
                add(Op::Line, {lines[i].p1(), lines[i].p2()});
        }
        void drawLines(const QLineF* lines, int n) override
        {
            for (int i = 0; i < n; ++i)
                add(Op::Line, {lines[i].p1(), lines[i].p2()});
        }
        void drawPath(const QPainterPath& path) override
        {
            QVector<QPointF> pts;
            for (int i = 0; i < path.elementCount(); ++i)
                pts.append(path.elementAt(i));
            add(Op::Path, pts).fillRule = path.fillRule();
        }
        void drawPolygon(const QPointF* p, int n, PolygonDrawMode mode) override
        {
            add(mode == PolylineMode ? Op::Polyline : Op::Other, QVector<QPointF>(p, p + n));
        }
        void drawPolygon(const QPoint* p, int n, PolygonDrawMode mode) override
        {
            QVector<QPointF> pts;
            for (int i = 0; i < n; ++i)
                pts.append(p[i]);
            add(mode == PolylineMode ? Op::Polyline : Op::Other, pts);
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override
        {
            add(Op::Other, {});
        }

    private:
        Op& add(Op::Kind k, const QVector<QPointF>& pts)
        {
            rec->ops.append(Op{k, pen, brush, pts});
            return rec->ops.last();
        }
        Recorder* rec;
        QPen pen;
        QBrush brush;
    };
    mutable Engine engine{this};
};

// Every coordinate of a scene stays within the limit that keeps integer
// arithmetic on it safe.
bool withinLimit(const PlotScene& s)
{
    const int lim = int(PlotScene::kPixelLimit);
    auto ok = [lim](QPoint p) { return std::abs(p.x()) <= lim && std::abs(p.y()) <= lim; };
    for (const auto* lines : {&s.verticalLines, &s.horizontalLines})
        for (const QLine& l : *lines)
            if (!ok(l.p1()) || !ok(l.p2()))
                return false;
    for (const PlotScene::Dots& d : s.dots)
        for (QPoint p : d.centres)
            if (!ok(p))
                return false;
    for (const PlotScene::Curve& c : s.curves)
        for (QPoint p : c.samples)
            if (!ok(p))
                return false;
    return true;
}

QColor pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

const QColor kWhite(255, 255, 255);

} // namespace

class TestPlotScene : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tooFewPoints_data();
    void tooFewPoints();
    void scale_data();
    void scale();
    void gridLines_data();
    void gridLines();
    void dotPositions_data();
    void dotPositions();
    void missingValuesCountZero();
    void channelCountBeyondEveryPoint();
    void colourTable_data();
    void colourTable();
    void coloursRepeat();
    void curves_data();
    void curves();
    void identityCurveIsTheDiagonal();
    void channelWithoutFitHasNoCurve();
    void paintOrder();
    void overlappingDots_data();
    void overlappingDots();
    void curvesLieOverDots();
    void degenerate_data();
    void degenerate();
    void unboundedSpanShowsNothing_data();
    void unboundedSpanShowsNothing();
    void steepCurveCrossesWhereItLies_data();
    void steepCurveCrossesWhereItLies();
    void curveReachesTheRightEdge_data();
    void curveReachesTheRightEdge();
    void sceneMatchesReference_data();
    void sceneMatchesReference();
    void ratioViewIsTheCountsOverX_data();
    void ratioViewIsTheCountsOverX();
    void residualsInSigmasOfTheModel();
};

void TestPlotScene::tooFewPoints_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<int>("count");
    for (int plot : {I0Nin, NinNout})
        for (int n : {0, 1, 2})
            QTest::addRow("%s, %d points", plot == I0Nin ? "I0 plot" : "count plot", n)
                << plot << n;
}

void TestPlotScene::tooFewPoints()
{
    QFETCH(int, plot);
    QFETCH(int, count);

    Data data(linearPoints(2).mid(0, count));
    data.fit({1.0, 0.0});
    Surface s(400, 200);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);
    QVERIFY(!scene.drawn);
    // The mapper is left as it was.
    QVERIFY(!s.coord.xScaleSet);
    QCOMPARE(s.coord.scaleX1, 1.0);

    Recorder rec;
    QPainter p(&rec);
    paintScene(&p, scene);
    p.end();
    QCOMPARE(rec.ops.size(), 0);
    const QImage image = render(scene, 40, 20);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(pixel(image, x, y), kWhite);
}

void TestPlotScene::scale_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    QTest::addColumn<double>("x0");
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("y0");
    QTest::addColumn<double>("y1");

    QTest::newRow("I0 2, 5 and 10")
        << int(I0Nin) << QVector<double>{2, 5, 10} << QVector<double>{100, 300, 200} << 1.6 << 10.4
        << 90.0 << 310.0;
    QTest::newRow("input counts 1000 to 4000")
        << int(NinNout) << QVector<double>{1000, 4000, 2500} << QVector<double>{10, 20, 30} << 850.0
        << 4150.0 << 9.0 << 31.0;
    // Zero-width data: centred, 5 % of the value either side.
    QTest::newRow("all I0 equal") << int(I0Nin) << QVector<double>{100, 100, 100}
                                  << QVector<double>{100, 300, 200} << 95.0 << 105.0 << 90.0
                                  << 310.0;
    QTest::newRow("all input counts equal")
        << int(I0Nin) << QVector<double>{2, 5, 10} << QVector<double>{-40, -40, -40} << 1.6 << 10.4
        << -42.0 << -38.0;
    QTest::newRow("one input count on the count plot")
        << int(NinNout) << QVector<double>{500, 500, 500} << QVector<double>{10, 20, 30} << 475.0
        << 525.0 << 9.0 << 31.0;
    QTest::newRow("all I0 zero") << int(I0Nin) << QVector<double>{0, 0, 0}
                                 << QVector<double>{100, 300, 200} << -1.1 << 1.1 << 90.0 << 310.0;
}

void TestPlotScene::scale()
{
    QFETCH(int, plot);
    QFETCH(QVector<double>, xs);
    QFETCH(QVector<double>, ys);
    QFETCH(double, x0);
    QFETCH(double, x1);
    QFETCH(double, y0);
    QFETCH(double, y1);

    QVector<Point> pts;
    for (int i = 0; i < xs.size(); ++i) {
        if (plot == I0Nin)
            pts.append({xs[i], {ys[i]}, {1}});
        else
            pts.append({1, {xs[i]}, {ys[i]}});
    }
    Data data(pts);
    Surface s(400, 200);
    QVERIFY(sceneOf(Plot(plot), data.source, s.coord).drawn);
    QVERIFY(qFuzzyCompare(s.coord.scaleX0, x0));
    QVERIFY(qFuzzyCompare(s.coord.scaleX1, x1));
    QVERIFY(qFuzzyCompare(s.coord.scaleY0, y0));
    QVERIFY(qFuzzyCompare(s.coord.scaleY1, y1));
    QVERIFY(s.coord.xScaleSet && s.coord.yScaleSet);
}

void TestPlotScene::gridLines_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<bool>("xValid");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("offLeft");

    QTest::newRow("I0 2, 5 and 10: lines 0 to 9")
        << int(I0Nin) << QVector<double>{2, 5, 10} << true << 10 << 2;
    // 0.1 added ten times stays just below 1: an eleventh line.
    QTest::newRow("I0 maximum 1") << int(I0Nin) << QVector<double>{0.5, 0.7, 1} << true << 11 << 5;
    QTest::newRow("no valid I0 range")
        << int(I0Nin) << QVector<double>{2, 5, 10} << false << 11 << 0;
    QTest::newRow("I0 maximum 0") << int(I0Nin) << QVector<double>{-3, -1, 0} << true << 0 << 0;
    QTest::newRow("negative I0 maximum")
        << int(I0Nin) << QVector<double>{-3, -2, -1} << true << 0 << 0;
    QTest::newRow("inputs 1000 to 4000: lines 0 to 3600")
        << int(NinNout) << QVector<double>{1000, 4000, 2500} << true << 10 << 3;
}

void TestPlotScene::gridLines()
{
    QFETCH(int, plot);
    QFETCH(QVector<double>, xs);
    QFETCH(bool, xValid);
    QFETCH(int, lines);
    QFETCH(int, offLeft);

    QVector<Point> pts;
    for (double x : xs)
        pts.append(plot == I0Nin ? Point{x, {1, 10}, {1, 10}} : Point{1, {x, x}, {1, 10}});
    Data data(pts);
    ValueRange& xRange = plot == I0Nin ? data.source.i0Range : data.source.icrRange;
    if (!xValid)
        xRange.reset();
    Surface s(400, 200);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);

    QCOMPARE(scene.verticalLines.size(), lines);
    int left = 0;
    int previous = INT_MIN;
    for (const QLine& l : scene.verticalLines) {
        QCOMPARE(l.x1(), l.x2());
        QCOMPARE(l.y1(), 200);
        QCOMPARE(l.y2(), 0);
        QVERIFY(l.x1() > previous);
        QVERIFY(l.x1() < 400);
        previous = l.x1();
        if (l.x1() < 0)
            ++left;
    }
    QCOMPARE(left, offLeft);

    // The y range of these points ends at 10: ten lines 0, 1, ... 9.
    QCOMPARE(scene.horizontalLines.size(), 10);
    for (const QLine& l : scene.horizontalLines) {
        QCOMPARE(l.y1(), l.y2());
        QCOMPARE(l.x1(), 0);
        QCOMPARE(l.x2(), 400);
    }
}

void TestPlotScene::dotPositions_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QVector<QPoint>>("centres");

    // 220 x 220 surface. I0 10..30 shows as 9..31, inputs 100..300 as 90..310,
    // outputs 10..30 as 9..31: 10, 1 and 10 pixels per unit.
    QTest::newRow("I0 plot") << int(I0Nin) << QVector<QPoint>{{10, 210}, {110, 110}, {210, 10}};
    QTest::newRow("count plot") << int(NinNout)
                                << QVector<QPoint>{{10, 210}, {110, 110}, {210, 10}};
}

void TestPlotScene::dotPositions()
{
    QFETCH(int, plot);
    QFETCH(QVector<QPoint>, centres);

    Data data(linearPoints(2));
    Surface s(220, 220);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);
    QCOMPARE(scene.dots.size(), 2);
    QCOMPARE(scene.dots[0].centres, centres);
    QCOMPARE(scene.dots[1].centres, centres);
    QVERIFY(scene.curves.isEmpty());

    // The dot is a disc 7 pixels across around its centre.
    const QImage image = render(scene, 220, 220);
    const QColor ch1 = plotColors()[1];
    QCOMPARE(pixel(image, 110, 110), ch1);
    QCOMPARE(pixel(image, 107, 110), ch1);
    QCOMPARE(pixel(image, 113, 110), ch1);
    QCOMPARE(pixel(image, 110, 107), ch1);
    QCOMPARE(pixel(image, 110, 113), ch1);
    QCOMPARE(pixel(image, 105, 110), kWhite);
    QCOMPARE(pixel(image, 115, 110), kWhite);
    QCOMPARE(pixel(image, 107, 107), kWhite);
}

void TestPlotScene::missingValuesCountZero()
{
    // The second point lacks channel 1's output count: it counts 0 there.
    QVector<Point> pts = linearPoints(2);
    pts[1].scas.resize(1);
    Data data(pts, 2);
    Surface s(220, 220);
    const PlotScene scene = i0NinScene(data.source, plotColors(), s.coord);
    QCOMPARE(scene.dots.size(), 2);
    QCOMPARE(scene.dots[0].centres[1], QPoint(110, 110));
    // Input count 0 is 90 units below the scale's lower end.
    QCOMPARE(scene.dots[1].centres[1], QPoint(110, 310));
}

void TestPlotScene::channelCountBeyondEveryPoint()
{
    Data data(linearPoints(3), INT_MAX);
    Surface s(220, 220);
    const PlotScene scene = i0NinScene(data.source, plotColors(), s.coord);
    QCOMPARE(scene.dots.size(), 3);
}

void TestPlotScene::colourTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QRgb>("rgba");

    const QRgb table[] = {0xff000000, 0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffff00,
                          0xffff00ff, 0xff00ffff, 0xff80ff00, 0xff8000ff, 0xff0080ff,
                          0xffff8000, 0xff00ff80, 0xffff0080};
    for (int i = 0; i < 13; ++i)
        QTest::addRow("entry %d", i) << i << table[i];
}

// The channel colours, opaque, in their fixed order.
void TestPlotScene::colourTable()
{
    QFETCH(int, index);
    QFETCH(QRgb, rgba);

    const QVector<QColor> colors = plotColors();
    QCOMPARE(colors.size(), 13);
    QCOMPARE(colors[index].rgba(), rgba);
}

void TestPlotScene::coloursRepeat()
{
    Data data(linearPoints(27));
    data.fit({10.0, 0.0});
    Surface s(220, 220);
    const PlotScene scene = ninNoutScene(data.source, plotColors(), s.coord);
    const QVector<QColor> colors = plotColors();
    QCOMPARE(colors.size(), 13);
    QCOMPARE(scene.dots.size(), 27);
    QCOMPARE(scene.curves.size(), 27);
    for (int ch = 0; ch < 27; ++ch) {
        QCOMPARE(scene.dots[ch].color, colors[ch % 13]);
        QCOMPARE(scene.curves[ch].color, colors[ch % 13]);
    }
    QCOMPARE(scene.dots[13].color, QColor(0, 0, 0));
    QCOMPARE(scene.dots[26].color, QColor(0, 0, 0));
    QCOMPARE(scene.dots[14].color, QColor(255, 0, 0));
}

void TestPlotScene::curves_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<bool>("fitted");
    QTest::addColumn<int>("width");

    for (int plot : {I0Nin, NinNout}) {
        const char* name = plot == I0Nin ? "I0 plot" : "count plot";
        QTest::addRow("%s, not fitted", name) << plot << false << 400;
        QTest::addRow("%s, fitted", name) << plot << true << 400;
        QTest::addRow("%s, fitted, narrow surface", name) << plot << true << 37;
    }
}

void TestPlotScene::curves()
{
    QFETCH(int, plot);
    QFETCH(bool, fitted);
    QFETCH(int, width);

    Data data(linearPoints(3));
    if (fitted)
        data.fit({10.0, -0.01});
    Surface s(width, 200);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);
    QCOMPARE(scene.dots.size(), 3);
    if (!fitted) {
        QVERIFY(scene.curves.isEmpty());
        return;
    }
    QCOMPARE(scene.curves.size(), 3);
    for (const PlotScene::Curve& c : scene.curves) {
        // From the left edge to the right one in hundredths of the scale.
        QVERIFY2(c.samples.size() == 100 || c.samples.size() == 101,
                 qPrintable(QString::number(c.samples.size())));
        QCOMPARE(c.samples.first().x(), 0);
        QVERIFY(c.samples.last().x() >= width - 1);
        for (int i = 1; i < c.samples.size(); ++i)
            QVERIFY(c.samples[i].x() >= c.samples[i - 1].x());
    }
}

void TestPlotScene::identityCurveIsTheDiagonal()
{
    // Output equal to input: the dots and the curve c1 = 1, c2 = 0 lie on
    // Nout = Nin, the diagonal of a square surface.
    QVector<Point> pts;
    for (double v : {100.0, 250.0, 400.0})
        pts.append({1, {v}, {v}});
    Data data(pts);
    data.fit({1.0, 0.0});
    Surface s(300, 300);
    const PlotScene scene = ninNoutScene(data.source, plotColors(), s.coord);
    for (QPoint c : scene.dots[0].centres)
        QVERIFY(std::abs(c.y() - (300 - c.x())) <= 1);
    QCOMPARE(scene.curves.size(), 1);
    for (QPoint p : scene.curves[0].samples)
        QVERIFY2(std::abs(p.y() - (300 - p.x())) <= 1,
                 qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
}

void TestPlotScene::channelWithoutFitHasNoCurve()
{
    Data data(linearPoints(3));
    data.fit({10.0, 0.0});
    data.source.i0NinFits.resize(2);
    data.source.i0NinFits[1] = {10.0};
    Surface s(220, 220);
    const PlotScene scene = i0NinScene(data.source, plotColors(), s.coord);
    QCOMPARE(scene.curves.size(), 3);
    QVERIFY(!scene.curves[0].samples.isEmpty());
    QVERIFY(scene.curves[1].samples.isEmpty());
    QVERIFY(scene.curves[2].samples.isEmpty());
}

void TestPlotScene::paintOrder()
{
    Data data(linearPoints(2));
    data.fit({10.0, 0.0});
    Surface s(400, 200);
    const PlotScene scene = i0NinScene(data.source, plotColors(), s.coord);
    Recorder rec;
    QPainter p(&rec);
    paintScene(&p, scene);
    p.end();

    const int nLines = scene.verticalLines.size() + scene.horizontalLines.size();
    QVERIFY(nLines > 0);
    QCOMPARE(rec.ops.size(), nLines + 2 + 2);
    for (int i = 0; i < nLines; ++i) {
        QCOMPARE(rec.ops[i].kind, Recorder::Op::Line);
        QCOMPARE(rec.ops[i].pen.color(), QColor(200, 200, 200));
        QCOMPARE(rec.ops[i].pen.style(), Qt::SolidLine);
    }
    const QVector<QColor> colors = plotColors();
    for (int ch = 0; ch < 2; ++ch) {
        const Recorder::Op& fill = rec.ops[nLines + ch];
        QCOMPARE(fill.kind, Recorder::Op::Path);
        QCOMPARE(fill.fillRule, Qt::WindingFill);
        QCOMPARE(fill.pen.style(), Qt::NoPen);
        QCOMPARE(fill.brush.style(), Qt::SolidPattern);
        QCOMPARE(fill.brush.color(), colors[ch]);
        const Recorder::Op& curve = rec.ops[nLines + 2 + ch];
        QCOMPARE(curve.kind, Recorder::Op::Polyline);
        QCOMPARE(curve.pen.color(), colors[ch]);
        QCOMPARE(curve.pen.style(), Qt::SolidLine);
        QCOMPARE(curve.pen.widthF(), 1.0);
        QCOMPARE(curve.points.size(), scene.curves[ch].samples.size());
    }
}

void TestPlotScene::overlappingDots_data()
{
    QTest::addColumn<QVector<double>>("i0s");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QColor>("expected");

    const QColor black = plotColors()[0];
    const QColor red = plotColors()[1];
    // I0 10 is x 10, 20 is x 110, 30 is x 210, 20.4 is x 114; y as dotPositions.
    QTest::newRow("one dot") << QVector<double>{10, 20, 30} << 1 << QPoint(110, 110) << black;
    // Points at one place show as one dot, however many there are.
    QTest::newRow("two dots at one pixel")
        << QVector<double>{10, 20, 20, 30} << 1 << QPoint(110, 110) << black;
    QTest::newRow("three dots at one pixel")
        << QVector<double>{10, 20, 20, 20, 30} << 1 << QPoint(110, 110) << black;
    QTest::newRow("partial overlap: common part filled")
        << QVector<double>{10, 20, 20.4, 30} << 1 << QPoint(112, 110) << black;
    QTest::newRow("partial overlap: the rest filled")
        << QVector<double>{10, 20, 20.4, 30} << 1 << QPoint(108, 110) << black;
    QTest::newRow("partial overlap: nothing beyond the two dots")
        << QVector<double>{10, 20, 20.4, 30} << 1 << QPoint(118, 110) << kWhite;
    QTest::newRow("later channel covers an earlier one")
        << QVector<double>{10, 20, 30} << 2 << QPoint(110, 110) << red;
}

void TestPlotScene::overlappingDots()
{
    QFETCH(QVector<double>, i0s);
    QFETCH(int, channels);
    QFETCH(QPoint, probe);
    QFETCH(QColor, expected);

    // Input count 10 * I0 throughout, so every dot sits on the line of the
    // points at 10, 20 and 30; the range stays 10..30 and 100..300.
    QVector<Point> pts;
    for (double i0 : i0s)
        pts.append({i0, QVector<double>(channels, i0 == 20.4 ? 200 : i0 * 10),
                    QVector<double>(channels, 1)});
    Data data(pts);
    Surface s(220, 220);
    const QImage image = render(i0NinScene(data.source, plotColors(), s.coord), 220, 220);
    QCOMPARE(pixel(image, probe.x(), probe.y()), expected);
}

void TestPlotScene::curvesLieOverDots()
{
    // Channel 0's curve Nin = 10 I0 runs through the centres of channel 1's
    // dots; channel 0's own dots sit elsewhere.
    QVector<Point> pts;
    for (double i0 : {10.0, 20.0, 30.0})
        pts.append({i0, {300 - (i0 - 10) * 5, i0 * 10}, {1, 1}});
    Data data(pts);
    data.source.fitted = true;
    data.source.i0NinFits = {{10.0, 0.0}, {kNaN, kNaN}};
    Surface s(220, 220);
    const PlotScene scene = i0NinScene(data.source, plotColors(), s.coord);
    QCOMPARE(scene.dots[1].centres[1], QPoint(110, 110));
    const QImage image = render(scene, 220, 220);
    const QColor black = plotColors()[0];
    const QColor red = plotColors()[1];
    int curvePixels = 0;
    int dotPixels = 0;
    for (int y = 107; y <= 113; ++y) {
        const QColor c = pixel(image, 110, y);
        curvePixels += c == black;
        dotPixels += c == red;
    }
    QVERIFY(curvePixels >= 1);
    QVERIFY(dotPixels >= 4);
}

void TestPlotScene::degenerate_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    QTest::addColumn<QVector<double>>("fit");
    // Whether every dot is expected on the surface, and the curve on it.
    QTest::addColumn<bool>("dotsShow");
    QTest::addColumn<bool>("curveShows");

    const QVector<double> line{10.0, 0.0};
    const QVector<double> diagonal{1.0, 0.0};
    const double tiny = std::numeric_limits<double>::denorm_min();
    QTest::newRow("all I0 equal") << int(I0Nin) << QVector<double>{7, 7, 7}
                                  << QVector<double>{60, 70, 80} << line << true << true;
    QTest::newRow("all input counts equal") << int(I0Nin) << QVector<double>{6, 7, 8}
                                            << QVector<double>{70, 70, 70} << line << true << true;
    QTest::newRow("one input count on the count plot")
        << int(NinNout) << QVector<double>{70, 70, 70} << QVector<double>{5, 6, 7}
        << QVector<double>{0.1, 0.0} << true << true;
    QTest::newRow("one point repeated")
        << int(NinNout) << QVector<double>{70, 70, 70} << QVector<double>{7, 7, 7}
        << QVector<double>{0.1, 0.0} << true << true;
    QTest::newRow("all I0 zero") << int(I0Nin) << QVector<double>{0, 0, 0}
                                 << QVector<double>{0, 0, 0} << diagonal << true << true;
    QTest::newRow("NaN fit") << int(I0Nin) << QVector<double>{6, 7, 8}
                             << QVector<double>{60, 70, 80} << QVector<double>{kNaN, kNaN} << true
                             << false;
    QTest::newRow("infinite fit") << int(NinNout) << QVector<double>{6, 7, 8}
                                  << QVector<double>{60, 70, 80} << QVector<double>{1.0, kInf}
                                  << true << false;
    QTest::newRow("huge coefficients")
        << int(I0Nin) << QVector<double>{6, 7, 8} << QVector<double>{60, 70, 80}
        << QVector<double>{1e300, -1e300} << true << false;
    QTest::newRow("tiny spread far from zero")
        << int(I0Nin) << QVector<double>{1e15, 1e15 + 2, 1e15 + 4} << QVector<double>{60, 70, 80}
        << QVector<double>{0.0, 0.0} << true << false;
    QTest::newRow("subnormal values")
        << int(NinNout) << QVector<double>{0, tiny, 3 * tiny}
        << QVector<double>{0, 2 * tiny, 5 * tiny} << diagonal << true << true;
    QTest::newRow("infinite input count")
        << int(I0Nin) << QVector<double>{6, 7, 8} << QVector<double>{60, kInf, 80} << line << false
        << false;
    QTest::newRow("NaN input count") << int(NinNout) << QVector<double>{6, kNaN, 8}
                                     << QVector<double>{60, 70, 80} << line << false << false;
    QTest::newRow("spread beyond the largest double")
        << int(I0Nin) << QVector<double>{-1.7e308, 0, 1.7e308} << QVector<double>{60, 70, 80}
        << line << false << false;
}

void TestPlotScene::degenerate()
{
    QFETCH(int, plot);
    QFETCH(QVector<double>, xs);
    QFETCH(QVector<double>, ys);
    QFETCH(QVector<double>, fit);
    QFETCH(bool, dotsShow);
    QFETCH(bool, curveShows);

    QVector<Point> pts;
    for (int i = 0; i < xs.size(); ++i)
        pts.append(plot == I0Nin ? Point{xs[i], {ys[i]}, {1}} : Point{1, {xs[i]}, {ys[i]}});
    Data data(pts);
    data.fit(fit);
    Surface s(400, 200);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);
    QVERIFY(scene.drawn);
    QVERIFY(withinLimit(scene));
    QVERIFY(scene.verticalLines.size() <= 20);
    QVERIFY(scene.horizontalLines.size() <= 20);
    QCOMPARE(scene.curves.size(), 1);
    QVERIFY(scene.curves[0].samples.size() <= 101);

    const QRect surface(0, 0, 400, 200);
    if (dotsShow) {
        QCOMPARE(scene.dots[0].centres.size(), 3);
        for (QPoint c : scene.dots[0].centres)
            QVERIFY2(surface.contains(c),
                     qPrintable(QStringLiteral("%1, %2").arg(c.x()).arg(c.y())));
    }
    int curveOnSurface = 0;
    for (QPoint p : scene.curves[0].samples)
        curveOnSurface += surface.contains(p);
    if (curveShows)
        QVERIFY2(curveOnSurface >= 10, qPrintable(QString::number(curveOnSurface)));

    // The painter is handed finite positions only, and renders them.
    Recorder rec;
    QPainter p(&rec);
    paintScene(&p, scene);
    p.end();
    for (const Recorder::Op& op : rec.ops)
        for (QPointF pt : op.points)
            QVERIFY(std::isfinite(pt.x()) && std::isfinite(pt.y()) &&
                    std::abs(pt.x()) <= PlotScene::kPixelLimit + 4 &&
                    std::abs(pt.y()) <= PlotScene::kPixelLimit + 4);
    render(scene, 400, 200);
}

void TestPlotScene::unboundedSpanShowsNothing_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    QTest::addColumn<bool>("xUnbounded");
    QTest::addColumn<bool>("yUnbounded");

    QTest::newRow("I0 spread beyond the largest double")
        << int(I0Nin) << QVector<double>{-1.7e308, 0, 1.7e308} << QVector<double>{60, 70, 80}
        << true << false;
    QTest::newRow("I0 up to the largest double") << int(I0Nin) << QVector<double>{0, 1, 1.79e308}
                                                 << QVector<double>{60, 70, 80} << true << false;
    QTest::newRow("infinite input count, I0 plot")
        << int(I0Nin) << QVector<double>{6, 7, 8} << QVector<double>{60, kInf, 80} << false << true;
    QTest::newRow("infinite input count, count plot")
        << int(NinNout) << QVector<double>{60, kInf, 80} << QVector<double>{6, 7, 8} << true
        << false;
    QTest::newRow("negative infinite output count")
        << int(NinNout) << QVector<double>{60, 70, 80} << QVector<double>{6, -kInf, 8} << false
        << true;
}

// A span that runs to infinity has no place for anything: no dot, no curve
// and no grid line of that axis is drawn, not even at the centre. The other
// axis keeps its grid.
void TestPlotScene::unboundedSpanShowsNothing()
{
    QFETCH(int, plot);
    QFETCH(QVector<double>, xs);
    QFETCH(QVector<double>, ys);
    QFETCH(bool, xUnbounded);
    QFETCH(bool, yUnbounded);

    QVector<Point> pts;
    for (int i = 0; i < xs.size(); ++i)
        pts.append(plot == I0Nin ? Point{xs[i], {ys[i]}, {1}} : Point{1, {xs[i]}, {ys[i]}});
    Data data(pts);
    data.fit({1.0, 0.0});
    Surface s(400, 200);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);
    QVERIFY(scene.drawn);
    QCOMPARE(scene.dots.size(), 1);
    QVERIFY(scene.dots[0].centres.isEmpty());
    QCOMPARE(scene.curves.size(), 1);
    QVERIFY(scene.curves[0].samples.isEmpty());
    QCOMPARE(scene.verticalLines.isEmpty(), xUnbounded);
    QCOMPARE(scene.horizontalLines.isEmpty(), yUnbounded);

    const QImage image = render(scene, 400, 200);
    const QColor grid(PlotScene::kGridColor);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY2(pixel(image, x, y) == kWhite || pixel(image, x, y) == grid,
                     qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
}

namespace {

// Where a polyline crosses the row y, left to right, between its vertices
// (given as doubles, so that exact sample positions can be used too).
QVector<double> crossings(const QVector<QPointF>& line, double y)
{
    QVector<double> xs;
    for (int i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], b = line[i];
        if ((a.y() - y) * (b.y() - y) < 0)
            xs.append(a.x() + (y - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
    }
    return xs;
}

} // namespace

void TestPlotScene::steepCurveCrossesWhereItLies_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expectedCrossings");

    // Input counts a millionth apart: the fitted parabola rises through the
    // narrow band of the data and falls through it again, its samples
    // millions of pixels off the surface in between.
    QTest::newRow("input counts a millionth apart")
        << int(I0Nin) << QVector<double>{1, 2, 3} << QVector<double>{100, 100.000001, 100.000002}
        << 1500 << 2;
    QTest::newRow("the same on a narrow surface")
        << int(I0Nin) << QVector<double>{1, 2, 3} << QVector<double>{100, 100.000001, 100.000002}
        << 400 << 2;
    QTest::newRow("output counts a billionth apart")
        << int(NinNout) << QVector<double>{1000, 2000, 3000}
        << QVector<double>{900, 900.0000009, 900.0000018} << 1000 << 2;
}

// A curve that leaves the surface far steeper than it shows still crosses
// it where its samples say: the straight segments between them are cut
// where they leave the drawable square, not bent by moving their ends.
void TestPlotScene::steepCurveCrossesWhereItLies()
{
    QFETCH(int, plot);
    QFETCH(QVector<double>, xs);
    QFETCH(QVector<double>, ys);
    QFETCH(int, width);
    QFETCH(int, expectedCrossings);

    QVector<Point> pts;
    for (int i = 0; i < xs.size(); ++i)
        pts.append(plot == I0Nin ? Point{xs[i], {ys[i]}, {1}} : Point{1, {xs[i]}, {ys[i]}});
    Data data(pts);
    QVector<double> fit;
    fitQuadratic(xs, ys, fit);
    data.fit(fit);
    const int height = 200;
    Surface s(width, height);
    const PlotScene scene = sceneOf(Plot(plot), data.source, s.coord);
    QCOMPARE(scene.curves.size(), 1);

    // The samples where they lie, by the mapper's formulas.
    const ChCoord& c = s.coord;
    QVector<QPointF> exact;
    const double step = std::abs(c.scaleX1 - c.scaleX0) / 100;
    for (double v = c.scaleX0; v <= c.scaleX1; v += step) {
        const double y = (fit[1] * v) * v + fit[0] * v;
        exact.append(
            {c.frameX0 + (v - c.scaleX0) * ((c.frameX1 - c.frameX0) / (c.scaleX1 - c.scaleX0)),
             c.frameY0 + (y - c.scaleY0) * ((c.frameY1 - c.frameY0) / (c.scaleY1 - c.scaleY0))});
    }
    QVector<QPointF> drawn;
    for (QPoint p : scene.curves[0].samples)
        drawn.append(p);
    QVERIFY(withinLimit(scene));
    for (double row : {0.5, height / 2.0, height - 0.5}) {
        const QVector<double> want = crossings(exact, row);
        const QVector<double> got = crossings(drawn, row);
        QCOMPARE(want.size(), expectedCrossings);
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < want.size(); ++i)
            QVERIFY2(std::abs(got[i] - want[i]) <= 1.0,
                     qPrintable(QStringLiteral("row %1: crossing at %2, the samples cross at %3")
                                    .arg(row)
                                    .arg(got[i])
                                    .arg(want[i])));
    }
}

void TestPlotScene::curveReachesTheRightEdge_data()
{
    QTest::addColumn<QVector<double>>("i0s");

    // Near 1e15 doubles lie 0.125 apart: the hundredth of this scale
    // (0.1746) rounds to 0.125 or 0.25 with every step.
    QTest::newRow("I0 near 1e15") << QVector<double>{1e15, 1e15 + 8, 1e15 + 15.875};
    QTest::newRow("I0 near -1e15") << QVector<double>{-1e15 - 15.875, -1e15 - 8, -1e15};
    QTest::newRow("I0 near 2^53") << QVector<double>{9007199254740992.0, 9007199254741024.0,
                                                     9007199254741100.0};
    QTest::newRow("ordinary I0") << QVector<double>{10, 20, 30};
}

// On a scale whose hundredths round, the curve takes more (or fewer) steps
// than 100, and still runs from the left edge to the right one.
void TestPlotScene::curveReachesTheRightEdge()
{
    QFETCH(QVector<double>, i0s);

    QVector<Point> pts;
    for (double i0 : i0s)
        pts.append({i0, {100 + (i0 - i0s[0]) / 100}, {1}});
    Data data(pts);
    // A flat curve at 100 across the scale: 1e-13 I0 is 100 at 1e15.
    data.fit({100 / i0s[0], 0.0});
    Surface s(400, 200);
    const PlotScene scene = i0NinScene(data.source, plotColors(), s.coord);
    QCOMPARE(scene.curves.size(), 1);
    const QVector<QPoint>& samples = scene.curves[0].samples;
    QVERIFY(samples.size() >= 2);
    QCOMPARE(samples.first().x(), 0);
    QVERIFY2(samples.last().x() >= 396, qPrintable(QString::number(samples.last().x())));
    for (int i = 1; i < samples.size(); ++i)
        QVERIFY(samples[i].x() >= samples[i - 1].x());
}

namespace {

// Kinds of generated plots.
enum Plots
{
    OrdinaryPlots,  // data away from zero, so grid lines fall left of it
    FlatPeakFarOut, // a curve's flat top at 1e16: every last bit shows
    AnyCurves       // steep curves, far off the surface and back
};

// A whole pixel as the scene holds it: positions beyond the limit held at it.
int heldPixel(double p)
{
    return veskor::reference::wholePixel(
        std::clamp(p, -PlotScene::kPixelLimit, PlotScene::kPixelLimit));
}

} // namespace

void TestPlotScene::sceneMatchesReference_data()
{
    QTest::addColumn<int>("plots");
    QTest::addColumn<quint64>("seed");

    QTest::newRow("ordinary data") << int(OrdinaryPlots) << quint64(31);
    QTest::newRow("flat curve tops far from zero") << int(FlatPeakFarOut) << quint64(32);
    QTest::newRow("steep and wild curves") << int(AnyCurves) << quint64(33);
}

// Scale, grid lines, dots and curve samples are those of the mapper's
// formulas cut toward zero, to the pixel, in both plots: the scale as the
// data's extent with 5 % either side, the curve as (k2 v) v + k1 v at
// hundredths of the scale. Curve samples cut at the square around the
// surface are the implementation's own and left out of the comparison.
void TestPlotScene::sceneMatchesReference()
{
    QFETCH(int, plots);
    QFETCH(quint64, seed);

    namespace ref = veskor::reference;
    ref::Random random(seed);
    const QSize sizes[] = {{400, 200}, {37, 50}, {1500, 300}};
    const double limit = PlotScene::kPixelLimit;
    for (int i = 0; i < 200; ++i) {
        const int n = 3 + random.below(6);
        const int channels = 1 + random.below(3);
        QVector<Point> pts;
        QVector<QVector<double>> upperFits, lowerFits;
        const double base = random.logUniform(1, 1e6);
        const double spread = plots == AnyCurves ? 1e6 : 2;
        for (int ch = 0; ch < channels; ++ch)
            lowerFits.append(
                {random.uniform(-spread, spread), random.uniform(-spread, spread) / base});
        if (plots == FlatPeakFarOut) {
            // Nin = a1 I0 + a2 I0^2 peaks at I0 = centre, at some 1e16; the
            // input counts lie along it a hundred of their last bits apart,
            // so that each bit is some pixels.
            const double centre = random.uniform(5e7, 5e8);
            for (int ch = 0; ch < channels; ++ch) {
                const double a2 = -random.uniform(0.3, 3);
                upperFits.append({-2 * a2 * centre, a2});
            }
            for (int j = 0; j < n; ++j) {
                const double i0 = centre + random.uniform(-5, 5);
                Point p{i0, {}, {}};
                for (int ch = 0; ch < channels; ++ch) {
                    const double icr = ref::curveAt(upperFits[ch][0], upperFits[ch][1], i0);
                    const double lastBit = std::nextafter(icr, 2 * icr) - icr;
                    p.icrs << icr + 50 * lastBit * random.uniform(-1, 1);
                    p.scas << icr * random.uniform(0.2, 0.8);
                }
                pts.append(p);
            }
        } else {
            for (int j = 0; j < n; ++j) {
                Point p{base * random.uniform(1, 5), {}, {}};
                for (int ch = 0; ch < channels; ++ch) {
                    p.icrs << base * random.uniform(0.5, 3);
                    p.scas << base * random.uniform(0.2, 2);
                }
                pts.append(p);
            }
            for (int ch = 0; ch < channels; ++ch)
                upperFits.append(
                    {random.uniform(-spread, spread), random.uniform(-spread, spread) / base});
        }
        Data data(pts);
        data.source.fitted = true;
        data.source.i0NinFits = upperFits;
        data.source.ninNoutFits = lowerFits;

        for (const Plot plot : {I0Nin, NinNout}) {
            const QSize size = sizes[random.below(3)];
            Surface s(size.width(), size.height());
            const PlotScene scene = sceneOf(plot, data.source, s.coord);
            const QString where =
                QStringLiteral("case %1, %2 plot").arg(i).arg(plot == I0Nin ? "upper" : "lower");
            const ValueRange& xr = plot == I0Nin ? data.source.i0Range : data.source.icrRange;
            const ValueRange& yr = plot == I0Nin ? data.source.icrRange : data.source.scaRange;
            const double dx = (xr.max - xr.min) * 0.05, dy = (yr.max - yr.min) * 0.05;
            const double sx0 = xr.min - dx, sx1 = xr.max + dx;
            const double sy0 = yr.min - dy, sy1 = yr.max + dy;
            const double fx0 = 0, fx1 = size.width(), fy0 = size.height(), fy1 = 0;
            VESKOR_COMPARE_BITS(s.coord.scaleX0, sx0, where + " scale x0");
            VESKOR_COMPARE_BITS(s.coord.scaleX1, sx1, where + " scale x1");
            VESKOR_COMPARE_BITS(s.coord.scaleY0, sy0, where + " scale y0");
            VESKOR_COMPARE_BITS(s.coord.scaleY1, sy1, where + " scale y1");
            const auto px = [&](double v) { return ref::pixel(fx0, fx1, sx0, sx1, v); };
            const auto py = [&](double v) { return ref::pixel(fy0, fy1, sy0, sy1, v); };

            QVector<QLine> vertical, horizontal;
            for (double v = 0; v < xr.max; v += xr.max / 10)
                vertical.append(QLine(heldPixel(px(v)), int(fy0), heldPixel(px(v)), int(fy1)));
            for (double v = 0; v < yr.max; v += yr.max / 10)
                horizontal.append(QLine(int(fx0), heldPixel(py(v)), int(fx1), heldPixel(py(v))));
            QCOMPARE(scene.verticalLines, vertical);
            QCOMPARE(scene.horizontalLines, horizontal);

            QCOMPARE(scene.dots.size(), channels);
            QCOMPARE(scene.curves.size(), channels);
            const QVector<QVector<double>>& fits = plot == I0Nin ? upperFits : lowerFits;
            for (int ch = 0; ch < channels; ++ch) {
                QVector<QPoint> centres;
                for (const Point& p : pts) {
                    const double x = plot == I0Nin ? p.i0 : p.icrs[ch];
                    const double y = plot == I0Nin ? p.icrs[ch] : p.scas[ch];
                    centres.append(QPoint(heldPixel(px(x)), heldPixel(py(y))));
                }
                QCOMPARE(scene.dots[ch].centres, centres);

                QVector<QPoint> samples;
                const double step = std::abs(sx1 - sx0) / 100;
                double v = sx0;
                for (int k = 0; k < 1000; ++k) {
                    const double x = px(v), y = py(ref::curveAt(fits[ch][0], fits[ch][1], v));
                    if (std::abs(x) < limit && std::abs(y) < limit)
                        samples.append(QPoint(ref::wholePixel(x), ref::wholePixel(y)));
                    if (!(v + step > v && v + step <= sx1))
                        break;
                    v += step;
                }
                QVector<QPoint> drawn;
                for (QPoint p : scene.curves[ch].samples)
                    if (std::abs(p.x()) < limit && std::abs(p.y()) < limit)
                        drawn.append(p);
                QVERIFY2(drawn == samples,
                         qPrintable(where + QStringLiteral(", curve %1").arg(ch)));
            }
        }
    }
}

void TestPlotScene::ratioViewIsTheCountsOverX_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("stage");
    const struct
    {
        const char* name;
        int model;
    } models[] = {{"quadratic pair", -1},
                  {"paralysable", int(DeadTimeModel::Paralyzable)},
                  {"non-paralysable", int(DeadTimeModel::NonParalyzable)},
                  {"hybrid", int(DeadTimeModel::Hybrid)}};
    for (const auto& m : models) {
        QTest::addRow("%s, input stage", m.name) << m.model << int(DeadTimeStage::Input);
        QTest::addRow("%s, output stage", m.name) << m.model << int(DeadTimeStage::Output);
    }
}

// Whatever the model, the ratio view's curve times x is the counts view's
// curve, and its dashed line lies at the curve's value at zero rate.
void TestPlotScene::ratioViewIsTheCountsOverX()
{
    QFETCH(int, model);
    QFETCH(int, stage);
    QVector<Point> pts;
    for (double i0 : {1e4, 3e4, 6e4, 1e5})
        pts.append({i0, {0.3 * i0 * std::exp(-0.3 * i0 * 2e-6)}, {0.25 * i0}});
    Data data(pts);
    data.fit({0.3, -0.3 * 0.3 * 2e-6});
    double zeroRate = 0.3;
    if (model >= 0) {
        ModelCurve c;
        c.model = DeadTimeModel(model);
        c.available = true;
        c.scale = 0.28;
        c.rate = 0.28 * 1.5e-6;
        c.nonParalysableRate = 0.28 * 0.7e-6;
        data.source.i0NinCurves = {c};
        data.source.ninNoutCurves = {c};
        zeroRate = c.scale;
    }
    const auto st = DeadTimeStage(stage);
    Surface counts(500, 300), ratio(500, 300);
    const PlotScene countsScene =
        viewScene(data.source, st, PlotView::Counts, plotColors(), counts.coord);
    // The ratio view over the same x as the counts view.
    ratio.coord.setScale(counts.coord.scaleX0, 0, counts.coord.scaleX1, 1);
    ratio.coord.xScaleSet = true;
    const PlotScene ratioScene =
        viewScene(data.source, st, PlotView::Ratio, plotColors(), ratio.coord);
    const QVector<QPointF>& c = countsScene.curves.value(0).values;
    const QVector<QPointF>& r = ratioScene.curves.value(0).values;
    QVERIFY(c.size() > 90);
    QCOMPARE(r.size(), c.size());
    for (int i = 0; i < c.size(); ++i) {
        QCOMPARE(r[i].x(), c[i].x());
        if (c[i].x() != 0)
            QVERIFY2(std::abs(r[i].y() * c[i].x() - c[i].y()) <= 1e-12 * std::abs(c[i].y()),
                     qPrintable(QString::number(c[i].x())));
    }
    // The points' ratios, each count over its own x.
    const QVector<PlotScene::Value>& dots = ratioScene.dots.value(0).values;
    QCOMPARE(dots.size(), pts.size());
    for (int j = 0; j < pts.size(); ++j) {
        const double x = st == DeadTimeStage::Input ? pts[j].i0 : pts[j].icrs[0];
        const double y = st == DeadTimeStage::Input ? pts[j].icrs[0] : pts[j].scas[0];
        QCOMPARE(dots[j].at, QPointF(x, y / x));
    }
    QCOMPARE(ratioScene.guides.size(), 1);
    QVERIFY(ratioScene.guides[0].dashed);
    QCOMPARE(ratioScene.guides[0].line.y1(), int(ratio.coord.pixY(zeroRate)));
}

// A residual is (data - model) / sqrt(model / time): a point on the model
// is at 0, one two sigmas short at -2, for counts and for rates alike; a
// point the model expects nothing of has none.
void TestPlotScene::residualsInSigmasOfTheModel()
{
    const double a1 = 0.5, a2 = -1e-7;
    const auto model = [&](double x) { return (a2 * x) * x + a1 * x; };
    const double xs[] = {1e4, 2e4, 4e4, 8e4};
    const double times[] = {1, 1, 2.5, 0.5};
    const double expected[] = {0, -2, 3, 0};
    QVector<Point> pts;
    for (int j = 0; j < 4; ++j) {
        const double f = model(xs[j]);
        pts.append({xs[j], {f + expected[j] * std::sqrt(f / times[j])}, {1}});
    }
    // Beyond the top of the parabola the model expects no count.
    pts.append({6e6, {10}, {1}});
    Data data(pts);
    for (int j = 0; j < 4; ++j)
        data.source.points[j].time = times[j];
    data.fit({a1, a2});
    Surface s(400, 300);
    const PlotScene scene =
        viewScene(data.source, DeadTimeStage::Input, PlotView::Residuals, plotColors(), s.coord);
    const QVector<PlotScene::Value>& r = scene.dots.value(0).values;
    QCOMPARE(r.size(), 5);
    for (int j = 0; j < 4; ++j) {
        QCOMPARE(r[j].at.x(), xs[j]);
        QVERIFY2(std::abs(r[j].at.y() - expected[j]) < 1e-9, qPrintable(QString::number(j)));
    }
    QVERIFY(std::isnan(r[4].at.y()));
    QCOMPARE(scene.dots[0].centres.size(), 4);
    // The bands at +-3 and +-1, and the zero line, where the mapper puts them.
    QCOMPARE(scene.bands.size(), 2);
    QCOMPARE(scene.bands[0].rect.top(), int(s.coord.pixY(3)));
    QCOMPARE(scene.bands[1].rect.bottom(), int(s.coord.pixY(-1)));
    QCOMPARE(scene.guides.size(), 1);
    QCOMPARE(scene.guides[0].line.y1(), int(s.coord.pixY(0)));
    QVERIFY(scene.curves.isEmpty() || scene.curves[0].samples.isEmpty());
}

VESKOR_GUI_TEST_MAIN(TestPlotScene)
#include "tst_plotscene.moc"
