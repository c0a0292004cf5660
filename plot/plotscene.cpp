#include "plot/plotscene.h"

#include "plot/chcoord.h"
#include "plot/dotpaint.h"
#include "plot/plotsource.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr int kMinPointsToPlot = 3;
// Exact arithmetic gives 101 samples across the scale. On a scale narrow
// for its magnitude the steps round, each by at most half its length and
// never below two thirds of it, which gives some 150 samples at most; a
// step that rounds away to nothing ends the curve. The count is only a last
// guard.
constexpr int kCurveSampleGuard = 1000;

// One axis of a plot: its data range and the frame it is drawn across.
struct AxisSpan
{
    double lo;
    double hi;
};

// Whether the mapper can turn values on [lo, hi] into finite pixels on a
// frame frameSpan wide: its factor frameSpan / (hi - lo) must be finite.
bool resolvable(AxisSpan s, double frameSpan)
{
    return std::isfinite(s.lo) && std::isfinite(s.hi) && s.hi != s.lo &&
           std::isfinite(frameSpan / (s.hi - s.lo));
}

// The data's extent with 5 % of its spread added at both ends, or -1.1 to
// 1.1 without data. When every value is the same (all points at one I0, say)
// that span has no width, or one too narrow for the mapper to resolve; the
// values are then centred with 5 % of their magnitude on either side
// instead, so the points still show, or with 1.1 when that is zero as well.
// A span that runs to infinity (an infinite value, or a spread beyond the
// largest double) places nothing: on -inf to inf every position is NaN and
// is not shown.
AxisSpan axisSpan(const ValueRange& r, double frameSpan)
{
    if (!r.valid)
        return {-1.1, 1.1};
    const double d = (r.max - r.min) * 0.05;
    const AxisSpan data{r.min - d, r.max + d};
    if (!std::isfinite(data.lo) || !std::isfinite(data.hi)) {
        const double inf = std::numeric_limits<double>::infinity();
        return {-inf, inf};
    }
    if (resolvable(data, frameSpan))
        return data;
    const double c = r.min / 2 + r.max / 2;
    const double m = std::abs(c) * 0.05;
    for (const AxisSpan s : {AxisSpan{c - m, c + m}, AxisSpan{c - 1.1, c + 1.1}})
        if (resolvable(s, frameSpan))
            return s;
    return {-1.1, 1.1};
}

// The data's span for an axis whose scale is the view's own, with the
// strips of room along the bottom and top edges kept clear of the data: a
// ring reaches 4 pixels from its centre, and the cut to whole pixels may
// take one more. The plain span where it has no room to give (no strips
// asked for, no spread, a surface too low for both).
AxisSpan roomySpan(const ValueRange& r, double frameSpan, LabelRoom room)
{
    const AxisSpan plain = axisSpan(r, frameSpan);
    const double height = std::abs(frameSpan);
    if ((room.top <= 0 && room.bottom <= 0) || !r.valid || !(r.max > r.min) ||
        !resolvable(plain, frameSpan) || !(height > 0))
        return plain;
    // At least the plain span's 5 % of the spread at either end.
    const double margin = 0.05 / 1.1;
    const double below = std::max((std::max(room.bottom, 0) + 6) / height, margin);
    const double above = std::max((std::max(room.top, 0) + 6) / height, margin);
    if (below + above > 0.6)
        return plain;
    const double total = (r.max - r.min) / (1 - below - above);
    const AxisSpan s{r.min - below * total, r.max + above * total};
    return resolvable(s, frameSpan) ? s : plain;
}

// Zoomed narrower than this fraction of where it lies, the doubles across
// the frame run out and the grid's values could not be told apart.
constexpr double kNarrowestZoom = 1e-12;

// A span the user chose, widened about its middle to the narrowest zoom;
// one without width stays so (the data's span then replaces it).
AxisSpan atLeastNarrowest(AxisSpan s)
{
    const double width = std::abs(s.hi - s.lo);
    const double middle = s.lo / 2 + s.hi / 2;
    const double least = std::abs(middle) * kNarrowestZoom;
    if (!(width > 0) || !(width < least))
        return s;
    const double half = s.hi > s.lo ? least / 2 : -least / 2;
    return {middle - half, middle + half};
}

bool operator==(AxisSpan a, AxisSpan b)
{
    return a.lo == b.lo && a.hi == b.hi;
}

// The multiples of step within [lo, hi] (either order), ascending, each
// once; none when there would be more than 4 about of them.
QVector<double> multiples(double lo, double hi, double step, int about)
{
    QVector<double> values;
    if (lo > hi)
        std::swap(lo, hi);
    if (!(step > 0) || !std::isfinite(step))
        return values;
    const double first = std::ceil(lo / step);
    const double last = std::floor(hi / step);
    if (!std::isfinite(first) || !std::isfinite(last) || !(last - first <= 4.0 * about))
        return values;
    // Counted in integers: far from zero, first + 1 can round back to
    // first, and a count by it would never end.
    const int count = last >= first ? int(last - first) + 1 : 0;
    for (int n = 0; n < count; ++n) {
        const double k = first + n;
        const double v = k == 0 ? 0.0 : k * step;
        if (v >= lo && v <= hi && (values.isEmpty() || v > values.last()))
            values.append(v);
    }
    return values;
}

// The integer pixel of a position, cut toward zero. A position that is not
// a number has no place on the surface and gives false; one beyond the
// limit is held at the limit, which is far off the surface either way (a
// dot or a grid line there does not show).
bool toPixel(double p, int& out)
{
    if (!std::isfinite(p))
        return false;
    out = static_cast<int>(std::clamp(p, -PlotScene::kPixelLimit, PlotScene::kPixelLimit));
    return true;
}

bool toPixel(double x, double y, QPoint& out)
{
    int px = 0, py = 0;
    if (!toPixel(x, px) || !toPixel(y, py))
        return false;
    out = QPoint(px, py);
    return true;
}

// Cuts the segment from a to b down to its part within kPixelLimit of the
// origin, a square far around the surface; false when no part of it lies
// there. An end inside stays exactly as it was; moved tells whether a was.
// A cut end lies exactly on the square's edge, and along the edge where the
// line crosses it.
bool clipToLimit(QPointF& a, QPointF& b, bool& moved)
{
    const double limit = PlotScene::kPixelLimit;
    // Half coordinates: exact, and their differences stay finite even for
    // the largest doubles.
    const double h[2] = {a.x() / 2, a.y() / 2};
    const double d[2] = {b.x() / 2 - h[0], b.y() / 2 - h[1]};
    // Edge k lies on axis k / 2, at -limit for even k and +limit for odd.
    double t0 = 0, t1 = 1;
    int entry = -1, exit = -1;
    for (int k = 0; k < 4; ++k) {
        const int axis = k / 2;
        const double p = k % 2 ? d[axis] : -d[axis];
        const double q = k % 2 ? limit / 2 - h[axis] : h[axis] + limit / 2;
        if (p == 0) {
            if (q < 0)
                return false;
            continue;
        }
        const double t = q / p;
        if (p < 0 && t > t0) {
            t0 = t;
            entry = k;
        } else if (p > 0 && t < t1) {
            t1 = t;
            exit = k;
        }
    }
    if (!(t0 <= t1))
        return false;
    const auto onEdge = [&](double t, int k) {
        double c[2] = {2 * (h[0] + t * d[0]), 2 * (h[1] + t * d[1])};
        c[k / 2] = k % 2 ? limit : -limit;
        return QPointF(std::clamp(c[0], -limit, limit), std::clamp(c[1], -limit, limit));
    };
    moved = entry >= 0;
    if (moved)
        a = onEdge(t0, entry);
    if (exit >= 0)
        b = onEdge(t1, exit);
    return true;
}

// Grid positions 0, s, 2s, ... below the largest value of the range, with
// s a tenth of it; 0.1 apart below 1 without data.
template <typename AddLine> void gridSteps(const ValueRange& r, AddLine addLine)
{
    const double limit = r.valid ? r.max : 1.0;
    const double step = r.valid ? r.max / 10 : 0.1;
    double v = 0;
    while (v < limit) {
        addLine(v);
        // A step lost to rounding (a tenth of a subnormal maximum) would
        // repeat the same line for ever.
        const double next = v + step;
        if (!(next > v))
            break;
        v = next;
    }
}

// The model's loss h(rate x) of a curve (stagefit.h).
double curveLoss(const ModelCurve& c, double x)
{
    const double z = c.rate * x;
    switch (c.model) {
    case DeadTimeModel::Paralyzable:
        return std::exp(-z);
    case DeadTimeModel::NonParalyzable:
        return 1.0 / (1.0 + z);
    case DeadTimeModel::Hybrid:
        return std::exp(-z) / (1.0 + c.nonParalysableRate * x);
    case DeadTimeModel::Quadratic:
        break;
    }
    return 1.0 - z;
}

double curveValue(const ModelCurve& c, double x)
{
    return c.scale * x * curveLoss(c, x);
}

QColor channelColor(const QVector<QColor>& colors, int ch)
{
    return colors.isEmpty() ? QColor(Qt::black) : colors[ch % colors.size()];
}

double i0Of(const PointView& p, int)
{
    return p.i0;
}

double icrOf(const PointView& p, int ch)
{
    return p.icr(ch);
}

double scaOf(const PointView& p, int ch)
{
    return p.sca(ch);
}

// The fit of one stage of every channel, as a plot reads it: the model's
// curve where one was chosen, else the quadratic's coefficient pair.
struct StageModel
{
    const QVector<QVector<double>>& fits;
    const QVector<ModelCurve>& curves;

    bool has(int ch) const
    {
        return curves.isEmpty() ? ch < fits.size() && fits[ch].size() >= 2
                                : ch < curves.size() && curves[ch].available;
    }
    // y at x; the caller checks has(ch).
    double value(int ch, double x) const
    {
        if (!curves.isEmpty())
            return curveValue(curves[ch], x);
        const double k1 = fits[ch][0];
        const double k2 = fits[ch][1];
        return (k2 * x) * x + k1 * x;
    }
    // y / x at x, from the model itself, so that it holds at x = 0 too.
    double ratio(int ch, double x) const
    {
        if (!curves.isEmpty())
            return curves[ch].scale * curveLoss(curves[ch], x);
        return fits[ch][0] + fits[ch][1] * x;
    }
};

// What sets one plot apart from another.
struct Axes
{
    ValueRange x;
    ValueRange y;
    // The counts view's grid lies at multiples of a tenth of the ranges'
    // maxima; the other views' at nice steps of what is on screen.
    bool tenthsGrid = true;
    std::function<double(const PointView&, int ch)> dotX;
    std::function<double(const PointView&, int ch)> dotY;
    std::function<bool(int ch)> hasCurve;
    std::function<double(int ch, double x)> curveY;
    // Per channel, the value of a dashed line in the channel's colour; NaN
    // for none.
    QVector<double> references;
    bool residualBands = false;
};

constexpr int kNiceGridLines = 8;

PlotScene buildScene(const PlotSource& src, const Axes& axes, const QVector<QColor>& colors,
                     ChCoord& coord, LabelRoom room)
{
    PlotScene scene;
    if (src.points.size() < kMinPointsToPlot)
        return scene;
    scene.drawn = true;

    const double frameWidth = coord.frameX1 - coord.frameX0;
    const double frameHeight = coord.frameY1 - coord.frameY0;
    const AxisSpan dataX = axisSpan(axes.x, frameWidth);
    const AxisSpan dataY =
        axes.tenthsGrid ? axisSpan(axes.y, frameHeight) : roomySpan(axes.y, frameHeight, room);
    const AxisSpan userX = atLeastNarrowest({coord.scaleX0, coord.scaleX1});
    const AxisSpan userY = atLeastNarrowest({coord.scaleY0, coord.scaleY1});
    const AxisSpan xs = coord.xScaleSet && resolvable(userX, frameWidth) ? userX : dataX;
    const AxisSpan ys = coord.yScaleSet && resolvable(userY, frameHeight) ? userY : dataY;
    coord.setScale(xs.lo, ys.lo, xs.hi, ys.hi);

    int top = 0, bottom = 0, left = 0, right = 0;
    const bool haveHeight = toPixel(coord.frameY0, bottom) && toPixel(coord.frameY1, top);
    const bool haveWidth = toPixel(coord.frameX0, left) && toPixel(coord.frameX1, right);
    const auto vertical = [&](double v) {
        int px = 0;
        if (haveHeight && toPixel(coord.pixX(v), px)) {
            scene.verticalLines.append(QLine(px, bottom, px, top));
            scene.verticalValues.append(v);
        }
    };
    const auto horizontal = [&](double v) {
        int py = 0;
        if (haveWidth && toPixel(coord.pixY(v), py)) {
            scene.horizontalLines.append(QLine(left, py, right, py));
            scene.horizontalValues.append(v);
        }
    };
    // Tenths of the data's maximum label the data's own view; once the user
    // pans or zooms an axis, they may leave none on screen.
    const auto grid = [&](const ValueRange& data, const AxisSpan& shown, const AxisSpan& own,
                          double& step, const auto& line) {
        if (axes.tenthsGrid && shown == own) {
            gridSteps(data, line);
            return;
        }
        step = niceStep(shown.lo, shown.hi, kNiceGridLines);
        for (double v : multiples(shown.lo, shown.hi, step, kNiceGridLines))
            line(v);
    };
    grid(axes.x, xs, dataX, scene.verticalStep, vertical);
    grid(axes.y, ys, dataY, scene.horizontalStep, horizontal);

    if (axes.residualBands && haveWidth) {
        // The model's own line, within one and within three sigma.
        const struct
        {
            double half;
            QRgb color;
        } bands[] = {{3, PlotScene::kOuterBandColor}, {1, PlotScene::kInnerBandColor}};
        for (const auto& b : bands) {
            int y0 = 0, y1 = 0;
            if (toPixel(coord.pixY(b.half), y0) && toPixel(coord.pixY(-b.half), y1))
                scene.bands.append(
                    {QRect(QPoint(left, std::min(y0, y1)), QPoint(right, std::max(y0, y1))),
                     QColor(b.color)});
        }
        int y = 0;
        if (toPixel(coord.pixY(0), y))
            scene.guides.append(
                {QColor(PlotScene::kZeroLineColor), QLine(left, y, right, y), false});
    }

    // The window never has more channels in common than its points hold;
    // beyond the widest point there would be nothing but zeros to show.
    int widest = 0;
    for (const PointView& pt : src.points)
        widest = std::max(widest, std::min(pt.icrs->size(), pt.scas->size()));
    const int nChannels = std::min(src.nChannels, widest);

    for (int ch = 0; ch < std::min(nChannels, axes.references.size()); ++ch) {
        int y = 0;
        if (haveWidth && toPixel(coord.pixY(axes.references[ch]), y))
            scene.guides.append({channelColor(colors, ch), QLine(left, y, right, y), true});
    }

    scene.dots.reserve(std::max(nChannels, 0));
    for (int ch = 0; ch < nChannels; ++ch) {
        PlotScene::Dots d;
        d.color = channelColor(colors, ch);
        d.centres.reserve(src.points.size());
        d.values.reserve(src.points.size());
        for (int j = 0; j < src.points.size(); ++j) {
            const PointView& pt = src.points[j];
            const bool out = j < src.leftOut.size() && src.leftOut[j];
            const QPointF value(axes.dotX(pt, ch), axes.dotY(pt, ch));
            d.values.append({value, out});
            QPoint c;
            if (toPixel(coord.pixX(value.x()), coord.pixY(value.y()), c))
                (out ? d.rings : d.centres).append(c);
        }
        scene.dots.append(d);
    }

    if (!src.fitted || !axes.curveY)
        return scene;
    const double x0 = coord.scaleX0;
    const double x1 = coord.scaleX1;
    const double step = std::abs(x1 - x0) / 100;
    scene.curves.reserve(std::max(nChannels, 0));
    for (int ch = 0; ch < nChannels; ++ch) {
        PlotScene::Curve c;
        c.color = channelColor(colors, ch);
        // A channel the fit left without coefficients has no curve to draw.
        if (axes.hasCurve(ch) && x1 >= x0) {
            c.samples.reserve(101);
            // The polyline runs from sample to sample; a segment that
            // leaves the square around the surface is cut where it leaves
            // and where it comes back, so what shows keeps its true slope.
            // A sample without a finite position is left out, and with it
            // the segments to and from it.
            QPointF previous;
            bool havePrevious = false;
            double v = x0;
            for (int n = 0; n < kCurveSampleGuard; ++n) {
                const double y = axes.curveY(ch, v);
                const QPointF sample(coord.pixX(v), coord.pixY(y));
                if (!std::isfinite(sample.x()) || !std::isfinite(sample.y())) {
                    havePrevious = false;
                } else {
                    c.values.append(QPointF(v, y));
                    QPointF a = havePrevious ? previous : sample;
                    QPointF b = sample;
                    bool entered = false;
                    if (clipToLimit(a, b, entered)) {
                        if (entered)
                            c.samples.append(QPoint(int(a.x()), int(a.y())));
                        c.samples.append(QPoint(int(b.x()), int(b.y())));
                    }
                    previous = sample;
                    havePrevious = true;
                }
                const double next = v + step;
                if (!(next > v && next <= x1))
                    break;
                v = next;
            }
        }
        scene.curves.append(c);
    }
    return scene;
}

// The channels whose values a view shows: those of every point, below the
// channel count in common.
int shownChannels(const PlotSource& src)
{
    int widest = 0;
    for (const PointView& pt : src.points)
        widest = std::max(widest, std::min(pt.icrs->size(), pt.scas->size()));
    return std::max(0, std::min(src.nChannels, widest));
}

Axes countsAxes(const PlotSource& src, DeadTimeStage stage)
{
    const bool input = stage == DeadTimeStage::Input;
    const StageModel model{input ? src.i0NinFits : src.ninNoutFits,
                           input ? src.i0NinCurves : src.ninNoutCurves};
    Axes a;
    a.x = input ? src.i0Range : src.icrRange;
    a.y = input ? src.icrRange : src.scaRange;
    a.dotX = input ? i0Of : icrOf;
    a.dotY = input ? icrOf : scaOf;
    a.hasCurve = [model](int ch) { return model.has(ch); };
    a.curveY = [model](int ch, double x) { return model.value(ch, x); };
    return a;
}

// The range of the finite values of the view's dots, for its y axis, and
// of those of extra that lie near them.
ValueRange finiteRange(const PlotSource& src, const Axes& a, const QVector<double>& extra)
{
    ValueRange r;
    const int channels = shownChannels(src);
    for (int ch = 0; ch < channels; ++ch)
        for (const PointView& pt : src.points) {
            const double y = a.dotY(pt, ch);
            if (std::isfinite(y) && std::isfinite(a.dotX(pt, ch)))
                r.widen(y);
        }
    // A line far from every point (a fit the scan cannot fix) would squeeze
    // them into a strip; such a line is off the plot instead.
    const double spread = r.valid ? r.max - r.min : 0.0;
    for (double v : extra)
        if (std::isfinite(v) && (!r.valid || (v >= r.min - spread && v <= r.max + spread)))
            r.widen(v);
    return r;
}

Axes ratioAxes(const PlotSource& src, DeadTimeStage stage)
{
    const bool input = stage == DeadTimeStage::Input;
    const StageModel model{input ? src.i0NinFits : src.ninNoutFits,
                           input ? src.i0NinCurves : src.ninNoutCurves};
    Axes a;
    a.tenthsGrid = false;
    a.x = input ? src.i0Range : src.icrRange;
    a.dotX = input ? i0Of : icrOf;
    if (input)
        a.dotY = [](const PointView& p, int ch) { return p.icr(ch) / p.i0; };
    else
        a.dotY = [](const PointView& p, int ch) { return p.sca(ch) / p.icr(ch); };
    a.hasCurve = [model](int ch) { return model.has(ch); };
    a.curveY = [model](int ch, double x) { return model.ratio(ch, x); };
    if (src.fitted)
        for (int ch = 0; ch < shownChannels(src); ++ch)
            a.references.append(model.has(ch) ? model.ratio(ch, 0.0) : StageFit::notAvailable);
    a.y = finiteRange(src, a, a.references);
    return a;
}

Axes residualAxes(const PlotSource& src, DeadTimeStage stage)
{
    const bool input = stage == DeadTimeStage::Input;
    const StageModel model{input ? src.i0NinFits : src.ninNoutFits,
                           input ? src.i0NinCurves : src.ninNoutCurves};
    const bool fitted = src.fitted;
    Axes a;
    a.tenthsGrid = false;
    a.residualBands = true;
    a.x = input ? src.i0Range : src.icrRange;
    a.dotX = input ? i0Of : icrOf;
    const auto y = input ? icrOf : scaOf;
    const auto x = a.dotX;
    a.dotY = [=](const PointView& p, int ch) {
        if (!fitted || !model.has(ch))
            return StageFit::notAvailable;
        // A count's variance is its expected value; a rate's, that over
        // the time it was counted in.
        const double expected = model.value(ch, x(p, ch));
        if (!(expected > 0) || !(p.time > 0))
            return StageFit::notAvailable;
        return (y(p, ch) - expected) / std::sqrt(expected / p.time);
    };
    a.y = finiteRange(src, a, {});
    // The bands show whatever the residuals are.
    a.y.widen(-3.0);
    a.y.widen(3.0);
    return a;
}

} // namespace

double niceStep(double lo, double hi, int about)
{
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo == hi || about < 1)
        return 0;
    const double raw = std::abs(hi - lo) / about;
    if (!std::isfinite(raw) || !(raw > 0))
        return 0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    if (!std::isfinite(magnitude) || !(magnitude > 0))
        return 0;
    const double f = raw / magnitude;
    return (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * magnitude;
}

QVector<double> niceSteps(double lo, double hi, int about)
{
    return multiples(lo, hi, niceStep(lo, hi, about), about);
}

int plottedChannels(const PlotSource& source)
{
    return shownChannels(source);
}

PlotScene viewScene(const PlotSource& source, DeadTimeStage stage, PlotView view,
                    const QVector<QColor>& colors, ChCoord& coord, LabelRoom room)
{
    switch (view) {
    case PlotView::Ratio:
        return buildScene(source, ratioAxes(source, stage), colors, coord, room);
    case PlotView::Residuals:
        return buildScene(source, residualAxes(source, stage), colors, coord, room);
    case PlotView::Counts:
        break;
    }
    return buildScene(source, countsAxes(source, stage), colors, coord, room);
}

QString plotViewName(PlotView view)
{
    switch (view) {
    case PlotView::Ratio:
        return QStringLiteral("ratio");
    case PlotView::Residuals:
        return QStringLiteral("residuals");
    case PlotView::Counts:
        break;
    }
    return QStringLiteral("counts");
}

bool plotViewFromName(const QString& name, PlotView& view)
{
    for (PlotView v : {PlotView::Counts, PlotView::Ratio, PlotView::Residuals})
        if (name == plotViewName(v)) {
            view = v;
            return true;
        }
    return false;
}

ModelCurve stageCurve(const StageFit& fit, DeadTimeStage stage)
{
    ModelCurve c;
    c.model = fit.model;
    c.available = fit.available();
    c.scale = fit.scale;
    // The input stage's loss runs on the true rate k I0, the output's on
    // the ICR itself.
    const double perRate = stage == DeadTimeStage::Input ? fit.scale : 1.0;
    if (fit.model == DeadTimeModel::Hybrid) {
        c.rate = perRate * fit.paralysablePart;
        c.nonParalysableRate = perRate * fit.nonParalysablePart;
    } else {
        c.rate = perRate * fit.constant;
    }
    return c;
}

void setChosenCurves(PlotSource& source, const QVector<ChannelModels>& models, ModelChoice choice)
{
    source.i0NinCurves.clear();
    source.ninNoutCurves.clear();
    if (choice == ModelChoice::Quadratic)
        return;
    for (const ChannelModels& m : models) {
        source.i0NinCurves.append(
            stageCurve(m.chosen(DeadTimeStage::Input, choice), DeadTimeStage::Input));
        source.ninNoutCurves.append(
            stageCurve(m.chosen(DeadTimeStage::Output, choice), DeadTimeStage::Output));
    }
}

PlotScene i0NinScene(const PlotSource& source, const QVector<QColor>& colors, ChCoord& coord)
{
    return viewScene(source, DeadTimeStage::Input, PlotView::Counts, colors, coord);
}

PlotScene ninNoutScene(const PlotSource& source, const QVector<QColor>& colors, ChCoord& coord)
{
    return viewScene(source, DeadTimeStage::Output, PlotView::Counts, colors, coord);
}

QPainterPath dotPath(const QVector<QPoint>& centres)
{
    QPainterPath path;
    // Every ellipse runs the same way round, so a pixel is filled when any
    // dot covers it: points at one place, or overlapping, never erase each
    // other as they would under the odd-even rule.
    path.setFillRule(Qt::WindingFill);
    for (const QPoint& c : centres)
        path.addEllipse(QRectF(c.x() - 3, c.y() - 3, 7.0, 7.0));
    return path;
}

void paintScene(QPainter* p, const PlotScene& scene)
{
    if (!scene.drawn)
        return;
    for (const PlotScene::Band& b : scene.bands)
        p->fillRect(b.rect, b.color);
    p->setPen(QColor(PlotScene::kGridColor));
    for (const QLine& l : scene.verticalLines)
        p->drawLines(&l, 1);
    for (const QLine& l : scene.horizontalLines)
        p->drawLines(&l, 1);
    for (const PlotScene::Guide& g : scene.guides) {
        p->setPen(QPen(g.color, 1, g.dashed ? Qt::DashLine : Qt::SolidLine));
        p->drawLine(g.line);
    }
    paintDots(p, scene.dots);
    for (const PlotScene::Dots& d : scene.dots) {
        if (d.rings.isEmpty())
            continue;
        // A ring 9 pixels across, wider than a dot, so that it still shows
        // around a dot of the channel at the same place.
        p->setPen(d.color);
        p->setBrush(Qt::NoBrush);
        for (const QPoint& c : d.rings)
            p->drawEllipse(QRect(c.x() - 4, c.y() - 4, 8, 8));
    }
    for (const PlotScene::Curve& c : scene.curves) {
        p->setPen(c.color);
        p->drawPolyline(c.samples.constData(), c.samples.size());
    }
}
