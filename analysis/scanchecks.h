#pragma once

#include "analysis/channelchecks.h"
#include "analysis/channelmodels.h"
#include "input/pointview.h"

#include <QVector>

// Above this reduced chi-square a stage's points scatter more than counting
// allows, whatever the model.
constexpr double kMaxReducedChiSquare = 3.0;

// The checks that look at the scan as a whole and at every model's fit,
// beside checkChannels' (which look at the constants reported). None of
// them changes a constant. In this order:
// - I0NotPositive (one warning, at the first such point) and FewerChannels
//   (each point that lowers the channel count), then NarrowI0Range, all
//   with channel -1;
// - then channel by channel: NarrowIcrRange, then for tau0 and then for
//   tau NegativeConstant, PoorFit, ImpreciseConstant, ModelsUndecided
//   (auto only), PastPeak and FirstOrderBias (the last with the quadratic
//   only, and not where the stage's range is too narrow).
// models are fitChannelModels' over points, choice the model reported.
QVector<ChannelWarning> checkScan(const QVector<PointView>& points,
                                  const QVector<ChannelModels>& models, ModelChoice choice);

// Whether a warning says something about the data (a point, a file, a
// fit's scatter, a constant) rather than about the limits of the model
// chosen (DeadTimeFraction and FirstOrderBias, which concern the
// quadratic's first-order expansion; ModelsUndecided and PastPeak, which
// concern the exact models; ImpreciseConstant, which says what the scan
// cannot fix, and which -o refuses to write on its own).
bool aboutData(const ChannelWarning& w);
