#include "analysis/deadtimefit.h"

#include "analysis/channelthreads.h"
#include "analysis/quadraticfit.h"

DeadTimeFit fitDeadTimeConstants(const QVector<PointView>& points, int nChannels)
{
    DeadTimeFit fit;
    if (nChannels < 1)
        return fit;
    fit.tau0s.resize(nChannels);
    fit.taus.resize(nChannels);
    fit.i0NinFits.resize(nChannels);
    fit.ninNoutFits.resize(nChannels);

    // Channel by channel as the window fits them; each on its own, so a
    // large scan's channels share the machine's cores.
    const int n = points.size();
    double* tau0s = fit.tau0s.data();
    double* taus = fit.taus.data();
    QVector<double>* i0NinFits = fit.i0NinFits.data();
    QVector<double>* ninNoutFits = fit.ninNoutFits.data();
    forEachChannel(
        nChannels,
        [&](int ch) {
            QVector<double> x(n);
            QVector<double> y(n);
            for (int j = 0; j < n; ++j) {
                x[j] = points[j].i0;
                y[j] = points[j].icr(ch);
            }
            QVector<double> a;
            fitQuadratic(x, y, a);
            tau0s[ch] = -a[1] / a[0] / a[0];
            i0NinFits[ch] = a;

            for (int j = 0; j < n; ++j) {
                x[j] = points[j].icr(ch);
                y[j] = points[j].sca(ch);
            }
            QVector<double> c;
            fitQuadratic(x, y, c);
            taus[ch] = -c[1] / c[0];
            ninNoutFits[ch] = c;
        },
        n >= kThreadedQuadraticPoints);
    return fit;
}
