#include "plot/plotlabels.h"

#include "plot/plotscene.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Labels stand out from the grey grid but not from the data, and none is
// black, the first channel's colour.
const QColor kLabelColor(80, 80, 80);
const QColor kTitleColor(30, 30, 30);
// Behind a label, so that dots and lines under it do not blur the figures.
const QColor kLabelBackground(255, 255, 255, 210);
constexpr int kPad = 3;
constexpr int kSwatch = 12;
constexpr int kLineSwatch = 30;

void paintLabel(QPainter* p, const QRect& box, const QString& text)
{
    p->fillRect(box, kLabelBackground);
    p->setPen(kLabelColor);
    p->drawText(box, Qt::AlignCenter, text);
}

// The channels drawn in colour c of n colours: c + 1, c + n + 1, ... with
// at most three named.
QString channelsOfColour(int c, int n, int channels)
{
    QStringList names;
    for (int ch = c; ch < channels; ch += n) {
        if (names.size() == 3) {
            names << QStringLiteral("\u2026");
            break;
        }
        names << QString::number(ch + 1);
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

namespace {

// Where a legend's box and its entries go.
struct LegendLayout
{
    QFont plain;
    QFont bold;
    int rowHeight = 0;
    int swatch = 0;
    QRect box;
    // Each entry's top left corner and text width.
    QVector<QPoint> places;
    QVector<int> textWidths;
};

LegendLayout layOut(const QFont& font, QPoint topLeft, int maxWidth,
                    const QVector<LegendEntry>& entries, LegendFlow flow)
{
    LegendLayout l;
    l.plain = font;
    l.bold = font;
    l.bold.setBold(true);
    const QFontMetrics fm(l.plain);
    const QFontMetrics boldFm(l.bold);
    l.rowHeight = qMax(fm.height(), boldFm.height()) + 2;
    l.swatch = flow == LegendFlow::List ? kLineSwatch : kSwatch;
    const int gap = fm.horizontalAdvance(QLatin1Char(' ')) * 3;
    const QPoint inner = topLeft + QPoint(2 * kPad, kPad);
    int x = 0, y = 0, width = 0;
    for (const LegendEntry& e : entries) {
        const int textWidth = (e.strong ? boldFm : fm).horizontalAdvance(e.text);
        const int w = (e.color.isValid() ? l.swatch + kPad * 2 : 0) + textWidth;
        if (flow == LegendFlow::List) {
            if (!l.places.isEmpty())
                y += l.rowHeight;
            x = 0;
        } else if (x > 0 && x + w > maxWidth - 4 * kPad) {
            x = 0;
            y += l.rowHeight;
        }
        l.places << inner + QPoint(x, y);
        l.textWidths << textWidth;
        width = qMax(width, x + w);
        x += w + gap;
    }
    l.box = entries.isEmpty() ? QRect(topLeft, QSize(0, 0))
                              : QRect(topLeft, QSize(width + 4 * kPad, y + l.rowHeight + 2 * kPad));
    return l;
}

} // namespace

QRect paintLegend(QPainter* p, QPoint topLeft, int maxWidth, const QVector<LegendEntry>& entries,
                  LegendFlow flow)
{
    const LegendLayout l = layOut(p->font(), topLeft, maxWidth, entries, flow);
    if (entries.isEmpty())
        return l.box;
    p->setPen(QColor(160, 160, 160));
    p->setBrush(kLabelBackground);
    p->drawRect(l.box.adjusted(0, 0, -1, -1));
    p->setBrush(Qt::NoBrush);

    for (int i = 0; i < entries.size(); ++i) {
        const LegendEntry& e = entries[i];
        const QPoint at = l.places[i];
        const int mid = at.y() + l.rowHeight / 2;
        int textX = at.x();
        if (e.color.isValid()) {
            if (flow == LegendFlow::List) {
                p->setPen(e.color);
                p->drawLine(at.x(), mid, at.x() + l.swatch, mid);
            }
            p->fillPath(dotPath({QPoint(at.x() + l.swatch / 2, mid)}),
                        QBrush(e.color, Qt::SolidPattern));
            textX += l.swatch + kPad * 2;
        }
        p->setPen(e.strong                   ? kTitleColor
                  : flow == LegendFlow::List ? QColor(Qt::black)
                                             : kLabelColor);
        p->setFont(e.strong ? l.bold : l.plain);
        p->drawText(QRect(textX, at.y(), l.textWidths[i] + 1, l.rowHeight),
                    Qt::AlignLeft | Qt::AlignVCenter, e.text);
    }
    p->setFont(l.plain);
    return l.box;
}

QVector<LegendEntry> channelLegend(int channels, const QVector<QColor>& colors)
{
    QVector<LegendEntry> entries;
    const int n = colors.size();
    for (int c = 0; c < qMin(channels, n); ++c)
        entries.append({colors[c], channelsOfColour(c, n, channels)});
    return entries;
}

QString gridValueText(double value)
{
    return QString::number(value, 'g', 3);
}

void paintPlotLabels(QPainter* p, const PlotScene& scene, int width, int height,
                     const QString& title, const QVector<QColor>& colors)
{
    if (!scene.drawn)
        return;
    const QFontMetrics fm(p->font());
    const int textHeight = fm.height();

    // Title and legend in the top left corner, where a rising curve leaves
    // room; no grid value goes under them.
    QVector<LegendEntry> header{{QColor(), title, true}};
    header += channelLegend(scene.dots.size(), colors);
    const QRect headerBox = layOut(p->font(), QPoint(2, 2), width - 4, header, LegendFlow::Row).box;

    // Values of the vertical lines along the bottom, each just right of its
    // line, left out where it would run into the one before.
    int freeFrom = 0;
    for (int i = 0; i < scene.verticalLines.size(); ++i) {
        const QString text = gridValueText(scene.verticalValues[i]);
        const QRect box(scene.verticalLines[i].x1() + 2, height - textHeight - 2,
                        fm.horizontalAdvance(text) + 2 * kPad, textHeight);
        if (box.left() < freeFrom || box.left() < 0 || box.right() >= width ||
            box.intersects(headerBox))
            continue;
        paintLabel(p, box, text);
        freeFrom = box.right() + fm.horizontalAdvance(QLatin1Char(' ')) * 2;
    }

    // Values of the horizontal lines along the left edge, just above their
    // line, clear of the bottom row of labels and of one another.
    int lastTop = height - textHeight - 2;
    for (int i = 0; i < scene.horizontalLines.size(); ++i) {
        const QString text = gridValueText(scene.horizontalValues[i]);
        const QRect box(2, scene.horizontalLines[i].y1() - textHeight,
                        fm.horizontalAdvance(text) + 2 * kPad, textHeight);
        if (box.top() < 0 || box.bottom() >= lastTop || box.intersects(headerBox))
            continue;
        paintLabel(p, box, text);
        lastTop = box.top();
    }

    paintLegend(p, QPoint(2, 2), width - 4, header, LegendFlow::Row);
}
