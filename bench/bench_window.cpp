// How long the window stays frozen while it loads a 19-channel count table or
// a scan of spectrum files: from the read dialog's accept until the window
// has painted (reading, one panel per point, the fit, the layout and the
// paint of the window), and what one repaint of each plot surface costs
// afterwards, which every mouse move over a plot pays. Runs on the offscreen platform unless
// QT_QPA_PLATFORM names another.

#include "benchinputs.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace veskor::bench;

namespace {

constexpr int kChannels = 19;

// Counts the paints a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A shown window and its read dialog, found as the top-level file dialog
// that was not there before the window was built.
struct Window
{
    std::unique_ptr<Body> body;
    QFileDialog* readDialog = nullptr;
    QFileDialog* saveDialog = nullptr;
    DispA* i0Nin = nullptr;
    DispA* ninNout = nullptr;
    PaintCounter i0NinPaints;
    PaintCounter ninNoutPaints;
    PaintCounter windowPaints;

    Window()
    {
        const QWidgetList before = QApplication::topLevelWidgets();
        body = std::make_unique<Body>();
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget* w : tops)
            if (!before.contains(w) && w->objectName() == QLatin1String("readDialog"))
                readDialog = qobject_cast<QFileDialog*>(w);
            else if (!before.contains(w) && w->objectName() == QLatin1String("saveDialog"))
                saveDialog = qobject_cast<QFileDialog*>(w);
        i0Nin = body->findChild<DispA*>(QStringLiteral("I0NinDisp"));
        ninNout = body->findChild<DispA*>(QStringLiteral("NinNoutDisp"));
        i0Nin->installEventFilter(&i0NinPaints);
        ninNout->installEventFilter(&ninNoutPaints);
        body->installEventFilter(&windowPaints);
        body->show();
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // Loads the file as the user's accepting the read dialog does. Returns
    // the time spent in the load itself and the time until the window has
    // painted and worked off what the load left to do (layout, showing the
    // new fields, the paint). With hundreds of panels the plots may have no
    // height left to paint in, so the window's own paint marks the end.
    std::pair<qint64, qint64> load(const QStringList& paths)
    {
        const int paintsBefore = windowPaints.paints;
        QElapsedTimer clock;
        clock.start();
        Q_EMIT readDialog->filesSelected(paths);
        const qint64 slot = clock.nsecsElapsed();
        while (windowPaints.paints == paintsBefore && clock.elapsed() < 60000)
            QCoreApplication::processEvents();
        settle();
        if (qEnvironmentVariableIsSet("VESKOR_BENCH_TRACE"))
            qInfo("slot %lld ms, total %lld ms; window %dx%d; plots %dx%d, %dx%d painted %d, %d",
                  slot / 1000000, clock.elapsed(), body->width(), body->height(), i0Nin->width(),
                  i0Nin->height(), ninNout->width(), ninNout->height(), i0NinPaints.paints,
                  ninNoutPaints.paints);
        return {slot, clock.nsecsElapsed()};
    }
};

QString writeTable(const QTemporaryDir& dir, int rows)
{
    const QString path = dir.filePath(QStringLiteral("table%1.dat").arg(rows));
    QFile file(path);
    const QByteArray bytes = countTableFile(kChannels, rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// Loads paths into a fresh window per iteration; the time is the user's
// wait from accepting the dialog until the window has painted.
void loadFiles(benchmark::State& state, const QStringList& paths, int points)
{
    double slotMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window>();
        state.ResumeTiming();
        const auto [slot, total] = window->load(paths);
        state.SetIterationTime(total / 1e9);
        slotMs += slot / 1e6;
        state.PauseTiming();
        if (window->body->pointData().points.size() != points)
            state.SkipWithError("the window lost points");
        window.reset();
        Window::settle();
        state.ResumeTiming();
    }
    state.counters["in_slot_ms"] = benchmark::Counter(slotMs, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * points);
}

void BM_LoadCountTable(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QTemporaryDir dir;
    loadFiles(state, {writeTable(dir, rows)}, rows);
}

// A scan as the detector's software writes it: one spectrum file of 4096
// bins per I0 setting, chosen together.
void BM_LoadMcaFiles(benchmark::State& state)
{
    const int files = int(state.range(0));
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        paths << dir.filePath(QStringLiteral("point%1.mca").arg(i + 1, 2, 10, QLatin1Char('0')));
        QFile file(paths.last());
        const QByteArray bytes = mcaScanFile(kChannels, 4096, i, files);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            state.SkipWithError("cannot write the scan");
            return;
        }
    }
    loadFiles(state, paths, files);
}

// One repaint of a plot surface with the loaded points and fitted curves.
// Hundreds of panels leave the plots no height in the window, so they are
// held at the size they had before the load.
void repaintSurface(benchmark::State& state, bool i0Nin)
{
    const int rows = int(state.range(0));
    QTemporaryDir dir;
    Window window;
    DispA* surface = i0Nin ? window.i0Nin : window.ninNout;
    window.load({writeTable(dir, rows)});
    Window::settle();
    // What every pointer move over the plot costs: the surface painted
    // into the window's backing store at once.
    for (auto _ : state)
        surface->repaint();
    state.counters["width"] = surface->width();
    state.counters["height"] = surface->height();
}

void BM_RepaintI0Nin(benchmark::State& state)
{
    repaintSurface(state, true);
}
void BM_RepaintNinNout(benchmark::State& state)
{
    repaintSurface(state, false);
}

// A change of the model choice after a load: the fields, tool tips, table
// and both plots follow, from the fits already made; the time runs until
// the window has painted.
void BM_SwitchModel(benchmark::State& state)
{
    const int rows = int(state.range(0));
    QTemporaryDir dir;
    Window window;
    window.load({writeTable(dir, rows)});
    auto* choice = window.body->findChild<QComboBox*>(QStringLiteral("ModelChoice"));
    int next = 1;
    for (auto _ : state) {
        const int paintsBefore = window.windowPaints.paints + window.ninNoutPaints.paints;
        QElapsedTimer clock;
        clock.start();
        choice->setCurrentIndex(next);
        while (window.windowPaints.paints + window.ninNoutPaints.paints == paintsBefore &&
               clock.elapsed() < 60000)
            QCoreApplication::processEvents();
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        next = (next + 1) % choice->count();
    }
    if (window.body->pointData().tauFields.size() != 2 * kChannels)
        state.SkipWithError("the window lost its results");
}

BENCHMARK(BM_SwitchModel)
    ->Arg(40)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCountTable)
    ->Arg(200)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMcaFiles)->Arg(40)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintI0Nin)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintNinNout)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
