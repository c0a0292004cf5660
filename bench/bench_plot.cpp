// How long one paint of a plot surface takes. With mouse tracking every
// pointer move over a surface repaints it, so this bounds how smoothly the
// plots follow the mouse.

#include "plot/dispa.h"
#include "plot/plotcolors.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

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

// What one paint of the surface costs: fill, work out the scene, draw it.
void BM_PaintImage(benchmark::State& state)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    const QVector<QColor> colors = plotColors();
    ChCoord coord;
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(0, 0, kWidth, kHeight, Qt::white);
        coord.setFrame(0, kHeight, kWidth, 0);
        paintScene(&p, i0NinScene(scan.source, colors, coord));
    }
}

// The same through a real surface, as the window paints it.
void BM_PaintSurface(benchmark::State& state)
{
    const Scan scan(int(state.range(0)), int(state.range(1)));
    const QVector<QColor> colors = plotColors();
    DispA surface;
    surface.resize(kWidth, kHeight);
    QObject::connect(&surface, &DispA::drawImage2, [&](QPainter* p) {
        paintScene(p, i0NinScene(scan.source, colors, surface.coord));
    });
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        surface.render(&image);
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Args({19, 1000})->Args({19, 100})->Args({4, 10})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BuildScene)->Apply(sizes);
BENCHMARK(BM_PaintImage)->Apply(sizes);
BENCHMARK(BM_PaintSurface)->Apply(sizes);

} // namespace
