// How long one paint of a plot surface takes. With mouse tracking every
// pointer move over a surface repaints it, so this bounds how smoothly the
// plots follow the mouse.

#include "plot/dispa.h"
#include "plot/plotcolors.h"
#include "plot/plotlabels.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kWidth = 1500;
constexpr int kHeight = 300;

// A plausible scan: I0 spread over three decades, counts falling behind a
// straight line as I0 rises, each channel a little different.
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

void BM_BuildScene(benchmark::State& state)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    const QVector<QColor> colors = plotColors();
    ChCoord coord;
    coord.setFrame(0, kHeight, kWidth, 0);
    for (auto _ : state) {
        PlotScene scene = i0NinScene(scan.source, colors, coord);
        benchmark::DoNotOptimize(scene);
    }
}

using ScenePainter = void (*)(QPainter*, const PlotScene&);

using SceneBuilder = PlotScene (*)(const PlotSource&, const QVector<QColor>&, ChCoord&);

// One paint of the surface into an image: fill, work out the scene with
// build, draw it with paint.

void paintImage(benchmark::State& state, ScenePainter paint, SceneBuilder build = i0NinScene)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    const QVector<QColor> colors = plotColors();
    ChCoord coord;
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(0, 0, kWidth, kHeight, Qt::white);
        coord.setFrame(0, kHeight, kWidth, 0);
        paint(&p, build(scan.source, colors, coord));
    }
}

void BM_PaintImage(benchmark::State& state)
{
    paintImage(state, paintScene);
}

// One paint of the upper plot in a view: the ratio and residual views work
// out a ratio or a residual per dot and draw their guides and bands.
template <PlotView view> void BM_PaintView(benchmark::State& state)
{
    paintImage(state, paintScene,
               [](const PlotSource& source, const QVector<QColor>& colors, ChCoord& coord) {
                   return viewScene(source, DeadTimeStage::Input, view, colors, coord);
               });
}

// The same through a real surface, as the window paints it: with the grid
// values, the title and the legend.
void BM_PaintSurface(benchmark::State& state)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    const QVector<QColor> colors = plotColors();
    DispA surface;
    surface.resize(kWidth, kHeight);
    QObject::connect(&surface, &DispA::drawImage2, [&](QPainter* p) {
        const PlotScene scene = i0NinScene(scan.source, colors, surface.coord);
        paintScene(p, scene);
        paintPlotLabels(p, scene, surface.width(), surface.height(), QStringLiteral("ICR vs I0"),
                        colors);
    });
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        surface.render(&image);
}

// Where the labels go on a plot whose dots cover every corner: the legend
// is tried in all of them, at two widths, against every dot and curve
// segment.
void BM_PlotLabelsCornersFull(benchmark::State& state)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    const QVector<QColor> colors = plotColors();
    ChCoord coord;
    coord.setFrame(0, kHeight, kWidth, 0);
    PlotScene scene = i0NinScene(scan.source, colors, coord);
    // Spread the dots over the whole surface, evenly and reproducibly.
    int n = 0;
    for (PlotScene::Dots& d : scene.dots)
        for (QPoint& c : d.centres) {
            c = QPoint((n * 7919) % kWidth, (n * 104729) % kHeight);
            ++n;
        }
    const QFont font;
    for (auto _ : state) {
        PlotLabels labels =
            plotLabels(scene, kWidth, kHeight, font, QStringLiteral("ICR vs I0"), colors);
        benchmark::DoNotOptimize(labels);
    }
}

// The scene painted as paintScene painted it before the dot masks: every
// channel's dots filled as one path. What BM_PaintImage is measured against.
void paintAsPaths(QPainter* p, const PlotScene& scene)
{
    p->setPen(QColor(PlotScene::kGridColor));
    for (const QLine& l : scene.verticalLines)
        p->drawLines(&l, 1);
    for (const QLine& l : scene.horizontalLines)
        p->drawLines(&l, 1);
    for (const PlotScene::Dots& d : scene.dots)
        p->fillPath(dotPath(d.centres), QBrush(d.color, Qt::SolidPattern));
    for (const PlotScene::Curve& c : scene.curves) {
        p->setPen(c.color);
        p->drawPolyline(c.samples.constData(), c.samples.size());
    }
}

void BM_PaintImagePaths(benchmark::State& state)
{
    paintImage(state, paintAsPaths);
}

// The scene zoomed in about the middle of the surface by range(2), as a
// zoom kept across repaints would show it: most dots far off the surface.
// A channel whose dots reach beyond the raster engine's limit of 32767
// pixels is filled as a path (see plot/dotpaint.cpp), and that path is
// clipped by path intersection first, which is slow.
PlotScene zoomed(PlotScene scene, int factor)
{
    const QPoint mid(kWidth / 2, kHeight / 2);
    const auto lim = qint64(PlotScene::kPixelLimit);
    auto zoom = [&](QPoint& c) {
        const qint64 x = std::clamp<qint64>(mid.x() + qint64(c.x() - mid.x()) * factor, -lim, lim);
        const qint64 y = std::clamp<qint64>(mid.y() + qint64(c.y() - mid.y()) * factor, -lim, lim);
        c = QPoint(int(x), int(y));
    };
    for (PlotScene::Dots& d : scene.dots)
        for (QPoint& c : d.centres)
            zoom(c);
    for (PlotScene::Curve& c : scene.curves)
        for (QPoint& s : c.samples)
            zoom(s);
    scene.verticalLines.clear();
    scene.horizontalLines.clear();
    return scene;
}

template <bool Paths> void BM_PaintZoomed(benchmark::State& state)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    ChCoord coord;
    coord.setFrame(0, kHeight, kWidth, 0);
    const PlotScene scene =
        zoomed(i0NinScene(scan.source, plotColors(), coord), int(state.range(2)));
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(0, 0, kWidth, kHeight, Qt::white);
        if (Paths)
            paintAsPaths(&p, scene);
        else
            paintScene(&p, scene);
    }
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Args({19, 1000})->Args({19, 100})->Args({4, 10})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BuildScene)->Apply(sizes);
BENCHMARK(BM_PaintImage)->Apply(sizes);
BENCHMARK(BM_PaintSurface)->Apply(sizes);
BENCHMARK(BM_PaintImagePaths)->Apply(sizes);
BENCHMARK(BM_PlotLabelsCornersFull)->Args({19, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_PaintView, PlotView::Counts)->Args({19, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_PaintView, PlotView::Ratio)->Args({19, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_PaintView, PlotView::Residuals)
    ->Args({19, 1000})
    ->Unit(benchmark::kMillisecond);
// At 4 times every dot stays within the limit; at 40 most channels reach
// beyond it.
BENCHMARK_TEMPLATE(BM_PaintZoomed, false)
    ->Args({19, 1000, 4})
    ->Args({19, 1000, 40})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_PaintZoomed, true)
    ->Args({19, 1000, 4})
    ->Args({19, 1000, 40})
    ->Unit(benchmark::kMillisecond);

} // namespace
