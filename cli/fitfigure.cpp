#include "cli/fitfigure.h"

#include "analysis/channelsummary.h"
#include "analysis/resultsexport.h"
#include "cli/fitrun.h"
#include "mainwindow/fieldtext.h"
#include "plot/chcoord.h"
#include "plot/plotcolors.h"
#include "plot/plotexport.h"
#include "plot/plotlabels.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr int kPanelWidth = 760;
constexpr int kPanelHeight = 500;
constexpr int kLegendWidth = 440;
constexpr int kTitleHeight = 64;
constexpr int kWidth = 2 * kPanelWidth + kLegendWidth;
constexpr int kHeight = kTitleHeight + 3 * kPanelHeight;
constexpr int kFontPixels = 14;
// Plot area inside a panel: room for the panel title above, the tick
// labels and axis title below and to the left.
const QMargins kPlotMargins(104, 44, 28, 72);

struct Panel
{
    QString title;
    QString xTitle;
    QString yTitle;
    DeadTimeStage stage;
    PlotView view;
};

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
        // The curves of the model the table reports, channel by channel.
        setChosenCurves(s, run.models, run.choice);
    }
    return s;
}

void drawAxes(QPainter& p, const QRect& area, const ChCoord& coord, const Panel& panel)
{
    const QFontMetrics fm(p.font());
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(0, 0, -1, -1));

    for (double v : niceSteps(coord.scaleX0, coord.scaleX1, 6)) {
        const int x = area.left() + static_cast<int>(std::lround(coord.pixX(v)));
        if (x < area.left() || x > area.right())
            continue;
        p.drawLine(x, area.bottom(), x, area.bottom() + 5);
        const QString label = fieldText(v);
        p.drawText(x - fm.horizontalAdvance(label) / 2, area.bottom() + 8 + fm.ascent(), label);
    }
    int widestLabel = 0;
    for (double v : niceSteps(coord.scaleY0, coord.scaleY1, 6)) {
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

// One constant as the table gives it: value and error in microseconds and
// the model it comes from, or why the scan does not fix it.
QString constantLine(const FitRun& run, int ch, DeadTimeStage stage)
{
    const bool input = stage == DeadTimeStage::Input;
    const StageFit& fit = run.models[ch].chosen(stage, run.choice);
    const QString symbol = input ? QStringLiteral("\u03c40") : QStringLiteral("\u03c4");
    // Undetermined as the table has it, also where no curve came out (a
    // range too narrow is said first).
    if (!fit.available())
        return (fit.undetermined != StageFit::Undetermined::No ? QStringLiteral("%1 undetermined")
                                                                : QStringLiteral("%1 not available"))
            .arg(symbol);
    const double value = input ? run.reported.tau0s[ch] : run.reported.taus[ch];
    const ChannelStats& s = run.reportedStats[ch];
    const double error = input ? s.tau0Error : s.tauError;
    // The reason is the table's to give; here it would crowd the panels.
    const QString form = fit.determined() ? QStringLiteral("%1 = %2 \u00b5s, %3")
                                          : QStringLiteral("%1 undetermined (%2 \u00b5s, %3)");
    return form.arg(symbol, valueWithError(value, error), fitModelName(fit));
}

// The constants of every channel that fits, in the column right of the
// panels, where they cover no data; the rest are counted.
void drawLegend(QPainter& p, const QRect& column, const FitRun& run, const QVector<QColor>& colors)
{
    if (!run.fitted)
        return;
    const int rowHeight = QFontMetrics(p.font()).height() + 2;
    const int channels = std::min(run.reported.tau0s.size(), run.models.size());
    const int fitting = std::max(1, (column.height() - 24) / (3 * rowHeight));
    const int shown = channels <= fitting ? channels : fitting - 1;
    QVector<LegendEntry> entries;
    for (int ch = 0; ch < shown; ++ch) {
        entries.append(
            {colors[ch % colors.size()], QStringLiteral("channel %1").arg(ch + 1), true});
        entries.append({QColor(), constantLine(run, ch, DeadTimeStage::Input)});
        entries.append({QColor(), constantLine(run, ch, DeadTimeStage::Output)});
    }
    if (shown < channels)
        entries.append(
            {QColor(), QStringLiteral("\u2026 and %1 more channels").arg(channels - shown)});
    paintLegend(&p, column.topLeft(), column.width(), entries, LegendFlow::List);
}

void drawPanel(QPainter& p, const QRect& panelRect, const Panel& panel, const PlotSource& source,
               const QVector<QColor>& colors)
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
    const PlotScene scene = viewScene(source, panel.stage, panel.view, colors, coord);
    paintScene(&p, scene);
    p.restore();

    if (!scene.drawn) {
        p.setPen(Qt::black);
        p.drawRect(area.adjusted(0, 0, -1, -1));
        p.drawText(area, Qt::AlignCenter, QStringLiteral("fewer than three points: not plotted"));
        return;
    }
    drawAxes(p, area, coord, panel);
}

// The curves' model in a panel title.
QString modelWords(ModelChoice choice, DeadTimeStage stage)
{
    const bool input = stage == DeadTimeStage::Input;
    switch (choice) {
    case ModelChoice::Quadratic:
        return input ? QStringLiteral("fitted Nin = a1 I0 + a2 I0\u00b2, tau0 = -a2 / a1\u00b2")
                     : QStringLiteral("fitted Nout = c1 Nin + c2 Nin\u00b2, tau = -c2 / c1");
    case ModelChoice::Auto:
        return QStringLiteral("each channel's model as auto chose it");
    default:
        break;
    }
    return QStringLiteral("fitted %1").arg(choiceName(choice));
}

void paintFitFigure(QPainter& p, const FitRun& run)
{
    p.fillRect(0, 0, kWidth, kHeight, Qt::white);
    QFont font = p.font();
    font.setPixelSize(kFontPixels);
    p.setFont(font);

    const QString title = QStringLiteral("Dead-time fit: %1 points, %2 channels, model %3")
                              .arg(run.points.size())
                              .arg(run.nChannels)
                              .arg(choiceName(run.choice));
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
               QStringLiteral("Left the pre-amplifier (ICR against I0), right the amplifier (SCA "
                              "against ICR); constants in microseconds for ICRs in counts per "
                              "second, \u00b1 one standard error"));

    const QString sigma = QStringLiteral("(data \u2212 model) / \u03c3");
    const Panel panels[] = {
        {QStringLiteral("ICR against I0, ") + modelWords(run.choice, DeadTimeStage::Input),
         QStringLiteral("I0"), QStringLiteral("ICR"), DeadTimeStage::Input, PlotView::Counts},
        {QStringLiteral("SCA against ICR, ") + modelWords(run.choice, DeadTimeStage::Output),
         QStringLiteral("ICR"), QStringLiteral("SCA"), DeadTimeStage::Output, PlotView::Counts},
        {QStringLiteral("ICR / I0; dashed: each channel's ratio at zero rate"),
         QStringLiteral("I0"), QStringLiteral("ICR / I0"), DeadTimeStage::Input, PlotView::Ratio},
        {QStringLiteral("SCA / ICR; dashed: each channel's ratio at zero rate"),
         QStringLiteral("ICR"), QStringLiteral("SCA / ICR"), DeadTimeStage::Output,
         PlotView::Ratio},
        {QStringLiteral("ICR residuals; bands at \u00b11 and \u00b13 \u03c3"), QStringLiteral("I0"),
         sigma, DeadTimeStage::Input, PlotView::Residuals},
        {QStringLiteral("SCA residuals; bands at \u00b11 and \u00b13 \u03c3"),
         QStringLiteral("ICR"), sigma, DeadTimeStage::Output, PlotView::Residuals},
    };
    const PlotSource source = plotSource(run);
    const QVector<QColor> colors = plotColors();
    for (int i = 0; i < 6; ++i)
        drawPanel(p,
                  QRect((i % 2) * kPanelWidth, kTitleHeight + (i / 2) * kPanelHeight, kPanelWidth,
                        kPanelHeight),
                  panels[i], source, colors);
    drawLegend(p,
               QRect(2 * kPanelWidth, kTitleHeight + kPlotMargins.top(), kLegendWidth - 16,
                     kHeight - kTitleHeight - kPlotMargins.top() - 16),
               run, colors);
}

} // namespace

QImage fitFigure(const FitRun& run)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    paintFitFigure(p, run);
    return image;
}

bool saveFitFigure(const FitRun& run, const QString& path, QString& error)
{
    const QByteArray bytes =
        isSvgPath(path) ? svgBytes(QSize(kWidth, kHeight), QStringLiteral("Veskor dead-time fit"),
                                   [&run](QPainter* p) { paintFitFigure(*p, run); })
                        : pngBytes(fitFigure(run));
    if (bytes.isEmpty()) {
        error = QStringLiteral("the image could not be encoded");
        return false;
    }
    error.clear();
    return saveFileBytes(path, bytes);
}
