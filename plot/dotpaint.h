#pragma once

#include "plot/plotscene.h"

#include <QVector>

class QPainter;

// How paintDots fills one channel's dots.
enum class DotRoute
{
    // OR of the dot's pixel pattern at every centre, one bit per pixel,
    // turned into the channel's colour in an overlay drawn once.
    Mask,
    // fillPath(dotPath(centres)) as it stands.
    Path,
};

// The route paintDots takes for each channel on this painter, in channel
// order. Mask only where it gives the very pixels Path gives; see
// dotpaint.cpp for the conditions.
QVector<DotRoute> dotRoutes(const QPainter* p, const QVector<PlotScene::Dots>& dots);

// Fills every channel's dots as fillPath(dotPath(d.centres), QBrush(d.color))
// would, channel after channel, so that a later channel covers an earlier
// one; with the same pixels, but in a fraction of the time where the mask
// route applies.
void paintDots(QPainter* p, const QVector<PlotScene::Dots>& dots);
