// How long the per-channel dead-time fit, the whole analysis with the
// exact models, and the forming of the two result files take. The window runs the fit after every
// load, on the GUI thread, so this is part of the freeze a load causes.

#include "analysis/deadtimefit.h"
#include "analysis/resultsexport.h"
#include "analysis/runanalysis.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

// points measurement points of channels channels, I0 spread over three
// decades, counts falling behind a straight line as I0 rises.
struct Scan
{
    QVector<double> i0s;
    QVector<QVector<double>> icrs;
    QVector<QVector<double>> scas;
    QVector<PointView> views;

    Scan(int channels, int points)
    {
        std::mt19937 random(5);
        std::uniform_real_distribution<double> jitter(-0.01, 0.01);
        for (int j = 0; j < points; ++j) {
            const double i0 = 1e3 * std::pow(1e3, double(j) / std::max(points - 1, 1));
            QVector<double> icr;
            QVector<double> sca;
            for (int ch = 0; ch < channels; ++ch) {
                const double in = (0.3 + 0.01 * ch) * i0 * (1.0 + jitter(random)) - 1e-7 * i0 * i0;
                icr << in;
                sca << 0.8 * in - 2e-7 * in * in;
            }
            i0s << i0;
            icrs << icr;
            scas << sca;
        }
        for (int j = 0; j < points; ++j)
            views.append({i0s[j], &icrs[j], &scas[j]});
    }
};

void BM_FitDeadTimes(benchmark::State& state)
{
    const int channels = int(state.range(0));
    const Scan scan(channels, int(state.range(1)));
    for (auto _ : state) {
        DeadTimeFit fit = fitDeadTimeConstants(scan.views, channels);
        benchmark::DoNotOptimize(fit.taus.data());
    }
}

void BM_ResultFileBytes(benchmark::State& state)
{
    const int channels = int(state.range(0));
    const Scan scan(channels, 12);
    const DeadTimeFit fit = fitDeadTimeConstants(scan.views, channels);
    for (auto _ : state) {
        QByteArray results = resultsFileBytes(fit.tau0s, fit.taus);
        QByteArray conf = confFileBytes(fit.tau0s, fit.taus);
        benchmark::DoNotOptimize(results.data());
        benchmark::DoNotOptimize(conf.data());
    }
}

// The whole analysis the window and veskor-fit run after a load: the
// quadratic, both exact models in both stages of every channel, and the
// checks.
void BM_AnalyseRun(benchmark::State& state)
{
    const int channels = int(state.range(0));
    const Scan scan(channels, int(state.range(1)));
    for (auto _ : state) {
        RunAnalysis run = analyseRun(scan.views, channels, ModelChoice::Quadratic);
        benchmark::DoNotOptimize(run.warnings.data());
    }
}

BENCHMARK(BM_FitDeadTimes)
    ->Args({4, 12})
    ->Args({19, 100})
    ->Args({19, 1000})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalyseRun)
    ->Args({4, 12})
    ->Args({19, 100})
    ->Args({19, 1000})
    ->Args({19, 25000})
    ->Args({19, 250000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResultFileBytes)->Arg(4)->Arg(19)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
