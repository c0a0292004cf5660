#include "analysis/channelstats.h"

#include "analysis/channelthreads.h"
#include "analysis/fituncertainty.h"

#include <limits>

QVector<ChannelStats> channelStats(const QVector<PointView>& points, const DeadTimeFit& fit)
{
    const int nChannels = fit.tau0s.size();
    const int n = points.size();
    QVector<ChannelStats> all(nChannels);
    ChannelStats* results = all.data();
    forEachChannel(
        nChannels,
        [&](int ch) {
            QVector<double> i0s(n);
            QVector<double> icrs(n);
            QVector<double> scas(n);
            double highest = -std::numeric_limits<double>::infinity();
            for (int j = 0; j < n; ++j) {
                i0s[j] = points[j].i0;
                icrs[j] = points[j].icr(ch);
                scas[j] = points[j].sca(ch);
                if (icrs[j] > highest)
                    highest = icrs[j];
            }
            if (n == 0)
                highest = QuadraticFitUncertainty::notAvailable;

            const double a1 = fit.i0NinFits[ch][0];
            const double a2 = fit.i0NinFits[ch][1];
            const double c1 = fit.ninNoutFits[ch][0];
            const double c2 = fit.ninNoutFits[ch][1];
            const QuadraticFitUncertainty in = quadraticFitUncertainty(i0s, icrs, a1, a2);
            const QuadraticFitUncertainty out = quadraticFitUncertainty(icrs, scas, c1, c2);

            ChannelStats& s = results[ch];
            s.tau0Error = tau0StandardError(a1, a2, in);
            s.tauError = tauStandardError(c1, c2, out);
            s.inputChiSquare = in.reducedChiSquare;
            s.outputChiSquare = out.reducedChiSquare;
            s.highestIcr = highest;
            s.tau0Fraction = fit.tau0s[ch] * highest;
            s.tauFraction = fit.taus[ch] * highest;
        },
        n >= kThreadedQuadraticPoints);
    return all;
}
