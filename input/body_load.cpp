#include "input/ameasp.h"
#include "input/channellimit.h"
#include "input/counttable.h"
#include "input/mcareading.h"
#include "input/pointextent.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"

void Body::filesSelected(QStringList files)
{
    // MCA spectrum format first, the count table as the fallback: the same
    // rule as loadMeasurementFile, spelled out here because the fallback
    // goes through the window's own row step.
    for (const QString& path : qAsConst(files)) {
        McaReading reading;
        readMcaFile(reading, path);
        if (!reading.ok)
            readCountTable(path);
        else if (admitPoint(reading.icrs, reading.scas))
            addPoint(new AMeasP(reading.i0, reading.icrs, reading.scas, nullptr));
    }

    // Once over the whole selection, so that its results cover every point.
    if (pointSet.points.size() > 1)
        pointSet.fitDeadTimes();
    I0NinDisp->update();
    NinNoutDisp->update();
}

void Body::addPoint(AMeasP* panel)
{
    PointExtent extent;
    extent.i0 = panel->i0;
    extent.channels = qMin(panel->icrs.size(), panel->scas.size());
    extent.icrRange = panel->icrRange;
    extent.scaRange = panel->scaRange;
    addToExtent(pointSet, pointSet.points.isEmpty(), extent);

    const int row = pointSet.points.size();
    pointSet.points.append(panel);
    // The layout makes the window the panel's parent.
    MCALayout->addWidget(panel, row, 0);
}

void Body::readCountTable(const QString& path)
{
    readCountTableFile(path,
                       [this](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                           if (admitPoint(icrs, scas))
                               addPoint(new AMeasP(i0, icrs, scas, nullptr));
                       });
}
