// How long loading takes for the worst files of a megabyte we know of: a
// file must not take more than seconds per megabyte, whatever it holds.
// Each case loads 1 MB as the window loads a file (spectrum first, count
// table as the fallback); the time per iteration is the time per megabyte.

#include "input/measurementfile.h"

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <functional>
#include <random>

namespace {

constexpr int kSize = 1000 * 1000;

// repeat unit after head until the file holds kSize bytes.
QByteArray fill(const QByteArray& head, const QByteArray& unit)
{
    QByteArray bytes = head;
    while (bytes.size() + unit.size() <= kSize)
        bytes += unit;
    return bytes;
}

// Channel lines, each followed by a spectrum row that all channels so far
// need: the rows grow with the channel count.
QByteArray growingSpectrum()
{
    QByteArray bytes = "# I0 : 5\n";
    QByteArray row = "1";
    while (bytes.size() < kSize) {
        bytes += "# MCA Ch Info : 1 0 0 0 0 9 0 5\n";
        row += " 1 2";
        bytes += row + "\n";
    }
    return bytes.left(kSize);
}

QByteArray noise()
{
    std::mt19937 random(1);
    QByteArray bytes(kSize, '\0');
    for (char& b : bytes)
        b = char(random());
    return bytes;
}

void load(benchmark::State& state, const std::function<QByteArray()>& make)
{
    // Refused points write a message each; the log is not what is timed.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QByteArray bytes = make();
    qint64 points = 0;
    for (auto _ : state)
        loadMeasurementBytes(
            bytes, [&](double, const QVector<double>&, const QVector<double>&) { ++points; });
    benchmark::DoNotOptimize(points);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK_CAPTURE(load, one_line_of_500k_tokens_int_max_channels, [] {
    return fill("# Channels : 2147483647\n", "1 ");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, one_line_without_separator, [] {
    return fill("", "7");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, only_carriage_returns, [] {
    return fill("", "1 2 3\r");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, commas_only, [] { return fill("", ","); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, header_lines_with_colons, [] {
    return fill("", "# : : :\n");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, channel_lines_only, [] {
    return fill("# I0 : 5\n", "# MCA Ch Info : 1 0 0 0 0 9 0 5\n");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, spectrum_rows_growing_with_channels, growingSpectrum)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, rows_of_one_channel, [] {
    return fill("", "1 2 3\n");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, refused_rows_of_1025_channels, [] {
    return fill("# Channels : 1025\n", "1" + QByteArray(" 2").repeated(2050) + "\n");
})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(load, random_bytes, noise)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
