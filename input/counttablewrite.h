#pragma once

#include "input/pointview.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

// The points as a count table the window reads: "# Channels : n", a "# "
// line for each comment, then a row per point: I0, the n ICRs, the n SCAs.
// Each value is written in the fewest digits that read back as the same
// double, so the table gives the window the very points written. A point
// holding fewer than n channels counts 0 for the others, as the fit takes
// it.
QByteArray countTableBytes(const QVector<PointView>& points, int channels,
                           const QStringList& comments);
