#include "analysis/quadraticfit.h"

#include "analysis/numarrays.h"

#include <algorithm>

void fitQuadratic(const QVector<double>& x, const QVector<double>& y, QVector<double>& out)
{
    double s2 = 0.0;
    double s3 = 0.0;
    double s4 = 0.0;
    double sxy = 0.0;
    double sx2y = 0.0;
    const int count = std::min(x.size(), y.size());
    for (int k = 0; k < count; ++k) {
        const double q = x[k] * x[k];
        s2 += q;
        s3 += q * x[k];
        s4 += (q * x[k]) * x[k];
        sxy += x[k] * y[k];
        sx2y += q * y[k];
    }

    NumArrays na;
    double** a = na.newMatrix(2);
    double* b = na.newVector(2);
    na.zeroMatrix(2, a);
    na.zeroVector(2, b);
    a[0][0] = s2;
    a[0][1] = s3;
    a[1][0] = s3;
    a[1][1] = s4;
    b[0] = sxy;
    b[1] = sx2y;

    double** l = na.newMatrix(2);
    double** u = na.newMatrix(2);
    double* t = na.newVector(2);
    double* z = na.newVector(2);
    int* perm = na.newIndexVector(2);

    na.luDecompose(2, a, l, u, perm);
    na.forwardSubstitute(2, l, b, t, perm);
    na.backSubstitute(2, u, t, z, perm);
    // The solution lies in physical row order.
    out.append(z[perm[0]]);
    out.append(z[perm[1]]);

    na.freeMatrix(2, a);
    na.freeMatrix(2, l);
    na.freeMatrix(2, u);
    na.freeVector(b);
    na.freeVector(t);
    na.freeVector(z);
    na.freeIndexVector(perm);
}
