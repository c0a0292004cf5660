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

QString Body::plotTitle(DispA* surface) const
{
    if (surface == NinNoutDisp)
        return plotView == PlotView::Ratio       ? tr("SCA/ICR vs ICR")
               : plotView == PlotView::Residuals ? tr("SCA: (data \u2212 model)/\u03c3 vs ICR")
                                                 : tr("SCA vs ICR");
    return plotView == PlotView::Ratio       ? tr("ICR/I0 vs I0")
           : plotView == PlotView::Residuals ? tr("ICR: (data \u2212 model)/\u03c3 vs I0")
                                             : tr("ICR vs I0");
}

PlotScene Body::currentScene(DispA* surface)
{
    // A mapper of its own, as the surface's stands, so that working the
    // scene out changes nothing on screen.
    ChCoord coord;
    coord.setFrame(0, surface->height(), surface->width(), 0);
    coord.setScale(surface->coord.scaleX0, surface->coord.scaleY0, surface->coord.scaleX1,
                   surface->coord.scaleY1);
    coord.xScaleSet = surface->coord.xScaleSet;
    coord.yScaleSet = surface->coord.yScaleSet;
    return surfaceScene(surface, coord);
}

PlotScene Body::surfaceScene(DispA* surface, ChCoord& coord)
{
    const DeadTimeStage stage =
        surface == NinNoutDisp ? DeadTimeStage::Output : DeadTimeStage::Input;
    const PlotSource source = plotSource(pointSet);
    // The views that scale themselves keep their data clear of the labels.
    const LabelRoom room = labelRoom(surface->font(), surface->width(), plotTitle(surface),
                                     plottedChannels(source), colors);
    return viewScene(source, stage, plotView, colors, coord, room);
}

void Body::drawI0Nin(QPainter* p)
{
    const PlotScene scene = surfaceScene(I0NinDisp, I0NinDisp->coord);
    paintScene(p, scene);
    paintPlotLabels(p, scene, I0NinDisp->width(), I0NinDisp->height(), plotTitle(I0NinDisp),
                    colors);
}

void Body::drawNinNout(QPainter* p)
{
    const PlotScene scene = surfaceScene(NinNoutDisp, NinNoutDisp->coord);
    paintScene(p, scene);
    paintPlotLabels(p, scene, NinNoutDisp->width(), NinNoutDisp->height(), plotTitle(NinNoutDisp),
                    colors);
}
