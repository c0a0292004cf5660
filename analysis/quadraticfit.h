#pragma once

#include <QVector>

// Least squares of the quadratic through the origin, y = p1 x + p2 x^2, over
// the pairs (x[k], y[k]). Appends p1 and then p2 to out; whatever out held
// before stays in front of them.
//
// The 2 x 2 normal equations are solved by LU decomposition with partial
// pivoting (NumArrays), with the sums taken in index order, so every caller
// (the window, the command-line tool) gets the very same bits. A singular
// system (no pairs, all x equal, all x zero) is not detected: the
// coefficients then come out NaN, infinite or meaningless.
//
// Pairs need both values: an x beyond the end of y is left out.
void fitQuadratic(const QVector<double>& x, const QVector<double>& y, QVector<double>& out);
