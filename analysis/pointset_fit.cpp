#include "analysis/channelchecks.h"
#include "analysis/channelstats.h"
#include "analysis/channelsummary.h"
#include "analysis/deadtimefit.h"
#include "analysis/quadraticfit.h"
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
// channel's warnings, and how many points the fit used.
QString resultToolTip(const QString& summary, const QStringList& warnings, int points)
{
    QStringList lines{summary};
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
    DeadTimeFit fit = fitDeadTimeConstants(views, nChannels);
    // The same figures and checks veskor-fit reports, for the tool tips.
    const QVector<ChannelStats> stats = channelStats(views, fit);
    QVector<QStringList> warnings(nChannels);
    for (const ChannelWarning& w : checkChannels(views, fit, stats))
        warnings[w.channel] << channelWarningText(
            w, [this](int point) { return pointName(points, point); });
    tau0s = std::move(fit.tau0s);
    taus = std::move(fit.taus);
    i0NinFits = std::move(fit.i0NinFits);
    ninNoutFits = std::move(fit.ninNoutFits);

    // Deleting a field also takes it out of its grid.
    qDeleteAll(tauFields);
    tauFields.clear();
    for (int i = 0; i < nChannels; ++i) {
        const ChannelStats& st = stats[i];
        LE* tau0Field = makeValueField(tau0s[i]);
        tau0Field->setToolTip(
            resultToolTip(constantSummary(ChannelWarning::Constant::Tau0, tau0s[i], st.tau0Error,
                                          st.inputChiSquare),
                          warnings[i], points.size()));
        if (tau0sLayout)
            tau0sLayout->addWidget(tau0Field, 0, i);
        tauFields.append(tau0Field);
        LE* tauField = makeValueField(taus[i]);
        tauField->setToolTip(resultToolTip(constantSummary(ChannelWarning::Constant::Tau, taus[i],
                                                           st.tauError, st.outputChiSquare),
                                           warnings[i], points.size()));
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
