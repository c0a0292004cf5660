#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QVector>

class QFont;
class QPainter;
struct LabelRoom;
struct PlotScene;

// One entry of a plot's legend: a dot of the channel's colour (with a short
// line through it when the legend stands for curves too) and its text. An
// entry without a colour is text alone (a title, a closing remark); a
// strong one is set in bold.
struct LegendEntry
{
    QColor color;
    QString text;
    bool strong = false;
};

enum class LegendFlow
{
    // Entries side by side, wrapping at the width given.
    Row,
    // One entry a line, each with a line through its dot.
    List,
};

// Draws entries in a white box whose top left corner is at topLeft, no
// wider than maxWidth where the entries can wrap. Returns the box.
QRect paintLegend(QPainter* p, QPoint topLeft, int maxWidth, const QVector<LegendEntry>& entries,
                  LegendFlow flow);

// The window's compact legend of channels drawn in colors: one entry per
// colour, naming the channels (from 1) drawn in it: "1", or "2, 15" once the
// colours repeat.
QVector<LegendEntry> channelLegend(int channels, const QVector<QColor>& colors);

// A grid line's value, three significant digits.
QString gridValueText(double value);

// A value of a grid at multiples of step: as many significant digits as
// tell it from its neighbours, three at least.
QString gridValueText(double value, double step);

// What the window writes over one plot, worked out before painting.
struct PlotLabels
{
    struct Value
    {
        QRect box;
        QString text;
        double value = 0;
    };
    // Values of the vertical grid lines, along the bottom edge, and of the
    // horizontal ones, along the left edge.
    QVector<Value> bottom;
    QVector<Value> left;
    // The plot's title followed by its channels, in a box at headerBox,
    // laid out to wrap at headerWidth.
    QVector<LegendEntry> header;
    QRect headerBox;
    int headerWidth = 0;
};

// The labels of a drawn plot of width x height pixels, in font: the value
// of every grid line where it does not crowd the one before or run into the
// header, and the header in the corner of the plot whose box covers the
// fewest dots, curve samples and guides, the top left one where it covers
// none. Nothing on a scene that was not drawn.
PlotLabels plotLabels(const PlotScene& scene, int width, int height, const QFont& font,
                      const QString& title, const QVector<QColor>& colors);

// The strips that plotLabels writes in, on a plot width pixels wide of
// `channels` channels: the header's height at the top, the values' row at
// the bottom. The views that scale themselves keep their data out of them.
LabelRoom labelRoom(const QFont& font, int width, const QString& title, int channels,
                    const QVector<QColor>& colors);

// Paints plotLabels(scene, ..., p->font(), ...) over the scene.
void paintPlotLabels(QPainter* p, const PlotScene& scene, int width, int height,
                     const QString& title, const QVector<QColor>& colors);
