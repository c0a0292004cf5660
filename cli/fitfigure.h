#pragma once

#include <QImage>
#include <QString>

struct FitRun;

// The window's two plots of an analysed run, one above the other, drawn
// with the window's own scene code and colours, and framed so that the
// picture stands on its own in a logbook: a title, axes with tick labels
// and titles, and a legend of the channel colours with each channel's
// constant. Needs a QGuiApplication (for the fonts), no display.
QImage fitFigure(const FitRun& run);

// Writes fitFigure(run) as PNG to path as the results files are written
// (saveFileBytes): a failed save leaves the old file as it was. On failure
// returns false, with the reason in error where the image could not be
// made.
bool saveFitFigure(const FitRun& run, const QString& path, QString& error);
