#pragma once

#include "analysis/channelmodels.h"
#include "analysis/stagefit.h"
#include "input/pointview.h"
#include "mainwindow/valuerange.h"

#include <QString>
#include <QVector>

// The curve of one stage of one channel in an exact model:
// y = scale x h(rate x), h the model's loss (stagefit.h).
struct ModelCurve
{
    DeadTimeModel model = DeadTimeModel::Paralyzable;
    double scale = 0.0;
    double rate = 0.0;
    // Hybrid: h = exp(-rate x) / (1 + nonParalysableRate x).
    double nonParalysableRate = 0.0;
    // False where the model gives the stage no constant: no curve is drawn.
    bool available = false;
};

// What the two plots read of a point set: the points with their channel
// count in common, the ranges the axes scale to and, once fitted, the
// per-channel coefficient pairs {k1, k2} of y = k1 x + k2 x^2.
// The window fills it from its panels; a headless tool from its own records.
struct PlotSource
{
    QVector<PointView> points;
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;
    bool fitted = false;
    QVector<QVector<double>> i0NinFits;
    QVector<QVector<double>> ninNoutFits;
    // The curves of the model chosen, one per channel, where it is not the
    // quadratic: when not empty they are drawn instead of the pairs.
    QVector<ModelCurve> i0NinCurves;
    QVector<ModelCurve> ninNoutCurves;
    // Per point, whether it is left out of the fit: such a point is drawn
    // as a ring. Empty when every point is in.
    QVector<bool> leftOut;
};

// What the two plots show of the points and the model.
enum class PlotView
{
    // The counts themselves: ICR against I0, SCA against ICR.
    Counts,
    // Each count over its x (ICR/I0, SCA/ICR) with the model's curve and a
    // dashed line at the zero-rate ratio: the dead time is the fall below it.
    Ratio,
    // (data - model) / sigma against x, sigma the Poisson spread of the
    // model's count, with bands at +-1 and +-3.
    Residuals,
};

// "counts", "ratio", "residuals".
QString plotViewName(PlotView view);
// The view so named; false for any other name.
bool plotViewFromName(const QString& name, PlotView& view);

// The curve of one stage of one fit; the quadratic's come from the
// coefficient pairs instead.
ModelCurve stageCurve(const StageFit& fit, DeadTimeStage stage);

// The curves of choice in source, per channel of models, from the fits
// models hold; none for the quadratic, whose pairs are drawn. The window
// and veskor-fit draw the model they report this way.
void setChosenCurves(PlotSource& source, const QVector<ChannelModels>& models, ModelChoice choice);
