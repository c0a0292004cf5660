#pragma once

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <cmath>

// (J^T J)^-1 for the N columns of J, or false when J has not full rank:
// the covariance of a least-squares fit before it is scaled. The columns
// are scaled to unit size first, since they differ by many decades.
template <int N>
bool inverseNormalMatrix(Eigen::Matrix<double, Eigen::Dynamic, N> jacobian,
                         Eigen::Matrix<double, N, N>& inverse)
{
    Eigen::Matrix<double, N, 1> scale;
    for (int c = 0; c < N; ++c) {
        scale[c] = jacobian.col(c).cwiseAbs().maxCoeff();
        if (!(scale[c] > 0.0) || !std::isfinite(scale[c]))
            return false;
        jacobian.col(c) /= scale[c];
    }
    const Eigen::ColPivHouseholderQR<Eigen::Matrix<double, Eigen::Dynamic, N>> qr(jacobian);
    if (qr.rank() < N)
        return false;
    // J P = Q R gives (J^T J)^-1 = P R^-1 R^-T P^T.
    using Square = Eigen::Matrix<double, N, N>;
    const Square upper = qr.matrixR().template topLeftCorner<N, N>().template triangularView<Eigen::Upper>();
    const Square rInv = upper.template triangularView<Eigen::Upper>().solve(Square::Identity());
    const Square p = qr.colsPermutation().toDenseMatrix().template cast<double>();
    inverse = p * (rInv * rInv.transpose()) * p.transpose();
    const Eigen::Matrix<double, N, 1> unscale = scale.cwiseInverse();
    inverse = unscale.asDiagonal() * inverse * unscale.asDiagonal();
    return inverse.allFinite();
}

// One Levenberg-Marquardt pass of curve from p, which receives the result:
// tolerances at the limit of double, at most maxEvaluations. False where
// the solver rejects the start or leaves a coefficient that is not finite.
template <class Functor>
bool minimiseFrom(Functor& curve, Eigen::VectorXd& p, int maxEvaluations)
{
    Eigen::LevenbergMarquardt<Functor> solver(curve);
    solver.setXtol(1e-15);
    solver.setFtol(1e-15);
    solver.setGtol(0.0);
    solver.setMaxfev(maxEvaluations);
    const auto status = solver.minimize(p);
    return status != Eigen::LevenbergMarquardtSpace::ImproperInputParameters && p.allFinite();
}

// Whether two passes of a reweighted fit agree to within settled: the
// scale p[0] relative to itself, the loss coefficients after it relative to
// themselves plus 1e-4 (the loss at the top point is of order one), so
// that one near 0 settles too.
inline bool passesAgree(const Eigen::VectorXd& p, const Eigen::VectorXd& before, double settled)
{
    if (std::abs(p[0] - before[0]) > settled * std::abs(p[0]))
        return false;
    for (Eigen::Index i = 1; i < p.size(); ++i)
        if (std::abs(p[i] - before[i]) > settled * (std::abs(p[i]) + 1e-4))
            return false;
    return true;
}
