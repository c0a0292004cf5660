#include "analysis/fituncertainty.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace {

// Variance of g^T (p1, p2) for the gradient g; negative rounding noise
// on a variance that is really zero comes out as zero, never as NaN.
double propagatedError(double g1, double g2, const QuadraticFitUncertainty& u)
{
    if (!u.available)
        return QuadraticFitUncertainty::notAvailable;
    const double var = g1 * g1 * u.varP1 + 2 * g1 * g2 * u.covP1P2 + g2 * g2 * u.varP2;
    return std::sqrt(std::max(var, 0.0));
}

} // namespace

QuadraticFitUncertainty quadraticFitUncertainty(const QVector<double>& x, const QVector<double>& y,
                                                double p1, double p2)
{
    QuadraticFitUncertainty u;
    const int n = std::min(x.size(), y.size());
    if (n < 3 || !std::isfinite(p1) || !std::isfinite(p2))
        return u;

    double xMax = 0.0;
    for (int k = 0; k < n; ++k) {
        if (!std::isfinite(x[k]) || !std::isfinite(y[k]))
            return u;
        xMax = std::max(xMax, std::abs(x[k]));
    }
    if (xMax == 0.0)
        return u;

    // x^2 spans twice the decades of x: each column is scaled to a largest
    // magnitude of 1 before the decomposition, and the scale is put back
    // into the covariance afterwards.
    Eigen::MatrixX2d design(n, 2);
    for (int k = 0; k < n; ++k) {
        const double s = x[k] / xMax;
        design(k, 0) = s;
        design(k, 1) = s * s;
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixX2d> qr(design);
    if (qr.rank() < 2)
        return u;

    // X P = Q R gives (X^T X)^-1 = P R^-1 R^-T P^T.
    const Eigen::Matrix2d upper = qr.matrixR().topLeftCorner<2, 2>().triangularView<Eigen::Upper>();
    const Eigen::Matrix2d rInv =
        upper.triangularView<Eigen::Upper>().solve(Eigen::Matrix2d::Identity());
    const Eigen::Matrix2d pivoted = rInv * rInv.transpose();
    const Eigen::Matrix2d p = qr.colsPermutation().toDenseMatrix().cast<double>();
    Eigen::Matrix2d inverse = p * pivoted * p.transpose();
    const Eigen::Vector2d unscale(1.0 / xMax, 1.0 / (xMax * xMax));
    inverse = unscale.asDiagonal() * inverse * unscale.asDiagonal();

    double rss = 0.0;
    double chi2 = 0.0;
    bool countable = true;
    for (int k = 0; k < n; ++k) {
        const double fitted = p1 * x[k] + p2 * x[k] * x[k];
        const double residual = y[k] - fitted;
        rss += residual * residual;
        if (fitted > 0.0)
            chi2 += residual * residual / fitted;
        else
            countable = false;
    }
    const int dof = n - 2;
    u.residualVariance = rss / dof;
    u.varP1 = u.residualVariance * inverse(0, 0);
    u.varP2 = u.residualVariance * inverse(1, 1);
    u.covP1P2 = u.residualVariance * inverse(0, 1);
    u.available = std::isfinite(u.varP1) && std::isfinite(u.varP2) && std::isfinite(u.covP1P2);
    if (!u.available)
        return QuadraticFitUncertainty();
    if (countable)
        u.reducedChiSquare = chi2 / dof;
    return u;
}

double tau0StandardError(double p1, double p2, const QuadraticFitUncertainty& u)
{
    return propagatedError(2 * p2 / (p1 * p1 * p1), -1 / (p1 * p1), u);
}

double tauStandardError(double p1, double p2, const QuadraticFitUncertainty& u)
{
    return propagatedError(p2 / (p1 * p1), -1 / p1, u);
}
