#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;
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

// What the window writes on a drawn plot of width x height pixels, over the
// scene: the value of every grid line (along the bottom edge for the
// vertical lines, along the left edge for the horizontal ones, where they
// do not crowd one another), and in the top left corner the plot's title
// followed by the legend of its channels. Draws nothing on a scene that
// was not drawn.
void paintPlotLabels(QPainter* p, const PlotScene& scene, int width, int height,
                     const QString& title, const QVector<QColor>& colors);
