#include "plot/plotlabels.h"

#include "plot/plotscene.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

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

QString gridValueText(double value, double step)
{
    if (!std::isfinite(value) || !std::isfinite(step) || !(step > 0))
        return gridValueText(value);
    // Down to the step's leading digit, from the value's own (or the
    // step's, at 0).
    const double magnitude = std::max(std::abs(value), step);
    const double digits = std::floor(std::log10(magnitude)) - std::floor(std::log10(step)) + 1;
    return QString::number(value, 'g', int(std::clamp(digits, 3.0, 17.0)));
}

namespace {

// Whether the segment from a to b meets the rectangle r.
bool crosses(QPoint a, QPoint b, const QRect& r)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(a.x() - r.left()), double(r.right() - a.x()),
                         double(a.y() - r.top()), double(r.bottom() - a.y())};
    double t0 = 0, t1 = 1;
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

// How much of the data a box would hide: the dots and rings that reach
// into it, the curve segments and guides that cross it; counted up to
// enough, beyond which the box is of no interest.
int covered(const PlotScene& scene, const QRect& box, int enough)
{
    // A ring reaches 4 pixels from its centre, a dot 3.
    const QRect reach = box.adjusted(-4, -4, 4, 4);
    int n = 0;
    for (const PlotScene::Dots& d : scene.dots) {
        for (const QPoint& c : d.centres)
            n += reach.contains(c);
        for (const QPoint& c : d.rings)
            n += reach.contains(c);
        if (n >= enough)
            return n;
    }
    for (const PlotScene::Curve& c : scene.curves) {
        for (int i = 0; i < c.samples.size(); ++i)
            n += crosses(c.samples[std::max(i - 1, 0)], c.samples[i], box);
        if (n >= enough)
            return n;
    }
    for (const PlotScene::Guide& g : scene.guides)
        n += crosses(g.line.p1(), g.line.p2(), box);
    return n;
}

QVector<LegendEntry> headerEntries(const QString& title, int channels,
                                   const QVector<QColor>& colors)
{
    QVector<LegendEntry> header{{QColor(), title, true}};
    header += channelLegend(channels, colors);
    return header;
}

} // namespace

PlotLabels plotLabels(const PlotScene& scene, int width, int height, const QFont& font,
                      const QString& title, const QVector<QColor>& colors)
{
    PlotLabels labels;
    if (!scene.drawn)
        return labels;
    const QFontMetrics fm(font);
    const int textHeight = fm.height();
    const int valuesTop = height - textHeight - 2;

    // The header goes in the top left corner, where a rising curve leaves
    // room, unless data lie there: then in the corner that hides the least
    // of them, as wide as the plot allows or wrapped to half of that; at
    // the bottom, above the row of values.
    labels.header = headerEntries(title, scene.dots.size(), colors);
    const int wide = width - 4;
    int fewest = -1;
    QSize previous;
    for (const int maxWidth : {wide, wide / 2}) {
        const QSize size =
            layOut(font, QPoint(), maxWidth, labels.header, LegendFlow::Row).box.size();
        if (size == previous)
            break;
        previous = size;
        const int right = std::max(width - 2 - size.width(), 2);
        const int bottom = std::max(valuesTop - 2 - size.height(), 2);
        for (const QPoint at :
             {QPoint(2, 2), QPoint(right, 2), QPoint(2, bottom), QPoint(right, bottom)}) {
            const int n = covered(scene, QRect(at, size), fewest < 0 ? INT_MAX : fewest);
            if (fewest < 0 || n < fewest) {
                fewest = n;
                labels.headerBox = QRect(at, size);
                labels.headerWidth = maxWidth;
            }
            if (n == 0)
                break;
        }
        if (fewest == 0)
            break;
    }

    // A nice grid's values in the digits its step needs.
    const auto text = [](double value, double step) {
        return step > 0 ? gridValueText(value, step) : gridValueText(value);
    };
    // Lines in the order they stand on screen, left to right or bottom to
    // top, whichever way the axis runs (a zoom box can turn y upside down).
    const auto along = [](const QVector<QLine>& lines, auto position) {
        QVector<int> order(lines.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return position(lines[a]) < position(lines[b]); });
        return order;
    };

    // Values of the vertical lines along the bottom, each just right of its
    // line, left out where it would run into the one before.
    int freeFrom = 0;
    for (const int i : along(scene.verticalLines, [](const QLine& l) { return l.x1(); })) {
        const double value = scene.verticalValues[i];
        const QString t = text(value, scene.verticalStep);
        const QRect box(scene.verticalLines[i].x1() + 2, valuesTop,
                        fm.horizontalAdvance(t) + 2 * kPad, textHeight);
        if (box.left() < freeFrom || box.left() < 0 || box.right() >= width ||
            box.intersects(labels.headerBox))
            continue;
        labels.bottom.append({box, t, value});
        freeFrom = box.right() + fm.horizontalAdvance(QLatin1Char(' ')) * 2;
    }

    // Values of the horizontal lines along the left edge, just above their
    // line, clear of the bottom row of labels and of one another.
    int lastTop = valuesTop;
    for (const int i : along(scene.horizontalLines, [](const QLine& l) { return -l.y1(); })) {
        const double value = scene.horizontalValues[i];
        const QString t = text(value, scene.horizontalStep);
        const QRect box(2, scene.horizontalLines[i].y1() - textHeight,
                        fm.horizontalAdvance(t) + 2 * kPad, textHeight);
        if (box.top() < 0 || box.bottom() >= lastTop || box.intersects(labels.headerBox))
            continue;
        labels.left.append({box, t, value});
        lastTop = box.top();
    }
    return labels;
}

LabelRoom labelRoom(const QFont& font, int width, const QString& title, int channels,
                    const QVector<QColor>& colors)
{
    const QRect header = layOut(font, QPoint(2, 2), width - 4,
                                headerEntries(title, channels, colors), LegendFlow::Row)
                             .box;
    return {header.bottom() + 1, QFontMetrics(font).height() + 2};
}

void paintPlotLabels(QPainter* p, const PlotScene& scene, int width, int height,
                     const QString& title, const QVector<QColor>& colors)
{
    if (!scene.drawn)
        return;
    const PlotLabels labels = plotLabels(scene, width, height, p->font(), title, colors);
    for (const PlotLabels::Value& v : labels.bottom)
        paintLabel(p, v.box, v.text);
    for (const PlotLabels::Value& v : labels.left)
        paintLabel(p, v.box, v.text);
    paintLegend(p, labels.headerBox.topLeft(), labels.headerWidth, labels.header, LegendFlow::Row);
}
