#include "analysis/deadtimefit.h"
#include "analysis/quadraticfit.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/pointset.h"

#include <QDebug>
#include <QGridLayout>
#include <utility>

void PointSet::fitDeadTimes()
{
    // Without a channel in common there is nothing to fit, and the results
    // and fields of an earlier run stay as they were.
    if (nChannels < 1)
        return;
    tau0s.clear();
    taus.clear();
    i0NinFits.clear();
    ninNoutFits.clear();
    fitted = false;
    qDebug() << "chs" << nChannels;

    QVector<PointView> views;
    views.reserve(points.size());
    for (const AMeasP* point : qAsConst(points))
        views.append(point->view());
    DeadTimeFit fit = fitDeadTimeConstants(views, nChannels);
    tau0s = std::move(fit.tau0s);
    taus = std::move(fit.taus);
    i0NinFits = std::move(fit.i0NinFits);
    ninNoutFits = std::move(fit.ninNoutFits);

    // Deleting a field also takes it out of its grid.
    qDeleteAll(tauFields);
    tauFields.clear();
    for (int i = 0; i < nChannels; ++i) {
        LE* tau0Field = makeValueField(tau0s[i]);
        if (tau0sLayout)
            tau0sLayout->addWidget(tau0Field, 0, i);
        tauFields.append(tau0Field);
        LE* tauField = makeValueField(taus[i]);
        if (tausLayout)
            tausLayout->addWidget(tauField, 0, i);
        tauFields.append(tauField);
    }
    fitted = true;
}

void PointSet::fitQuadratic(const QVector<double>& x, const QVector<double>& y,
                            QVector<double>& out)
{
    ::fitQuadratic(x, y, out);
}
