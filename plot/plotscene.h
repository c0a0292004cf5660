#pragma once

#include <QColor>
#include <QLine>
#include <QPoint>
#include <QVector>

class ChCoord;
class QPainter;
class QPainterPath;
struct PlotSource;

// Everything one plot draws, in whole pixels of its surface, worked out
// before any painting so that it can be checked without a painter. Every
// position in it is finite and within +-kPixelLimit.
struct PlotScene
{
    struct Dots
    {
        QColor color;
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
    };

    // False when there are too few points to plot: nothing at all is drawn.
    bool drawn = false;
    QVector<QLine> verticalLines;
    QVector<QLine> horizontalLines;
    // The data value of each grid line, in the order of the lines.
    QVector<double> verticalValues;
    QVector<double> horizontalValues;
    // One entry per channel, in channel order.
    QVector<Dots> dots;
    // One entry per channel once fitted, in channel order; none before.
    QVector<Curve> curves;

    // No pixel coordinate goes beyond this: far outside any surface, and
    // small enough that no integer arithmetic on it can overflow. A dot or
    // grid line farther out is held at it, which keeps it off the surface;
    // a curve is cut where it crosses it, which keeps its slope.
    static constexpr double kPixelLimit = 1 << 22;
    static constexpr QRgb kGridColor = 0xffc8c8c8; // (200, 200, 200)
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

// One channel's dots as a single path, filled as the union of its dots
// (the winding rule): two dots at one place show as one, and overlapping
// dots leave no hole.
QPainterPath dotPath(const QVector<QPoint>& centres);

// Draws the scene: the grey grid, then every channel's dots, then the rings
// of the points left out, then every curve over all of them. The dots have the pixels of filling
// each channel's dotPath, though mostly painted by a faster route (plot/dotpaint.h). Leaves the
// last pen it set on p.
void paintScene(QPainter* p, const PlotScene& scene);
