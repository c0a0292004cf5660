#pragma once

#include <QColor>
#include <QVector>

// The 13 channel colours of the plots, in index order. Channel ch is drawn
// in entry ch % 13, so the colours repeat after the 13th channel.
QVector<QColor> plotColors();
