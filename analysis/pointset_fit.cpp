#include "analysis/channelsummary.h"
#include "analysis/quadraticfit.h"
#include "analysis/runanalysis.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/pointset.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <utility>

namespace {

// A point as the user can find it again, in the words of the warnings it
// goes into: its place in the set and where it was read.
QString pointName(const QVector<AMeasP*>& points, int index)
{
    const AMeasP* p = points[index];
    QString name = QStringLiteral("point %1").arg(index + 1);
    if (p->originFile.isEmpty())
        return name;
    name += QStringLiteral(" (") + QDir::toNativeSeparators(p->originFile);
    if (p->originLine > 0)
        name += QStringLiteral(", line %1").arg(p->originLine);
    return name + QLatin1Char(')');
}

// The tool tip of one result field: the constant with its uncertainty, the
// exact models' constants beside it, the channel's warnings, and how many
// points the fit used.
QString resultToolTip(const QString& summary, const QStringList& exact, const QStringList& warnings,
                      int points)
{
    QStringList lines{summary};
    lines += exact;
    lines += warnings;
    lines << QCoreApplication::translate("PointSet", "Fitted over %1 points.").arg(points);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

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
    // The same fits, figures and checks veskor-fit reports, for the tool
    // tips; the constants are the quadratic's, the window's own.
    RunAnalysis run = analyseRun(views, nChannels, ModelChoice::Quadratic);
    QVector<QStringList> warnings(nChannels);
    for (const ChannelWarning& w : qAsConst(run.warnings)) {
        const QString text =
            channelWarningText(w, [this](int point) { return pointName(points, point); });
        // A warning about the whole set concerns every channel.
        for (int ch = 0; ch < nChannels; ++ch)
            if (w.channel < 0 || w.channel == ch)
                warnings[ch] << text;
    }
    const QVector<ChannelStats>& stats = run.stats;
    tau0s = std::move(run.fit.tau0s);
    taus = std::move(run.fit.taus);
    i0NinFits = std::move(run.fit.i0NinFits);
    ninNoutFits = std::move(run.fit.ninNoutFits);

    // Deleting a field also takes it out of its grid.
    qDeleteAll(tauFields);
    tauFields.clear();
    for (int i = 0; i < nChannels; ++i) {
        const ChannelStats& st = stats[i];
        LE* tau0Field = makeValueField(tau0s[i]);
        tau0Field->setToolTip(resultToolTip(
            constantSummary(ChannelWarning::Constant::Tau0, tau0s[i], st.tau0Error,
                            st.inputChiSquare),
            exactModelSummaries(run.models[i], DeadTimeStage::Input), warnings[i], points.size()));
        if (tau0sLayout)
            tau0sLayout->addWidget(tau0Field, 0, i);
        tauFields.append(tau0Field);
        LE* tauField = makeValueField(taus[i]);
        tauField->setToolTip(resultToolTip(
            constantSummary(ChannelWarning::Constant::Tau, taus[i], st.tauError,
                            st.outputChiSquare),
            exactModelSummaries(run.models[i], DeadTimeStage::Output), warnings[i], points.size()));
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
