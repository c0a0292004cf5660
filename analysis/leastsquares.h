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

// A reweighted fit over more points than this starts over an even
// subsample of them and is finished over all by scoreFrom, which settles
// from there in a few steps (at most kMaxScoringSteps).
constexpr Eigen::Index kSampledPoints = 1 << 14;
constexpr int kMaxScoringSteps = 50;

// Every stride-th value of x from the first, stride the least that leaves
// at most kSampledPoints of them: an even subsample, whatever order the
// points came in.
inline Eigen::VectorXd evenSubsample(const Eigen::VectorXd& x, Eigen::Index most = kSampledPoints)
{
    const Eigen::Index stride = (x.size() + most - 1) / most;
    Eigen::VectorXd sampled((x.size() + stride - 1) / stride);
    for (Eigen::Index j = 0; j < sampled.size(); ++j)
        sampled[j] = x[j * stride];
    return sampled;
}

// Finishes a Poisson-weighted fit from a start close to its minimum by
// Fisher scoring: each step solves the normal equations with the weights
// t / f of the curve at the current coefficients, in one pass over the
// points and without an n-by-N matrix. Its fixed point is the reweighted
// fit's, both solving sum t (v - f) / f df/dp = 0 (the maximum of the Poisson
// likelihood). A step is taken where it lowers the score's size in the
// normal matrix's metric (s^T A^-1 s), else halved; one too short to count
// (passesAgree) ends the fit. curve(p, u, f, g) sets the curve's value f and
// gradient g at u and returns false outside its range. p holds the start
// and receives the result; false when the curve leaves its range or
// expects no count at the start, or the steps do not settle within
// maxSteps.
template <int N, class Curve>
bool scoreFrom(const Curve& curve, const Eigen::VectorXd& u, const Eigen::VectorXd& v,
               const Eigen::VectorXd& t, Eigen::VectorXd& p, double settled, int maxSteps);

// A large scan's reweighted fit in two steps: passes(u, v, t, p), the
// reweighted passes, over an even subsample, then scoreFrom over every
// point from there. p holds the start and receives the result; false where
// the scan has no more than kSampledPoints points or either step fails,
// and the caller's passes over every point are to run instead.
template <int N, class Passes, class Curve>
bool fitFromSubsample(const Eigen::VectorXd& u, const Eigen::VectorXd& v, const Eigen::VectorXd& t,
                      Eigen::VectorXd& p, const Passes& passes, const Curve& curve,
                      double settled)
{
    if (u.size() <= kSampledPoints)
        return false;
    Eigen::VectorXd q = p;
    if (!passes(evenSubsample(u), evenSubsample(v), evenSubsample(t), q) ||
        !scoreFrom<N>(curve, u, v, t, q, settled, kMaxScoringSteps))
        return false;
    p = q;
    return true;
}

template <int N, class Curve>
bool scoreFrom(const Curve& curve, const Eigen::VectorXd& u, const Eigen::VectorXd& v,
               const Eigen::VectorXd& t, Eigen::VectorXd& p, double settled, int maxSteps)
{
    using Vector = Eigen::Matrix<double, N, 1>;
    using Matrix = Eigen::Matrix<double, N, N>;
    // Directions whose information is below this share of the largest
    // (with the coefficients scaled to a unit diagonal) are fixed no better
    // than rounding fixes them: no step is taken along them. The hybrid
    // curve has one where one of its parts is near 0, since its two losses
    // then move the curve alike.
    constexpr double kResolved = 1e-9;
    constexpr int kHalvings = 30;
    struct Pass
    {
        Vector step;
        double decrement = 0.0;
    };
    // The step A^-1 s at the coefficients at, and s^T A^-1 s.
    const auto evaluate = [&](const Eigen::VectorXd& at, Pass& pass) {
        Matrix normal = Matrix::Zero();
        Vector score = Vector::Zero();
        Vector g;
        for (Eigen::Index k = 0; k < u.size(); ++k) {
            double f;
            if (!curve(at, u[k], f, g) || !(f > 0.0))
                return false;
            const double w = t[k] / f;
            normal.noalias() += w * g * g.transpose();
            score.noalias() += w * (v[k] - f) * g;
        }
        const Vector diagonal = normal.diagonal();
        if (!normal.allFinite() || !score.allFinite() || !(diagonal.minCoeff() > 0.0))
            return false;
        const Vector unit = diagonal.cwiseSqrt().cwiseInverse();
        const Eigen::SelfAdjointEigenSolver<Matrix> eigen(unit.asDiagonal() * normal *
                                                          unit.asDiagonal());
        if (eigen.info() != Eigen::Success)
            return false;
        const Vector values = eigen.eigenvalues();
        Vector inverse;
        for (int i = 0; i < N; ++i)
            inverse[i] = values[i] > kResolved * values.maxCoeff() ? 1.0 / values[i] : 0.0;
        const Vector scaled = eigen.eigenvectors().transpose() * (unit.asDiagonal() * score);
        pass.step = unit.asDiagonal() * (eigen.eigenvectors() * inverse.asDiagonal() * scaled);
        pass.decrement = scaled.dot(inverse.asDiagonal() * scaled);
        return pass.step.allFinite() && std::isfinite(pass.decrement);
    };
    Pass here;
    if (!evaluate(p, here))
        return false;
    for (int step = 0; step < maxSteps; ++step) {
        Eigen::VectorXd next = p + here.step;
        if (passesAgree(next, p, settled)) {
            p = next;
            return true;
        }
        Pass there;
        bool taken = false;
        double length = 1.0;
        for (int h = 0; h < kHalvings && !taken; ++h, length /= 2) {
            next = p + length * here.step;
            taken = evaluate(next, there) && there.decrement < here.decrement;
        }
        if (!taken)
            return false;
        p = next;
        here = there;
    }
    return false;
}
