#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class QImage;
class QPainter;
struct PlotScene;

// The bytes of a PNG file of image; empty when it cannot be encoded.
QByteArray pngBytes(const QImage& image);

// The bytes of an SVG document of size pixels, titled title, drawn by
// paint on a painter open on it (through Qt's SVG module).
QByteArray svgBytes(const QSize& size, const QString& title,
                    const std::function<void(QPainter*)>& paint);

// Whether a path names an SVG file (by its suffix, in any case); else it
// is written as PNG.
bool isSvgPath(const QString& path);

// The numbers behind a plot as CSV: a comment line ("# " and comment, which
// names the plot, its view and its model), a header, then one row per
// point and channel (series "point", or "left out" for a point the fit
// left out) and one per sample of each channel's curve (series "curve"):
// series,channel,x,y with channels from 1 and every number in the fewest
// digits that read back to the same double.
QByteArray sceneCsv(const PlotScene& scene, const QString& comment);
