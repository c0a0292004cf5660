#pragma once

#include <QImage>
#include <QString>

struct FitRun;

// The window's plots of an analysed run in its three views (counts, ratio,
// residuals), the pre-amplifier's left and the amplifier's right, with the
// curves of the model the run reports, drawn with the window's own scene
// code and colours, and framed so that the picture stands on its own in a
// logbook: a title, axes with tick labels and titles, and beside the
// panels the constants of every channel as the table gives them. Needs a
// QGuiApplication (for the fonts), no display.
QImage fitFigure(const FitRun& run);

// Writes fitFigure(run) to path as the results files are written
// (saveFileBytes), as SVG when path ends in .svg, else as PNG: a failed
// save leaves the old file as it was. On failure returns false, with the
// reason in error where the image could not be made.
bool saveFitFigure(const FitRun& run, const QString& path, QString& error);
