#include "analysis/quadraticfit.h"
#include "analysis/resulttexts.h"
#include "analysis/runanalysis.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/fieldtext.h"
#include "mainwindow/pointset.h"

#include <QDebug>
#include <QGridLayout>

QString PointSet::fitPointName(int index) const
{
    const int panel = fitPoints.value(index, -1);
    if (panel < 0 || panel >= points.size())
        return ResultTexts::pointName(index, QString(), 0);
    return ResultTexts::pointName(panel, points[panel]->originFile, points[panel]->originLine);
}

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

    // The points the user left out take no part; the channels in common
    // are then those of the points in, as if the others had not been read.
    fitPoints.clear();
    fitViews.clear();
    int channels = 0;
    for (int j = 0; j < points.size(); ++j) {
        if (!points[j]->usedInFit())
            continue;
        const AMeasP* p = points[j];
        const int m = qMin(p->icrs.size(), p->scas.size());
        channels = fitPoints.isEmpty() ? m : qMin(channels, m);
        fitPoints.append(j);
        fitViews.append(p->view());
    }
    if (fitPoints.size() == points.size())
        channels = nChannels;

    analysis = fitRunModels(fitViews, channels);
    i0NinFits = analysis.fit.i0NinFits;
    ninNoutFits = analysis.fit.ninNoutFits;

    // Deleting a field also takes it out of its grid.
    qDeleteAll(tauFields);
    tauFields.clear();
    for (int i = 0; i < channels; ++i) {
        LE* tau0Field = makeValueField(analysis.fit.tau0s[i]);
        if (tau0sLayout)
            tau0sLayout->addWidget(tau0Field, 0, i);
        tauFields.append(tau0Field);
        LE* tauField = makeValueField(analysis.fit.taus[i]);
        if (tausLayout)
            tausLayout->addWidget(tauField, 0, i);
        tauFields.append(tauField);
    }
    chooseModel(model);
    fitted = true;
}

void PointSet::chooseModel(ModelChoice choice)
{
    model = choice;
    const int channels = analysis.fit.tau0s.size();
    // Before a fit there is nothing to show.
    if (channels == 0 || tauFields.size() != 2 * channels)
        return;
    reportRunModel(analysis, fitViews, choice);
    // The quadratic's constants are the window's own solver's, bit for bit,
    // whatever a singular fit left; another model's are NaN where it has
    // none.
    const bool quadratic = choice == ModelChoice::Quadratic;
    tau0s = quadratic ? analysis.fit.tau0s : analysis.reported.tau0s;
    taus = quadratic ? analysis.fit.taus : analysis.reported.taus;
    PlotSource curves;
    setChosenCurves(curves, analysis.models, choice);
    i0NinCurves = curves.i0NinCurves;
    ninNoutCurves = curves.ninNoutCurves;

    const auto name = [this](int point) { return fitPointName(point); };
    for (int i = 0; i < channels; ++i) {
        QStringList input;
        QStringList output;
        for (const ChannelWarning& w : qAsConst(analysis.warnings)) {
            const bool in = warningConcerns(w, i, DeadTimeStage::Input);
            const bool out = warningConcerns(w, i, DeadTimeStage::Output);
            if (!in && !out)
                continue;
            const QString text = ResultTexts::warning(w, analysis.models, choice, name);
            if (in)
                input << text;
            if (out)
                output << text;
        }
        LE* tau0Field = tauFields[2 * i];
        LE* tauField = tauFields[2 * i + 1];
        tau0Field->setText(fieldText(tau0s[i]));
        tauField->setText(fieldText(taus[i]));
        tau0Field->setToolTip(
            resultFieldToolTip(analysis, i, DeadTimeStage::Input, input, fitViews.size()));
        tauField->setToolTip(
            resultFieldToolTip(analysis, i, DeadTimeStage::Output, output, fitViews.size()));
    }
}

void PointSet::clearAnalysis()
{
    analysis = RunAnalysis();
    fitPoints.clear();
    fitViews.clear();
    i0NinCurves.clear();
    ninNoutCurves.clear();
}

void PointSet::fitQuadratic(const QVector<double>& x, const QVector<double>& y,
                            QVector<double>& out)
{
    ::fitQuadratic(x, y, out);
}
