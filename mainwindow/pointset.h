#pragma once

#include "analysis/runanalysis.h"
#include "input/pointview.h"
#include "mainwindow/valuerange.h"
#include "plot/plotsource.h"

#include <QString>
#include <QVector>

class AMeasP;
class LE;
class QGridLayout;

// Everything the main window knows about the data: the loaded points, their
// channel count in common, the ranges the plots scale to, and the results of
// the last fit with the fields that show them.
struct PointSet
{
    // One panel per measurement point, in reading order. Owned: Clear deletes
    // them (the window's layout is their widget parent meanwhile).
    QVector<AMeasP*> points;
    // Smallest channel count over all points since the set was last empty.
    // Meaningless while points is empty.
    int nChannels = 0;
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;
    // The window's grids for the result fields; not owned.
    QGridLayout* tau0sLayout = nullptr;
    QGridLayout* tausLayout = nullptr;
    // True once a fit run has finished; the members below are read only then.
    bool fitted = false;
    QVector<double> tau0s;
    QVector<double> taus;
    QVector<QVector<double>> i0NinFits;
    QVector<QVector<double>> ninNoutFits;
    // The result fields of the last fit run, in creation order. Owned.
    QVector<LE*> tauFields;

    // The model whose constants the fields show and Save writes; the
    // quadratic unless the user chose another.
    ModelChoice model = ModelChoice::Quadratic;
    // The last fit run: every model fitted over the points in the fit
    // (fitPoints, indexes into points, with fitViews their values), and what
    // model reports.
    RunAnalysis analysis;
    QVector<int> fitPoints;
    QVector<PointView> fitViews;
    // The curves of model, per channel, where it is not the quadratic (whose
    // curves the coefficient pairs above give).
    QVector<ModelCurve> i0NinCurves;
    QVector<ModelCurve> ninNoutCurves;

    // Fits tau0 and tau for every channel over the points in the fit (every
    // point whose panel is checked) and shows them.
    void fitDeadTimes();
    // Shows and keeps the constants of choice, from the fits already made.
    void chooseModel(ModelChoice choice);
    // Forgets the last fit run (Clear).
    void clearAnalysis();
    // A point as the user finds it in the window, by its index in fitViews.
    QString fitPointName(int index) const;
    // Least-squares y = p1 x + p2 x^2; appends p1 and p2 to out.
    static void fitQuadratic(const QVector<double>& x, const QVector<double>& y,
                             QVector<double>& out);
};
