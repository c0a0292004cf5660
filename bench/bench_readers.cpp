// Reading speed of the two measurement file readers, each next to the plain
// reader it replaces (lines split with a regular expression, every token
// converted as a string), on files as a 19-channel detector writes them.
// Compare MB/s (bytes_per_second) and rows/s (items_per_second) within one
// run: the machine's load moves both alike.

#include "benchinputs.h"
#include "input/counttable.h"
#include "input/loadfiles.h"
#include "input/mcareading.h"
#include "input/referencereaders.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace veskor::bench;

namespace {

using McaReader = void (*)(McaReading&, QIODevice&);
using TableReader = void (*)(QIODevice&, const PointSink&);
using McaPathReader = void (*)(McaReading&, const QString&);
using TablePathReader = void (*)(const QString&, const PointSink&);

constexpr int kChannels = 19;
constexpr int kBins = 4096;

void readMcaBytes(benchmark::State& state, McaReader read, bool wideWindows)
{
    const QByteArray bytes = mcaSpectrumFile(kChannels, kBins, wideWindows);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        McaReading reading;
        read(reading, buffer);
        if (!reading.ok)
            state.SkipWithError("the spectrum file was not accepted");
        benchmark::DoNotOptimize(reading.scas.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.SetItemsProcessed(state.iterations() * kBins);
    state.counters["file_MB"] = bytes.size() / 1e6;
}

void readTableBytes(benchmark::State& state, TableReader read)
{
    const int rows = int(state.range(0));
    const QByteArray bytes = countTableFile(kChannels, rows);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        double sum = 0.0;
        int got = 0;
        read(buffer, [&](double i0, const QVector<double>&, const QVector<double>& scas) {
            sum += i0 + scas.last();
            ++got;
        });
        if (got != rows)
            state.SkipWithError("the count table lost rows");
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.SetItemsProcessed(state.iterations() * rows);
}

// The whole read as the window does it: open the file by its path, read it,
// close it.
template <typename Read>
void readPath(benchmark::State& state, const QByteArray& bytes, qint64 items, Read read)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("input");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    file.close();
    for (auto _ : state)
        read(path);
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.SetItemsProcessed(state.iterations() * items);
}

void BM_McaSpectrum(benchmark::State& state)
{
    readMcaBytes(state, readMcaDevice, false);
}
void BM_McaSpectrumReference(benchmark::State& state)
{
    readMcaBytes(state, referenceReadMcaDevice, false);
}
// Every row inside every window: every count is converted and summed.
void BM_McaSpectrumAllBinsCounted(benchmark::State& state)
{
    readMcaBytes(state, readMcaDevice, true);
}
void BM_McaSpectrumAllBinsCountedReference(benchmark::State& state)
{
    readMcaBytes(state, referenceReadMcaDevice, true);
}

void mcaPath(benchmark::State& state, McaPathReader read)
{
    readPath(state, mcaSpectrumFile(kChannels, kBins), kBins, [&](const QString& path) {
        McaReading reading;
        read(reading, path);
        benchmark::DoNotOptimize(reading.scas.data());
    });
}
void BM_McaSpectrumPath(benchmark::State& state)
{
    mcaPath(state, readMcaFile);
}
void BM_McaSpectrumPathReference(benchmark::State& state)
{
    mcaPath(state, referenceReadMcaFile);
}

void BM_CountTable(benchmark::State& state)
{
    readTableBytes(state, readCountTableDevice);
}
void BM_CountTableReference(benchmark::State& state)
{
    readTableBytes(state, referenceReadCountTableDevice);
}

void tablePath(benchmark::State& state, TablePathReader read)
{
    const int rows = int(state.range(0));
    readPath(state, countTableFile(kChannels, rows), rows, [&](const QString& path) {
        double sum = 0.0;
        read(path, [&](double i0, const QVector<double>&, const QVector<double>&) { sum += i0; });
        benchmark::DoNotOptimize(sum);
    });
}
void BM_CountTablePath(benchmark::State& state)
{
    tablePath(state, readCountTableFile);
}
void BM_CountTablePathReference(benchmark::State& state)
{
    tablePath(state, referenceReadCountTableFile);
}

// A count table loaded as veskor-fit loads it: both formats tried, every
// point kept with its line, the text checked for what the reader passed
// over, the file looked at for labelled columns.
void BM_LoadCountTable(benchmark::State& state)
{
    const int rows = int(state.range(0));
    readPath(state, countTableFile(kChannels, rows), rows, [&](const QString& path) {
        LoadOptions options;
        options.checkText = true;
        QVector<LoadedFiles::Exclusion> none;
        const LoadedFiles loaded = loadFiles({path}, none, options);
        if (loaded.points.size() != rows)
            state.SkipWithError("the count table lost rows");
    });
}

void tableRows(benchmark::internal::Benchmark* b)
{
    b->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_McaSpectrum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_McaSpectrumReference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_McaSpectrumAllBinsCounted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_McaSpectrumAllBinsCountedReference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_McaSpectrumPath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_McaSpectrumPathReference)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountTable)->Apply(tableRows);
BENCHMARK(BM_CountTableReference)->Apply(tableRows);
BENCHMARK(BM_CountTablePath)->Apply(tableRows);
BENCHMARK(BM_CountTablePathReference)->Apply(tableRows);
BENCHMARK(BM_LoadCountTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
