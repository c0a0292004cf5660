#include "input/ameasp.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "plot/plotlabels.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"

namespace {

// The window's side of the plots: its panels seen as plain points, next to
// the ranges and fit results the plots read.
PlotSource plotSource(const PointSet& set)
{
    PlotSource s;
    s.points.reserve(set.points.size());
    for (const AMeasP* panel : set.points)
        s.points.append(panel->view());
    s.nChannels = set.nChannels;
    s.i0Range = set.i0Range;
    s.icrRange = set.icrRange;
    s.scaRange = set.scaRange;
    s.fitted = set.fitted;
    // Fit results are meaningful only after a finished fit.
    if (set.fitted) {
        s.i0NinFits = set.i0NinFits;
        s.ninNoutFits = set.ninNoutFits;
        s.i0NinCurves = set.i0NinCurves;
        s.ninNoutCurves = set.ninNoutCurves;
    }
    for (int j = 0; j < set.points.size(); ++j) {
        if (set.points[j]->usedInFit())
            continue;
        if (s.leftOut.isEmpty())
            s.leftOut.fill(false, set.points.size());
        s.leftOut[j] = true;
    }
    return s;
}

} // namespace

void Body::drawI0Nin(QPainter* p)
{
    const PlotScene scene =
        viewScene(plotSource(pointSet), DeadTimeStage::Input, plotView, colors, I0NinDisp->coord);
    paintScene(p, scene);
    const QString title = plotView == PlotView::Ratio ? tr("ICR/I0 vs I0")
                          : plotView == PlotView::Residuals
                              ? tr("ICR: (data \u2212 model)/\u03c3 vs I0")
                              : tr("ICR vs I0");
    paintPlotLabels(p, scene, I0NinDisp->width(), I0NinDisp->height(), title, colors);
}

void Body::drawNinNout(QPainter* p)
{
    const PlotScene scene = viewScene(plotSource(pointSet), DeadTimeStage::Output, plotView, colors,
                                      NinNoutDisp->coord);
    paintScene(p, scene);
    const QString title = plotView == PlotView::Ratio ? tr("SCA/ICR vs ICR")
                          : plotView == PlotView::Residuals
                              ? tr("SCA: (data \u2212 model)/\u03c3 vs ICR")
                              : tr("SCA vs ICR");
    paintPlotLabels(p, scene, NinNoutDisp->width(), NinNoutDisp->height(), title, colors);
}
