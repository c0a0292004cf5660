#pragma once

#include <QColor>
#include <QLine>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QVector>

enum class DeadTimeStage;
enum class PlotView;

class ChCoord;
class QPainter;
class QPainterPath;
struct PlotSource;

// Everything one plot draws, in whole pixels of its surface, worked out
// before any painting so that it can be checked without a painter. Every
// position in it is finite and within +-kPixelLimit.
struct PlotScene
{
    // A point's values as the view plots them, whether shown or not.
    struct Value
    {
        QPointF at;
        bool leftOut = false;
    };
    struct Dots
    {
        QColor color;
        // Every point's values, in the order of the points (those without
        // a finite place on the surface too), for the data export.
        QVector<Value> values;
        // Centres of the 7-pixel dots, in the order of the points.
        QVector<QPoint> centres;
        // Centres of the 9-pixel rings of the points left out of the fit,
        // in the order of the points.
        QVector<QPoint> rings;
    };
    struct Curve
    {
        QColor color;
        QVector<QPoint> samples;
        // The curve's data values at the samples with a finite place.
        QVector<QPointF> values;
    };
    // A line across the plot: a channel's zero-rate ratio (dashed), the
    // residuals' zero.
    struct Guide
    {
        QColor color;
        QLine line;
        bool dashed = false;
    };
    // A filled strip across the plot, under everything else.
    struct Band
    {
        QRect rect;
        QColor color;
    };

    // False when there are too few points to plot: nothing at all is drawn.
    bool drawn = false;
    QVector<QLine> verticalLines;
    QVector<QLine> horizontalLines;
    // The data value of each grid line, in the order of the lines.
    QVector<double> verticalValues;
    QVector<double> horizontalValues;
    // The step between the grid's values on each axis where they are nice
    // steps of what is on screen; 0 where they are the counts view's tenths
    // of the data's largest value (that axis at the data's own scale).
    double verticalStep = 0;
    double horizontalStep = 0;
    // One entry per channel, in channel order.
    QVector<Dots> dots;
    // One entry per channel once fitted, in channel order; none before.
    QVector<Curve> curves;
    // Residuals: the bands at +-3 and +-1 sigma; drawn first.
    QVector<Band> bands;
    // Drawn over the grid, under the dots.
    QVector<Guide> guides;

    // No pixel coordinate goes beyond this: far outside any surface, and
    // small enough that no integer arithmetic on it can overflow. A dot or
    // grid line farther out is held at it, which keeps it off the surface;
    // a curve is cut where it crosses it, which keeps its slope.
    static constexpr double kPixelLimit = 1 << 22;
    static constexpr QRgb kGridColor = 0xffc8c8c8; // (200, 200, 200)
    static constexpr QRgb kOuterBandColor = 0xfff3f6fb;
    static constexpr QRgb kInnerBandColor = 0xffdfe8f5;
    static constexpr QRgb kZeroLineColor = 0xff8090a8;
};

// The upper plot: input count against I0, one dot per point and channel,
// and once fitted the curves Nin = a1 I0 + a2 I0^2. The frame must already
// be set. An axis whose scale flag is clear is scaled to the data (5 % of
// the spread added at either end), and the flags are then set; an axis the
// user panned or zoomed keeps its scale, unless that scale cannot be drawn
// with (no width, or not finite), which the data's then replaces. With two
// points or fewer leaves coord alone and gives an empty scene.
PlotScene i0NinScene(const PlotSource& source, const QVector<QColor>& colors, ChCoord& coord);

// The lower plot: output count against input count, and once fitted the
// curves Nout = c1 Nin + c2 Nin^2. Otherwise as i0NinScene.
PlotScene ninNoutScene(const PlotSource& source, const QVector<QColor>& colors, ChCoord& coord);

// Strips along the top and bottom edges, in pixels, where a caller writes
// over the plot (the window's legend and grid values).
struct LabelRoom
{
    int top = 0;
    int bottom = 0;
};

// One stage's plot in a view: the counts view is i0NinScene or
// ninNoutScene; the ratio and residual views plot each point's ratio or
// standardised residual against the same x, with the model of source
// (its curves where set, else the coefficient pairs), and their grid at
// nice steps of the visible range. Scaling as i0NinScene. The counts
// view's grid lies at tenths of the data's maxima while an axis shows the
// data's own scale; once it is panned or zoomed, at nice steps of what is
// on screen, as in the other views. A zoom narrower than a 10^12th of
// where it lies is widened to that about its middle. The ratio and
// residual views' y axis, at its own scale, keeps the data out of the
// strips of room.
PlotScene viewScene(const PlotSource& source, DeadTimeStage stage, PlotView view,
                    const QVector<QColor>& colors, ChCoord& coord, LabelRoom room = {});

// The channels a plot of source shows: those every point holds, below its
// channel count.
int plottedChannels(const PlotSource& source);

// The step of niceSteps: 1, 2 or 5 times a power of ten, some (hi - lo) /
// about; 0 when the span is empty or not finite.
double niceStep(double lo, double hi, int about);

// The multiples of niceStep within [lo, hi] (either order), ascending, each
// once; none when the span is empty or not finite.
QVector<double> niceSteps(double lo, double hi, int about);

// One channel's dots as a single path, filled as the union of its dots
// (the winding rule): two dots at one place show as one, and overlapping
// dots leave no hole.
QPainterPath dotPath(const QVector<QPoint>& centres);

// Draws the scene: the grey grid, then every channel's dots, then the rings
// of the points left out, then every curve over all of them. The dots have the pixels of filling
// each channel's dotPath, though mostly painted by a faster route (plot/dotpaint.h). Leaves the
// last pen it set on p.
void paintScene(QPainter* p, const PlotScene& scene);
