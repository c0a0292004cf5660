#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"

void Body::clearMcas()
{
    pointSet.fitted = false;

    // Deleting a panel or a field also takes it out of its layout.
    for (int i = 0; i < pointSet.points.size(); ++i)
        delete pointSet.points[i];
    pointSet.points.clear();
    for (int i = 0; i < pointSet.tauFields.size(); ++i)
        delete pointSet.tauFields[i];
    pointSet.tauFields.clear();

    pointSet.tau0s.clear();
    pointSet.taus.clear();
    pointSet.i0NinFits.clear();
    pointSet.ninNoutFits.clear();
    // nChannels is left as it is: the next point added sets it afresh.
    pointSet.i0Range.reset();
    pointSet.icrRange.reset();
    pointSet.scaRange.reset();
    pointSet.clearAnalysis();
    showResultsTable();

    pointsRefusedSinceClear = 0;
    showRefusedPoints();
    resetPlotViews();
    I0NinDisp->update();
    NinNoutDisp->update();
}
