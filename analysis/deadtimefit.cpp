#include "analysis/deadtimefit.h"

#include "analysis/quadraticfit.h"

DeadTimeFit fitDeadTimeConstants(const QVector<PointView>& points, int nChannels)
{
    DeadTimeFit fit;
    if (nChannels < 1)
        return fit;
    fit.tau0s.reserve(nChannels);
    fit.taus.reserve(nChannels);
    fit.i0NinFits.reserve(nChannels);
    fit.ninNoutFits.reserve(nChannels);

    const int n = points.size();
    QVector<double> x(n);
    QVector<double> y(n);
    for (int ch = 0; ch < nChannels; ++ch) {
        for (int j = 0; j < n; ++j) {
            x[j] = points[j].i0;
            y[j] = points[j].icr(ch);
        }
        QVector<double> a;
        fitQuadratic(x, y, a);
        fit.tau0s.append(-a[1] / a[0] / a[0]);
        fit.i0NinFits.append(a);

        for (int j = 0; j < n; ++j) {
            x[j] = points[j].icr(ch);
            y[j] = points[j].sca(ch);
        }
        QVector<double> c;
        fitQuadratic(x, y, c);
        fit.taus.append(-c[1] / c[0]);
        fit.ninNoutFits.append(c);
    }
    return fit;
}
