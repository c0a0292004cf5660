#pragma once

#include <Eigen/Dense>

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
