#pragma once

#include <QVector>

#include <limits>

// How far the coefficients of one least-squares quadratic through the
// origin, y = p1 x + p2 x^2, can be trusted, and how well the curve fits.
//
// The fit has unit weights (every point counts the same), so its
// covariance is the textbook one for ordinary least squares:
//
//     C = s^2 (X^T X)^-1,   s^2 = RSS / (n - 2),
//
// X being the n x 2 matrix with rows (x, x^2), RSS the sum of squared
// residuals y - p1 x - p2 x^2 and n - 2 the degrees of freedom left after
// two coefficients. The residuals are taken about the coefficients passed
// in (those of the window's solver), so s^2 belongs to the curve that is
// reported. The scatter is estimated from the data themselves, so the
// errors hold whatever the units of x and y.
//
// The reduced chi-square compares that scatter with counting statistics:
//
//     chi2/nu = sum (y - yfit)^2 / yfit / (n - 2),
//
// the Poisson variance of a count being its expected value (taken from the
// fitted curve). It reads y as a number of counts in one counting interval:
// near 1 the points scatter as counting allows, well above 1 they scatter
// more (a drifting beam, a bad point, a model that no longer holds). x is
// taken as exact.
//
// Nothing is available with fewer than three points (no degree of freedom
// is left for s^2), when X has not full rank (all x equal, all x zero) or
// when a value is not finite; the chi-square is not available either when a
// fitted value is not positive (no count can have that expectation).
struct QuadraticFitUncertainty
{
    static constexpr double notAvailable = std::numeric_limits<double>::quiet_NaN();

    bool available = false;
    // Residual variance s^2.
    double residualVariance = notAvailable;
    // The covariance matrix of (p1, p2).
    double varP1 = notAvailable;
    double varP2 = notAvailable;
    double covP1P2 = notAvailable;
    double reducedChiSquare = notAvailable;
};

// The uncertainty of the fit (p1, p2) over the pairs (x[k], y[k]); an x
// beyond the end of y is left out, as the fit leaves it out.
QuadraticFitUncertainty quadraticFitUncertainty(const QVector<double>& x, const QVector<double>& y,
                                                double p1, double p2);

// Standard error of tau0 = -p2 / p1 / p1, propagated to first order from
// the covariance: the gradient is (2 p2 / p1^3, -1 / p1^2). NaN when the
// covariance is not available.
double tau0StandardError(double p1, double p2, const QuadraticFitUncertainty& u);

// Standard error of tau = -p2 / p1; the gradient is (p2 / p1^2, -1 / p1).
double tauStandardError(double p1, double p2, const QuadraticFitUncertainty& u);
