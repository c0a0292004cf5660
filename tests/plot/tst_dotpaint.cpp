// The dots of a channel are the union of circles 7 pixels across, however
// they are painted. Every case here paints a scene twice, once with
// paintScene and once with a reference written out below, and compares the
// whole images bit for bit. Where the painter maps logical to device pixels
// by a whole-pixel translation without antialiasing, the reference sets the
// pixels that the geometry gives, run by run, knowing nothing of painter
// paths; elsewhere it fills the union of the circles as the painter does.
// Each case also names the route every channel must take, so that a case
// meant for the mask route cannot pass by falling back.

#include "plot/chcoord.h"
#include "plot/dotpaint.h"
#include "plot/plotcolors.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"
#include "testsupport.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

// A dot at pixel (x, y) is the circle inscribed in the 7 by 7 box from
// (x - 3, y - 3): centre (x + 0.5, y + 0.5), radius 3.5. An aliased fill
// takes a pixel when its centre, (x + dx + 0.5, y + dy + 0.5), lies inside,
// and the nearest pixel centres lie 0.1 pixel or more from the circle, well
// beyond what flattening the curve can move it.
bool inDot(int dx, int dy)
{
    return 4 * (dx * dx + dy * dy) < 49;
}

// How far a dot reaches left and right of its centre on row dy.
int halfWidth(int dy)
{
    int h = -1;
    while (inDot(h + 1, dy))
        ++h;
    return h;
}

// One channel's dots: the union of the dots' pixels as runs [x0, x1] on
// each row.
std::map<int, std::vector<std::pair<int, int>>> dotRuns(const QVector<QPoint>& centres)
{
    std::map<int, std::vector<std::pair<int, int>>> rows;
    for (const QPoint& c : centres)
        for (int dy = -3; dy <= 3; ++dy) {
            const int h = halfWidth(dy);
            if (h >= 0)
                rows[c.y() + dy].push_back({c.x() - h, c.x() + h});
        }
    for (auto& [y, runs] : rows) {
        std::sort(runs.begin(), runs.end());
        std::vector<std::pair<int, int>> merged;
        for (const auto& r : runs) {
            if (!merged.empty() && r.first <= merged.back().second + 1)
                merged.back().second = std::max(merged.back().second, r.second);
            else
                merged.push_back(r);
        }
        runs = merged;
    }
    return rows;
}

// The same circles as a painter path filled under the winding rule, for
// painters whose pixels are not the logical ones (scaled, fractionally
// offset, antialiased), where no whole-pixel rule holds.
QPainterPath unionOfCircles(const QVector<QPoint>& centres)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QPoint& c : centres)
        path.addEllipse(QPointF(c.x() + 0.5, c.y() + 0.5), 3.5, 3.5);
    return path;
}

// The scene as paintScene draws it: grid, dots, curves; the dots from
// their geometry.
void paintGrid(QPainter* p, const PlotScene& scene)
{
    p->setPen(QColor(PlotScene::kGridColor));
    for (const QLine& l : scene.verticalLines)
        p->drawLines(&l, 1);
    for (const QLine& l : scene.horizontalLines)
        p->drawLines(&l, 1);
}

void paintCurves(QPainter* p, const PlotScene& scene)
{
    for (const PlotScene::Curve& c : scene.curves) {
        p->setPen(c.color);
        p->drawPolyline(c.samples.constData(), c.samples.size());
    }
}

void referencePaint(QPainter* p, const PlotScene& scene)
{
    if (!scene.drawn)
        return;
    paintGrid(p, scene);
    for (const PlotScene::Dots& d : scene.dots) {
        const QBrush brush(d.color, Qt::SolidPattern);
        for (const auto& [y, runs] : dotRuns(d.centres))
            for (const auto& [x0, x1] : runs)
                p->fillRect(QRect(x0, y, x1 - x0 + 1, 1), brush);
    }
    paintCurves(p, scene);
}

void pathReferencePaint(QPainter* p, const PlotScene& scene)
{
    if (!scene.drawn)
        return;
    paintGrid(p, scene);
    for (const PlotScene::Dots& d : scene.dots)
        p->fillPath(unionOfCircles(d.centres), QBrush(d.color, Qt::SolidPattern));
    paintCurves(p, scene);
}

// ---------------------------------------------------------------- scenes

// Scenes are laid out on a surface of the given size and then moved by
// shift, so that a painter translated by -shift still shows that surface.
// translation is the painter's own, logical to device pixels, for the case
// that is about device positions.
enum SceneKind
{
    OneDot,
    Overlaps,
    Channels,
    OffSurface,
    FarInside,
    LimitEdges,
    Clamp,
    Colours,
    Empty,
    Measured,
};

using Rng = std::mt19937;

int uniform(Rng& rng, int lo, int hi) // [lo, hi]
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

PlotScene::Dots dots(const QColor& color, const QVector<QPoint>& centres)
{
    PlotScene::Dots d;
    d.color = color;
    d.centres = centres;
    return d;
}

// Random centres over the surface and a margin of m pixels around it, some
// of them repeated once or twice at the same pixel.
QVector<QPoint> scatter(Rng& rng, QSize size, int n, int m)
{
    QVector<QPoint> cs;
    for (int i = 0; i < n; ++i) {
        const QPoint c(uniform(rng, -m, size.width() - 1 + m),
                       uniform(rng, -m, size.height() - 1 + m));
        cs.append(c);
        const int extra = uniform(rng, 0, 9);
        if (extra == 0)
            cs.append(c);
        else if (extra == 1)
            cs << c << c;
    }
    return cs;
}

// The scan of the benchmark: I0 over three decades, counts falling behind
// a straight line, each channel a little different.
struct Scan
{
    QVector<QVector<double>> icrs;
    QVector<QVector<double>> scas;
    PlotSource source;

    Scan(int channels, int points)
    {
        icrs.resize(points);
        scas.resize(points);
        source.nChannels = channels;
        for (int i = 0; i < points; ++i) {
            const double i0 = 1e3 * std::pow(1e3, double(i) / std::max(points - 1, 1));
            source.points.append(PointView{i0, &icrs[i], &scas[i]});
            for (int ch = 0; ch < channels; ++ch) {
                const double gain = 0.3 + 0.01 * ch + 0.002 * std::sin(i * 1.7 + ch);
                const double icr = gain * i0 - 1e-7 * i0 * i0;
                const double sca = 0.8 * icr - 2e-7 * icr * icr;
                icrs[i].append(icr);
                scas[i].append(sca);
                source.icrRange.widen(icr);
                source.scaRange.widen(sca);
            }
            source.i0Range.widen(i0);
        }
        source.fitted = true;
        for (int ch = 0; ch < channels; ++ch) {
            source.i0NinFits.append({0.3 + 0.01 * ch, -1e-7});
            source.ninNoutFits.append({0.8, -2e-7});
        }
    }
};

PlotScene buildScene(SceneKind kind, QSize size, QPoint shift, QPoint translation)
{
    const int w = size.width();
    const int h = size.height();
    const QVector<QColor> colors = plotColors();
    Rng rng(unsigned(kind) * 7919u + unsigned(w) * 31u + unsigned(h));
    PlotScene s;
    s.drawn = true;

    switch (kind) {
    case OneDot:
        s.dots.append(dots(colors[3], {QPoint(w / 2, h / 2)}));
        break;
    case Overlaps: {
        // One channel: a dense cluster in which most dots overlap others,
        // two and three and four dots at one pixel, and a row of dots one
        // pixel apart.
        QVector<QPoint> cs = scatter(rng, size, 40 + w * h / 400, 2);
        const QPoint a(w / 3, h / 2), b(2 * w / 3, h / 2), c(w / 2, h / 3);
        cs << a << a << b << b << b << c << c << c << c;
        for (int i = -6; i <= 6; ++i)
            cs << QPoint(w / 2 + i, 2 * h / 3) << QPoint(w / 2 + i, 2 * h / 3 + i);
        s.dots.append(dots(colors[0], cs));
        break;
    }
    case Channels: {
        // Several channels over each other; two of them share centres.
        const QVector<QPoint> shared = scatter(rng, size, 30, 4);
        for (int ch = 0; ch < 6; ++ch) {
            QVector<QPoint> cs = scatter(rng, size, 20 + w * h / 800, 4);
            if (ch == 2 || ch == 4)
                cs += shared;
            s.dots.append(dots(colors[ch + 1], cs));
        }
        break;
    }
    case OffSurface: {
        // Dots across every edge and corner, partly or wholly off it.
        QVector<QPoint> cs;
        for (int d = -9; d <= 9; ++d) {
            for (int t : {0, w / 3, w - 1})
                cs << QPoint(t, d) << QPoint(t, h - 1 + d);
            for (int t : {0, h / 2, h - 1})
                cs << QPoint(d, t) << QPoint(w - 1 + d, t);
            cs << QPoint(d, d) << QPoint(w - 1 - d, h - 1 + d);
        }
        cs << QPoint(-100, -100) << QPoint(w + 50, h / 2) << QPoint(w / 2, -1000);
        s.dots.append(dots(colors[5], cs));
        s.dots.append(dots(colors[6], scatter(rng, size, 50, 8)));
        break;
    }
    case FarInside: {
        // Far off the surface yet inside the raster engine's limit of 32767
        // pixels, the paths taken as they are.
        QVector<QPoint> cs = scatter(rng, size, 60, 3);
        cs << QPoint(16000, h / 2) << QPoint(-16000, 0) << QPoint(w / 2, 16000)
           << QPoint(0, -16000);
        s.dots.append(dots(colors[1], cs));
        QVector<QPoint> ds = scatter(rng, size, 60, 3);
        ds << QPoint(32000, -700) << QPoint(-700, 32000);
        s.dots.append(dots(colors[2], ds));
        break;
    }
    case LimitEdges: {
        // The outline mapper's limit is on device pixels: each channel has
        // a dot whose path ends right at the limit (mask route) or one
        // pixel past it (path route), at the right and the bottom among
        // visible dots, at the left and the top off the surface (visible
        // dots would make the path too wide), then paths exactly as wide or
        // as high as the limit and one pixel more.
        const int lim = 32767;
        QVector<QPoint> base;
        for (const QPoint& c : scatter(rng, size, 30, 0))
            base.append(QPoint(std::max(c.x(), 3), std::max(c.y(), 3)));
        // Device pixels, before the shift below.
        auto at = [&](int x, int y) { return QPoint(x, y) - translation - shift; };
        const QVector<QVector<QPoint>> channels = {
            base + QVector<QPoint>{at(lim - 4, 10)},
            base + QVector<QPoint>{at(lim - 3, 10)},
            base + QVector<QPoint>{at(10, lim - 4)},
            base + QVector<QPoint>{at(10, lim - 3)},
            {at(-lim + 3, -5), at(-4, -5)},
            {at(-lim + 2, -5), at(-4, -5)},
            {at(-5, -lim + 3), at(-5, -4)},
            {at(-5, -lim + 2), at(-5, -4)},
            base + QVector<QPoint>{at(0, 5), at(lim - 7, 6)},
            base + QVector<QPoint>{at(0, 5), at(lim - 6, 6)},
            base + QVector<QPoint>{at(5, 0), at(6, lim - 7)},
            base + QVector<QPoint>{at(5, 0), at(6, lim - 6)},
        };
        for (int ch = 0; ch < channels.size(); ++ch)
            s.dots.append(dots(colors[ch % colors.size()], channels[ch]));
        break;
    }
    case Clamp: {
        // The scene's clamp of +-4194304 pixels, in either direction, among
        // dots on the surface; a masked channel between and after them.
        const int c = int(PlotScene::kPixelLimit);
        s.dots.append(dots(colors[1], scatter(rng, size, 80, 3) << QPoint(c, c)));
        s.dots.append(dots(colors[2], scatter(rng, size, 80, 3)));
        s.dots.append(dots(colors[3], scatter(rng, size, 80, 3) << QPoint(-c, 0)));
        s.dots.append(dots(colors[4], scatter(rng, size, 80, 3) << QPoint(w / 2, -c)));
        s.dots.append(dots(colors[5], scatter(rng, size, 80, 3)));
        break;
    }
    case Colours: {
        // Opaque colours with 16 bits a channel, a transparent and a
        // half-transparent one (path route), an invalid colour (path route,
        // painted as the brush paints it), all over each other.
        s.dots.append(
            dots(QColor::fromRgba64(0x1234, 0xfedc, 0x8081, 0xffff), scatter(rng, size, 80, 3)));
        s.dots.append(dots(QColor(255, 0, 0, 128), scatter(rng, size, 80, 3)));
        s.dots.append(dots(QColor::fromRgbF(0.3333, 0.6667, 0.0049), scatter(rng, size, 80, 3)));
        s.dots.append(dots(QColor(), scatter(rng, size, 80, 3)));
        s.dots.append(
            dots(QColor::fromRgba64(0x7f7f, 0x8080, 0x0101, 0xfffe), scatter(rng, size, 80, 3)));
        s.dots.append(dots(QColor::fromHsv(200, 255, 128), scatter(rng, size, 80, 3)));
        s.dots.append(dots(QColor(0, 0, 0, 0), scatter(rng, size, 80, 3)));
        break;
    }
    case Empty:
        // Channels without dots, with one dot, and all dots off the surface.
        s.dots.append(dots(colors[1], {}));
        s.dots.append(dots(colors[2], {QPoint(w / 2, h / 2)}));
        s.dots.append(dots(colors[3], {}));
        s.dots.append(dots(colors[4], {QPoint(-20, -20), QPoint(w + 20, h + 20)}));
        break;
    case Measured: {
        // The benchmark's scene: 19 channels of 1000 points with the grid
        // and the fitted curves, as the surface builds it.
        static const Scan scan(19, 1000);
        ChCoord coord;
        coord.setFrame(0, h, w, 0);
        s = i0NinScene(scan.source, colors, coord);
        break;
    }
    }

    for (PlotScene::Dots& d : s.dots)
        for (QPoint& c : d.centres)
            c += shift;
    for (QLine& l : s.verticalLines)
        l.translate(shift);
    for (QLine& l : s.horizontalLines)
        l.translate(shift);
    for (PlotScene::Curve& c : s.curves)
        for (QPoint& p : c.samples)
            p += shift;
    return s;
}

// ---------------------------------------------------------------- painters

// How the scene reaches its pixels.
enum Setup
{
    Plain,
    // As cli/fitfigure.cpp: translated to an area of a larger image and
    // clipped to it.
    FigureArea,
    Translated,
    TranslatedFar,
    ClipRectF,
    TwoClipRects,
    // Path route throughout:
    FractionalOffset,
    HighDpi,
    Scaled,
    Antialiased,
    HighQualityAntialiased,
    Qt4Compatible,
    HalfOpacity,
    SourceMode,
    MultiplyMode,
    ClipEllipse,
    ClipFractional,
    ClipRegion,
    // Other hints and devices on the mask route:
    HarmlessHints,
    Pixmap,
    Widget,
};

constexpr int kMargin = 40;

// Whether the painter puts logical pixels on device pixels one to one,
// aliased, so that a dot's pixels are those its geometry gives.
bool wholePixels(Setup setup)
{
    switch (setup) {
    case FractionalOffset:
    case HighDpi:
    case Scaled:
    case Antialiased:
    case HighQualityAntialiased:
    case Qt4Compatible:
        return false;
    default:
        return true;
    }
}

// The painter's translation from logical to device pixels.
QPoint translation(Setup setup)
{
    switch (setup) {
    case FigureArea:
        return QPoint(kMargin - 3, kMargin / 2);
    case Translated:
        return QPoint(-5, 9);
    case TranslatedFar:
        return QPoint(-31000, 20000);
    case Widget:
        return QPoint(13, 7);
    default:
        return QPoint();
    }
}

// Where the scene's surface lies in the painter's logical coordinates: a
// painter translated for no other reason than to move its origin shows the
// same surface.
QPoint shiftFor(Setup setup)
{
    return setup == Translated || setup == TranslatedFar ? -translation(setup) : QPoint();
}

// A background of random pixels, valid for the format, so that a pixel
// left alone and a pixel painted over cannot be mistaken for each other.
QImage background(QSize size, QImage::Format format)
{
    QImage argb(size, QImage::Format_ARGB32);
    Rng rng(unsigned(size.width()) * 131u + unsigned(size.height()));
    for (int y = 0; y < size.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = QRgb(rng());
    }
    return argb.convertToFormat(format);
}

using Painter = std::function<void(QPainter*, const PlotScene&)>;

class SceneWidget : public QWidget
{
public:
    SceneWidget(const PlotScene& s, const Painter& f) : scene(s), paint(f) {}
    const PlotScene& scene;
    Painter paint;
    QVector<DotRoute> routes;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(250, 250, 240));
        routes = dotRoutes(&p, scene.dots);
        paint(&p, scene);
    }
};

// Paints the scene with f as the setup has it; routes gets what dotRoutes
// said on that painter just before.
QImage paintWith(Setup setup, QSize size, QImage::Format format, const PlotScene& scene,
                 const Painter& f, QVector<DotRoute>* routes)
{
    auto paint = [&](QPainter& p) {
        if (routes)
            *routes = dotRoutes(&p, scene.dots);
        f(&p, scene);
    };
    const int w = size.width();
    const int h = size.height();

    if (setup == Pixmap) {
        QPixmap pixmap = QPixmap::fromImage(background(size, format));
        QPainter p(&pixmap);
        paint(p);
        p.end();
        return pixmap.toImage();
    }
    if (setup == Widget) {
        // Rendered into a larger image at an offset, as a parent would.
        SceneWidget widget(scene, f);
        widget.resize(size);
        QImage image = background(size + QSize(2 * kMargin, kMargin), format);
        widget.render(&image, translation(setup));
        if (routes)
            *routes = widget.routes;
        return image;
    }
    if (setup == FigureArea) {
        QImage image = background(size + QSize(2 * kMargin, kMargin), format);
        QPainter p(&image);
        p.save();
        p.translate(translation(setup));
        p.setClipRect(0, 0, w, h);
        paint(p);
        p.restore();
        return image;
    }

    QImage image = background(size, format);
    if (setup == HighDpi)
        image.setDevicePixelRatio(2);
    QPainter p(&image);
    switch (setup) {
    case Translated:
    case TranslatedFar:
        p.translate(translation(setup));
        break;
    case ClipRectF:
        p.setClipRect(QRectF(1, 2, w - 3, h - 2));
        break;
    case TwoClipRects:
        p.setClipRect(QRect(0, 0, w - 1, h));
        p.setClipRect(QRect(1, 0, w, h - 1), Qt::IntersectClip);
        break;
    case FractionalOffset:
        p.translate(0.5, 0.25);
        break;
    case Scaled:
        p.scale(2, 2);
        break;
    case Antialiased:
        p.setRenderHint(QPainter::Antialiasing);
        break;
    case HighQualityAntialiased:
        // QPainter::HighQualityAntialiasing, deprecated but antialiasing
        // on the raster engine all the same.
        p.setRenderHint(QPainter::RenderHint(0x08));
        break;
    case Qt4Compatible:
        p.setRenderHint(QPainter::Qt4CompatiblePainting);
        break;
    case HalfOpacity:
        p.setOpacity(0.5);
        break;
    case SourceMode:
        p.setCompositionMode(QPainter::CompositionMode_Source);
        break;
    case MultiplyMode:
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        break;
    case ClipEllipse: {
        QPainterPath clip;
        clip.addEllipse(QRectF(0, 0, w, h));
        p.setClipPath(clip);
        break;
    }
    case ClipFractional:
        p.setClipRect(QRectF(0.5, 0.5, w - 1, h - 1));
        break;
    case ClipRegion:
        p.setClipRegion(QRegion(0, 0, w / 2 + 1, h / 2 + 1) + QRegion(w / 2, h / 2, w, h));
        break;
    case HarmlessHints:
        p.setRenderHints(QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing |
                         QPainter::LosslessImageRendering);
        break;
    default:
        break;
    }
    paint(p);
    return image;
}

QString routeText(const QVector<DotRoute>& routes)
{
    QString s;
    for (DotRoute r : routes)
        s += r == DotRoute::Mask ? QLatin1Char('M') : QLatin1Char('P');
    return s;
}

// Where and how many pixels two images differ, for the failure message.
QString difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return QStringLiteral("size or format differs");
    int n = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && n++ == 0)
                first = QPoint(x, y);
    return QStringLiteral("%1 pixels differ, the first at (%2, %3)")
        .arg(n)
        .arg(first.x())
        .arg(first.y());
}

} // namespace

Q_DECLARE_METATYPE(SceneKind)
Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(QImage::Format)

class TestDotPaint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void samePixels_data();
    void samePixels();
};

void TestDotPaint::samePixels_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<SceneKind>("kind");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QImage::Format>("format");
    // One letter a channel: M the mask route, P the path route.
    QTest::addColumn<QString>("routes");

    const auto pm = QImage::Format_ARGB32_Premultiplied;
    const auto rgb32 = QImage::Format_RGB32;
    auto row = [&](const QByteArray& name, QSize size, SceneKind kind, Setup setup,
                   QImage::Format format, const char* routes) {
        QTest::newRow(name.constData())
            << size << kind << setup << format << QString::fromLatin1(routes);
    };

    // Sizes from a single pixel to a large figure; the largest is painted in
    // two bands.
    for (QSize size :
         {QSize(1, 1), QSize(7, 5), QSize(400, 200), QSize(1500, 300), QSize(3000, 1200)}) {
        const QByteArray n =
            QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
        row(n + " one dot", size, OneDot, Plain, pm, "M");
        row(n + " overlapping and repeated dots", size, Overlaps, Plain, pm, "M");
        row(n + " channels over each other", size, Channels, Plain, rgb32, "MMMMMM");
        row(n + " off every edge", size, OffSurface, Plain, pm, "MM");
        row(n + " far off, inside the limit", size, FarInside, Plain, pm, "MM");
        row(n + " figure area", size, Channels, FigureArea, rgb32, "MMMMMM");
    }

    const QSize mid(400, 200);
    // Dots beyond the raster engine's limit reach no pixel of the surface;
    // without them the rest of their channel keeps the mask route.
    row("limit edges", mid, LimitEdges, Plain, pm, "MMMMMMMMMMMM");
    row("limit edges, translated", mid, LimitEdges, Translated, pm, "MMMMMMMMMMMM");
    row("limit edges, figure area", mid, LimitEdges, FigureArea, rgb32, "MMMMMMMMMMMM");
    // On a surface wider than the limit, dots that show can span more than
    // it: those channels take the path route.
    row("limit edges, surface wider than the limit", QSize(33000, 40), LimitEdges, Plain, pm,
        "MPMMMMMMMPMM");
    row("clamped centres", mid, Clamp, Plain, pm, "MMMMM");
    row("clamped centres, figure area", QSize(1500, 300), Clamp, FigureArea, rgb32, "MMMMM");
    row("colours", mid, Colours, Plain, pm, "MPMPPMP");
    row("colours, RGB32", mid, Colours, Plain, rgb32, "MPMPPMP");
    row("empty channels", mid, Empty, Plain, pm, "MMMM");
    row("empty channels, 1x1", QSize(1, 1), Empty, Plain, pm, "MMMM");
    row("measured scene", QSize(1500, 300), Measured, Plain, pm, "MMMMMMMMMMMMMMMMMMM");
    row("measured scene, figure area", QSize(1500, 300), Measured, FigureArea, rgb32,
        "MMMMMMMMMMMMMMMMMMM");
    row("measured scene, widget", QSize(1500, 300), Measured, Widget, pm, "MMMMMMMMMMMMMMMMMMM");
    row("measured scene, widget, RGB32", QSize(1500, 300), Measured, Widget, rgb32,
        "MMMMMMMMMMMMMMMMMMM");

    // Whole-pixel translations and rectangular clips.
    row("translated", mid, Overlaps, Translated, pm, "M");
    row("translated far", mid, Channels, TranslatedFar, pm, "MMMMMM");
    row("clip rectangle given in reals", mid, Channels, ClipRectF, pm, "MMMMMM");
    row("two clip rectangles", mid, Channels, TwoClipRects, pm, "MMMMMM");
    row("hints that change neither route", mid, Channels, HarmlessHints, pm, "MMMMMM");
    row("pixmap", mid, Channels, Pixmap, pm, "MMMMMM");
    row("widget", mid, OffSurface, Widget, pm, "MM");

    // Where the mask route cannot be exact, the path route paints.
    row("fractional offset", mid, Channels, FractionalOffset, pm, "PPPPPP");
    row("high-DPI image", mid, Channels, HighDpi, pm, "PPPPPP");
    row("scaled painter", mid, Channels, Scaled, pm, "PPPPPP");
    row("antialiased", mid, Channels, Antialiased, pm, "PPPPPP");
    row("high quality antialiased", mid, Channels, HighQualityAntialiased, pm, "PPPPPP");
    row("Qt 4 compatible painting", mid, Channels, Qt4Compatible, pm, "PPPPPP");
    row("half opacity", mid, Channels, HalfOpacity, pm, "PPPPPP");
    row("source composition", mid, Channels, SourceMode, pm, "PPPPPP");
    row("multiply composition", mid, Channels, MultiplyMode, pm, "PPPPPP");
    row("elliptic clip", mid, Channels, ClipEllipse, pm, "PPPPPP");
    row("fractional clip", mid, Channels, ClipFractional, pm, "PPPPPP");
    row("clip region", mid, Channels, ClipRegion, pm, "PPPPPP");
    row("ARGB32, not premultiplied", mid, Channels, Plain, QImage::Format_ARGB32, "PPPPPP");
    row("RGB16", mid, Channels, Plain, QImage::Format_RGB16, "PPPPPP");
    row("RGB888", mid, Channels, Plain, QImage::Format_RGB888, "PPPPPP");
    row("RGBA64", mid, Colours, Plain, QImage::Format_RGBA64_Premultiplied, "PPPPPPP");
}

void TestDotPaint::samePixels()
{
    QFETCH(QSize, size);
    QFETCH(SceneKind, kind);
    QFETCH(Setup, setup);
    QFETCH(QImage::Format, format);
    QFETCH(QString, routes);

    const PlotScene scene = buildScene(kind, size, shiftFor(setup), translation(setup));
    QVector<DotRoute> taken;
    const QImage painted = paintWith(setup, size, format, scene, paintScene, &taken);
    const QImage reference =
        paintWith(setup, size, format, scene,
                  wholePixels(setup) ? referencePaint : pathReferencePaint, nullptr);

    QVERIFY2(painted == reference, qPrintable(difference(painted, reference)));
    QCOMPARE(routeText(taken), routes);
}

VESKOR_GUI_TEST_MAIN(TestDotPaint)
#include "tst_dotpaint.moc"
