#include "analysis/numarrays.h"

#include <cmath>
#include <utility>

double** NumArrays::newMatrix(int n)
{
    // Value-initialised, so a matrix whose row allocation fails half-way can
    // still be freed row by row.
    double** m = new double*[n]();
    for (int r = 0; r < n; ++r)
        m[r] = new double[n];
    return m;
}

double* NumArrays::newVector(int n)
{
    return new double[n];
}

int* NumArrays::newIndexVector(int n)
{
    return new int[n];
}

void NumArrays::zeroMatrix(int n, double** m)
{
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            m[r][c] = 0.0;
}

void NumArrays::zeroVector(int n, double* v)
{
    for (int i = 0; i < n; ++i)
        v[i] = 0.0;
}

void NumArrays::luDecompose(int n, const double* const* a, double** l, double** u, int* perm)
{
    if (n <= 0)
        return;
    for (int i = 0; i < n; ++i)
        perm[i] = i;
    // L is the work matrix during the elimination.
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            l[r][c] = a[r][c];

    for (int k = 0; k < n; ++k) {
        // The first of equal largest magnitudes wins, and a NaN compares
        // false, so it never becomes the pivot.
        double best = -1e300;
        int pivot = k;
        for (int r = k; r < n; ++r) {
            const double v = std::fabs(l[perm[r]][k]);
            if (v > best) {
                pivot = r;
                best = v;
            }
        }
        std::swap(perm[k], perm[pivot]);

        const int pr = perm[k];
        double d = l[pr][k];
        if (d == 0.0)
            d = 1.0;
        if (k == n - 1)
            break;
        for (int j = k + 1; j < n; ++j) {
            const int q = perm[j];
            const double f = l[q][k] / d;
            l[q][k] = f;
            for (int c = k + 1; c < n; ++c)
                l[q][c] = l[q][c] - l[pr][c] * f;
        }
    }

    // Below the diagonal L keeps the multipliers; the rest moves to U.
    for (int m = 0; m < n; ++m) {
        const int pr = perm[m];
        for (int c = 0; c < n; ++c) {
            if (c < m) {
                u[pr][c] = 0.0;
            } else {
                u[pr][c] = l[pr][c];
                l[pr][c] = (c == m) ? 1.0 : 0.0;
            }
        }
    }
}

void NumArrays::forwardSubstitute(int n, const double* const* l, const double* b, double* y,
                                  const int* perm)
{
    if (n <= 0)
        return;
    for (int i = 0; i < n; ++i)
        y[i] = b[i];
    // The last logical row is not divided: L's diagonal is 1.
    for (int k = 0; k < n - 1; ++k) {
        const int p = perm[k];
        y[p] = y[p] / l[p][k];
        for (int j = k + 1; j < n; ++j) {
            const int q = perm[j];
            y[q] = y[q] - y[p] * l[q][k];
        }
    }
}

void NumArrays::backSubstitute(int n, const double* const* u, const double* y, double* x,
                               const int* perm)
{
    if (n <= 0)
        return;
    for (int i = 0; i < n; ++i)
        x[i] = y[i];
    for (int k = n - 1; k >= 0; --k) {
        const int p = perm[k];
        x[p] = x[p] / u[p][k];
        for (int j = k - 1; j >= 0; --j) {
            const int q = perm[j];
            x[q] = x[q] - x[p] * u[q][k];
        }
    }
}

void NumArrays::freeMatrix(int n, double** m)
{
    if (!m)
        return;
    for (int r = 0; r < n; ++r)
        delete[] m[r];
    delete[] m;
}

void NumArrays::freeVector(double* v)
{
    delete[] v;
}

void NumArrays::freeIndexVector(int* v)
{
    delete[] v;
}
