#include "cli/fitfigure.h"

#include "analysis/resultsexport.h"
#include "cli/fitrun.h"
#include "mainwindow/fieldtext.h"
#include "plot/chcoord.h"
#include "plot/plotcolors.h"
#include "plot/plotlabels.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kWidth = 1000;
constexpr int kTitleHeight = 64;
constexpr int kPanelHeight = 560;
constexpr int kFontPixels = 14;
// Plot area inside a panel: room for the panel title above, the tick
// labels and axis title below and to the left.
const QMargins kPlotMargins(104, 44, 28, 72);

struct Panel
{
    QString title;
    QString xTitle;
    QString yTitle;
    QString constant; // "tau0" or "tau"
    PlotScene (*scene)(const PlotSource&, const QVector<QColor>&, ChCoord&);
};

// Tick positions at 1, 2 or 5 times a power of ten, about six across
// [lo, hi].
QVector<double> niceTicks(double lo, double hi)
{
    QVector<double> ticks;
    if (lo > hi)
        std::swap(lo, hi);
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo))
        return ticks;
    const double raw = (hi - lo) / 6;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    const double step = (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * magnitude;
    const double first = std::ceil(lo / step);
    const double last = std::floor(hi / step);
    if (!(step > 0) || !std::isfinite(first) || !std::isfinite(last) || last - first > 50)
        return ticks;
    for (double k = first; k <= last; ++k)
        ticks.append(k == 0 ? 0.0 : k * step);
    return ticks;
}

PlotSource plotSource(const FitRun& run)
{
    PlotSource s;
    s.points = run.views();
    s.nChannels = run.nChannels;
    s.i0Range = run.i0Range;
    s.icrRange = run.icrRange;
    s.scaRange = run.scaRange;
    s.fitted = run.fitted;
    if (run.fitted) {
        s.i0NinFits = run.fit.i0NinFits;
        s.ninNoutFits = run.fit.ninNoutFits;
    }
    return s;
}

void drawAxes(QPainter& p, const QRect& area, const ChCoord& coord, const Panel& panel)
{
    const QFontMetrics fm(p.font());
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(0, 0, -1, -1));

    for (double v : niceTicks(coord.scaleX0, coord.scaleX1)) {
        const int x = area.left() + static_cast<int>(std::lround(coord.pixX(v)));
        if (x < area.left() || x > area.right())
            continue;
        p.drawLine(x, area.bottom(), x, area.bottom() + 5);
        const QString label = fieldText(v);
        p.drawText(x - fm.horizontalAdvance(label) / 2, area.bottom() + 8 + fm.ascent(), label);
    }
    int widestLabel = 0;
    for (double v : niceTicks(coord.scaleY0, coord.scaleY1)) {
        const int y = area.top() + static_cast<int>(std::lround(coord.pixY(v)));
        if (y < area.top() || y > area.bottom())
            continue;
        p.drawLine(area.left() - 5, y, area.left(), y);
        const QString label = fieldText(v);
        widestLabel = std::max(widestLabel, fm.horizontalAdvance(label));
        p.drawText(area.left() - 8 - fm.horizontalAdvance(label), y + fm.ascent() / 2 - 1, label);
    }

    p.drawText(QRect(area.left(), area.bottom() + 8 + fm.height(), area.width(), fm.height() + 8),
               Qt::AlignCenter, panel.xTitle);
    p.save();
    p.translate(area.left() - 16 - widestLabel - fm.height() / 2, area.center().y());
    p.rotate(-90);
    p.drawText(QRect(-area.height() / 2, -fm.height() / 2, area.height(), fm.height()),
               Qt::AlignCenter, panel.yTitle);
    p.restore();
}

void drawLegend(QPainter& p, const QRect& area, const FitRun& run, const Panel& panel,
                const QVector<QColor>& colors)
{
    if (!run.fitted)
        return;
    const int rowHeight = QFontMetrics(p.font()).height() + 2;
    // As many channels as fit in the plot; a table of many channels gets a
    // last row that says how many more there are.
    const int channels = run.fit.tau0s.size();
    const int fitting = std::max(1, (area.height() - 34) / rowHeight);
    const int shown = channels <= fitting ? channels : fitting - 1;
    const bool tau0 = panel.constant == QLatin1String("tau0");
    QVector<LegendEntry> entries;
    for (int ch = 0; ch < shown; ++ch) {
        const double value = tau0 ? run.fit.tau0s[ch] : run.fit.taus[ch];
        const double error = tau0 ? run.stats[ch].tau0Error : run.stats[ch].tauError;
        QString line =
            QStringLiteral("ch %1   %2 = %3").arg(ch + 1).arg(panel.constant, fieldText(value));
        if (!std::isnan(error))
            line += QStringLiteral(" \u00b1 ") + fieldText(error);
        entries.append({colors[ch % colors.size()], line});
    }
    if (shown < channels)
        entries.append(
            {QColor(), QStringLiteral("\u2026 and %1 more channels").arg(channels - shown)});
    paintLegend(&p, area.topLeft() + QPoint(12, 12), area.width() - 24, entries, LegendFlow::List);
}

void drawPanel(QPainter& p, const QRect& panelRect, const FitRun& run, const Panel& panel,
               const PlotSource& source, const QVector<QColor>& colors)
{
    const QRect area = panelRect.marginsRemoved(kPlotMargins);
    const QFontMetrics fm(p.font());
    p.setPen(Qt::black);
    p.drawText(QRect(area.left(), panelRect.top() + 8, area.width(), fm.height() + 8),
               Qt::AlignLeft | Qt::AlignVCenter, panel.title);

    // The window's plot, drawn as its surface draws it: a frame the size of
    // the area with y growing upward, clipped at the area's edges.
    ChCoord coord;
    p.save();
    p.translate(area.topLeft());
    p.setClipRect(0, 0, area.width(), area.height());
    coord.setFrame(0, area.height(), area.width(), 0);
    const PlotScene scene = panel.scene(source, colors, coord);
    paintScene(&p, scene);
    p.restore();

    if (!scene.drawn) {
        p.setPen(Qt::black);
        p.drawRect(area.adjusted(0, 0, -1, -1));
        p.drawText(area, Qt::AlignCenter, QStringLiteral("fewer than three points: not plotted"));
        return;
    }
    drawAxes(p, area, coord, panel);
    drawLegend(p, area, run, panel, colors);
}

} // namespace

QImage fitFigure(const FitRun& run)
{
    QImage image(kWidth, kTitleHeight + 2 * kPanelHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font = p.font();
    font.setPixelSize(kFontPixels);
    p.setFont(font);

    const QString title = QStringLiteral("Dead-time fit: %1 points, %2 channels")
                              .arg(run.points.size())
                              .arg(run.nChannels);
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(kFontPixels + 4);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRect(kPlotMargins.left(), 8, kWidth - kPlotMargins.left(), kTitleHeight / 2),
               Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setFont(font);
    p.drawText(QRect(kPlotMargins.left(), 8 + kTitleHeight / 2, kWidth - kPlotMargins.left(),
                     kTitleHeight / 2 - 8),
               Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Constants in the reciprocal of the ICR unit (seconds for counts "
                              "per second), \u00b1 one standard error"));

    const Panel panels[] = {
        {QStringLiteral("Pre-amplifier: ICR against I0, fitted Nin = a1 I0 + a2 I0\u00b2, "
                        "tau0 = -a2 / a1\u00b2"),
         QStringLiteral("I0"), QStringLiteral("ICR"), QStringLiteral("tau0"), i0NinScene},
        {QStringLiteral("Amplifier: SCA against ICR, fitted Nout = c1 Nin + c2 Nin\u00b2, "
                        "tau = -c2 / c1"),
         QStringLiteral("ICR"), QStringLiteral("SCA"), QStringLiteral("tau"), ninNoutScene},
    };
    const PlotSource source = plotSource(run);
    const QVector<QColor> colors = plotColors();
    for (int i = 0; i < 2; ++i)
        drawPanel(p, QRect(0, kTitleHeight + i * kPanelHeight, kWidth, kPanelHeight), run,
                  panels[i], source, colors);
    return image;
}

bool saveFitFigure(const FitRun& run, const QString& path, QString& error)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(fitFigure(run))) {
        error = writer.errorString();
        return false;
    }
    error.clear();
    return saveFileBytes(path, png);
}
