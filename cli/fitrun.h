#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "input/pointview.h"
#include "mainwindow/valuerange.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QTextStream;

// One batch analysis: the files named, the points read from them, and what
// the fit, the uncertainties and the channel checks made of them.
struct FitRun
{
    struct File
    {
        QString path;
        // False when the file could not be opened: it adds no point.
        bool opened = false;
        int points = 0;
    };
    struct Point
    {
        double i0 = 0.0;
        QVector<double> icrs;
        QVector<double> scas;
        // Index in files, and the point's place in that file (from 0).
        int file = 0;
        int indexInFile = 0;
    };

    QVector<File> files;
    QVector<Point> points;
    // The window's rule over the same points (addToExtent): the channel
    // count in common and the ranges the plots scale to.
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;

    // Set by analyse().
    bool fitted = false;
    DeadTimeFit fit;
    QVector<ChannelStats> stats;
    QVector<ChannelWarning> warnings;

    // Views on points; valid while points is not changed.
    QVector<PointView> views() const;
    bool anyUnreadable() const;
    // The window fits once more than one point with a channel is loaded.
    bool fittable() const { return points.size() > 1 && nChannels >= 1; }
};

// Reads every path as the window reads a chosen file (MCA spectrum format
// first, count table as fallback), in order, and adds each point to the
// extent as the window does. A file that cannot be opened, or that yields
// no point, is named on err; the others are read all the same.
FitRun loadFitRun(const QStringList& paths, QTextStream& err);

// Fits every channel with the window's solver, then works out the
// uncertainties and runs the channel checks. Does nothing unless fittable().
void analyse(FitRun& run);
