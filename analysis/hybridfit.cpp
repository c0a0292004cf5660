#include "analysis/hybridfit.h"

#include "analysis/leastsquares.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Outcome = StageFit::Outcome;

// The deepest loss the curve may reach over the points, ln 100: it keeps 1 %
// of what arrives, as the pure models' bound has it.
constexpr double kDeepestLoss = 4.605170185988091;

// The caps and the settling test of the pure models' reweighted fits: they
// keep a file of anything from holding the fit for long.
constexpr int kMaxReweightings = 30;
constexpr int kMaxEvaluations = 200;
constexpr double kSettled = 1e-12;

// An interior minimum replaces the boundary one only where it lowers the
// chi-square (in counts) by more than this share of it, plus as much
// absolute: below that the two differ by rounding alone, and a pure curve
// must give its pure fit, not a part of 1e-17.
constexpr double kChiSquareResolution = 1e-9;

// In scaled units (the largest x and y are 1) the curve is
// v = a u exp(-bp u) / (1 + bn u) in both stages, bp and bn the two losses
// at the top point. The loss at u, bp u + ln(1 + bn u), or false where the
// curve means nothing (beyond the pole of the non-paralysable part, where
// exp overflows, or past the deepest loss).
bool lossAt(double bp, double bn, double u, double& loss)
{
    const double d = 1.0 + bn * u;
    if (!(d > 1e-12) || !(bp * u > -700.0))
        return false;
    loss = bp * u + std::log(d);
    return loss <= kDeepestLoss;
}

// exp(-loss) at every point for the coefficients the curve was last
// evaluated at, -1 where the curve means nothing: the solver takes its
// Jacobian, and the next pass its weights, where it last evaluated it.
struct CurveCache
{
    Eigen::VectorXd p;
    Eigen::VectorXd h;

    bool holds(const Eigen::VectorXd& at) const { return p.size() == at.size() && p == at; }
};

// exp(-loss) at u for p, or -1 beyond the curve's range.
double lossFactor(const Eigen::VectorXd& p, double u)
{
    double loss;
    return lossAt(p[1], p[2], u, loss) ? std::exp(-loss) : -1.0;
}

struct WeightedHybrid : Eigen::DenseFunctor<double>
{
    WeightedHybrid(const Eigen::VectorXd& u, const Eigen::VectorXd& v,
                   const Eigen::VectorXd& sqrtWeight, CurveCache& cache)
        : Eigen::DenseFunctor<double>(3, int(u.size())), u(u), v(v), sqrtWeight(sqrtWeight),
          cache(cache)
    {
    }

    int operator()(const Eigen::VectorXd& p, Eigen::VectorXd& r) const
    {
        cache.p.resize(0);
        cache.h.resize(u.size());
        for (Eigen::Index k = 0; k < u.size(); ++k) {
            const double h = lossFactor(p, u[k]);
            cache.h[k] = h;
            // A step beyond the curve's range looks far worse than any on
            // it, so the solver takes a shorter one.
            r[k] = h >= 0.0 ? sqrtWeight[k] * (v[k] - p[0] * u[k] * h)
                            : 1e8 * sqrtWeight[k] * (1.0 + std::abs(v[k]));
        }
        cache.p = p;
        return 0;
    }

    int df(const Eigen::VectorXd& p, Eigen::MatrixXd& jacobian) const
    {
        const bool cached = cache.holds(p);
        for (Eigen::Index k = 0; k < u.size(); ++k) {
            const double h = cached ? cache.h[k] : lossFactor(p, u[k]);
            if (h < 0.0) {
                jacobian.row(k).setZero();
                continue;
            }
            const double sw = sqrtWeight[k];
            jacobian(k, 0) = -sw * u[k] * h;
            jacobian(k, 1) = sw * p[0] * u[k] * u[k] * h;
            jacobian(k, 2) = sw * p[0] * u[k] * u[k] * h / (1.0 + p[2] * u[k]);
        }
        return 0;
    }

    const Eigen::VectorXd& u;
    const Eigen::VectorXd& v;
    const Eigen::VectorXd& sqrtWeight;
    CurveCache& cache;
};

// The curve's expectation at point k, or 0 beyond its range.
double expected(const Eigen::VectorXd& u, const Eigen::VectorXd& p, const CurveCache& cache,
                bool cached, Eigen::Index k)
{
    const double h = cached ? cache.h[k] : lossFactor(p, u[k]);
    return h >= 0.0 ? p[0] * u[k] * h : 0.0;
}

// Weighted least squares with Poisson weights t / f that follow the curve,
// pass after pass until it stops moving; false when the solver fails or the
// passes do not settle.
bool reweightedFitOver(const Eigen::VectorXd& u, const Eigen::VectorXd& v,
                       const Eigen::VectorXd& t, Eigen::VectorXd& p, CurveCache& cache)
{
    const Eigen::Index n = u.size();
    Eigen::VectorXd sqrtWeight(n);
    for (int pass = 0; pass < kMaxReweightings; ++pass) {
        const bool cached = cache.holds(p);
        for (Eigen::Index k = 0; k < n; ++k) {
            const double f = expected(u, p, cache, cached, k);
            // The floor only keeps a poor start finite.
            sqrtWeight[k] = std::sqrt(t[k]) / std::sqrt(std::max(f, 1e-12));
        }
        WeightedHybrid curve(u, v, sqrtWeight, cache);
        const Eigen::VectorXd before = p;
        if (!minimiseFrom(curve, p, kMaxEvaluations))
            return false;
        if (passesAgree(p, before, kSettled))
            return true;
    }
    return false;
}

// The curve a u exp(-bp u) / (1 + bn u) and its gradient, for scoreFrom.
bool scoredCurve(const Eigen::VectorXd& p, double u, double& f, Eigen::Vector3d& g)
{
    const double h = lossFactor(p, u);
    if (h < 0.0)
        return false;
    f = p[0] * u * h;
    g << u * h, -f * u, -f * u / (1.0 + p[2] * u);
    return true;
}

// The reweighted fit; over a large scan its passes run over an even
// subsample and Fisher scoring finishes over every point, as the pure
// models' fits do, the long way where that fails.
bool reweightedFit(const Eigen::VectorXd& u, const Eigen::VectorXd& v, const Eigen::VectorXd& t,
                   Eigen::VectorXd& p, CurveCache& cache)
{
    const auto passes = [](const Eigen::VectorXd& su, const Eigen::VectorXd& sv,
                           const Eigen::VectorXd& st, Eigen::VectorXd& q) {
        CurveCache sampled;
        return reweightedFitOver(su, sv, st, q, sampled);
    };
    return fitFromSubsample<3>(u, v, t, p, passes, &scoredCurve, kSettled) ||
           reweightedFitOver(u, v, t, p, cache);
}

// sum t (v - f)^2 / f in scaled units, or infinity where the curve leaves
// its range or expects no count.
double scaledChiSquare(const Eigen::VectorXd& u, const Eigen::VectorXd& v, const Eigen::VectorXd& t,
                       const Eigen::VectorXd& p, const CurveCache& cache)
{
    const bool cached = cache.holds(p);
    double chi2 = 0.0;
    for (Eigen::Index k = 0; k < u.size(); ++k) {
        const double f = expected(u, p, cache, cached, k);
        if (!(f > 0.0))
            return std::numeric_limits<double>::infinity();
        chi2 += t[k] * (v[k] - f) * (v[k] - f) / f;
    }
    return chi2;
}

using Jacobian3 = Eigen::Matrix<double, Eigen::Dynamic, 3>;


// The curve's figures at (A, tp, tn) over the points used: chi2, the worst
// point and the covariance of the three coefficients scaled by the reduced
// chi-square (A's, the constant's and the parts' errors). The outcome is
// NoInformation where the curve expects no count at a point or the normal
// matrix is singular.
//
// The Jacobian is taken in (A, tau, tn), tp = tau - tn: the constant's
// variance var tp + var tn + 2 cov is then read off the diagonal rather than
// summed from two large, nearly opposite terms, the parts being told apart
// only by the curve's bend. With r = (A or 1) x, h = exp(-r tp) / (1 + r tn)
// and f = A x h: df/dtau = -A x r h, df/dtn at fixed tau = A x r h r tn /
// (1 + r tn), and df/dA = x h, or in the input stage x h (1 - r (tp + tn /
// (1 + r tn))). At tn = 0 the last column vanishes, since the curve moves
// with tn^2 alone there: the third coefficient is then w = tn^2, df/dw =
// A x r^2 h / 2, and tn's error the square root of w's, how far the data
// let it go from 0.
void setFigures(StageFit& fit, bool input, const QVector<int>& used, const QVector<double>& x,
                const QVector<double>& y, const QVector<double>& time, double a, double tp,
                double tn)
{
    const int n = used.size();
    Jacobian3 jacobian(n, 3);
    double chi2 = 0.0;
    for (int j = 0; j < n; ++j) {
        const int k = used[j];
        const double r = (input ? a : 1.0) * x[k];
        const double d = 1.0 + r * tn;
        const double h = std::exp(-r * tp) / d;
        const double f = a * x[k] * h;
        const double tk = time.value(k, 1.0);
        if (!(f > 0.0) || !std::isfinite(f)) {
            fit.outcome = Outcome::NoInformation;
            return;
        }
        chi2 += tk * (y[k] - f) * (y[k] - f) / f;
        const double sw = std::sqrt(tk) / std::sqrt(f);
        jacobian(j, 0) = sw * x[k] * h * (input ? 1.0 - r * (tp + tn / d) : 1.0);
        jacobian(j, 1) = -sw * f * r;
        jacobian(j, 2) = sw * f * r * r * (tn > 0.0 ? tn : 0.5) / d;
        const double residual = (y[k] - f) / std::sqrt(f) * std::sqrt(tk);
        if (fit.worstPoint < 0 || std::abs(residual) > std::abs(fit.worstResidual)) {
            fit.worstPoint = k;
            fit.worstResidual = residual;
        }
    }
    Eigen::Matrix3d inverse;
    if (!inverseNormalMatrix(jacobian, inverse)) {
        fit.outcome = Outcome::NoInformation;
        return;
    }
    fit.outcome = Outcome::Fitted;
    fit.pointsFitted = n;
    fit.degreesOfFreedom = n - 3;
    fit.chiSquare = chi2;
    if (fit.degreesOfFreedom <= 0)
        return;
    fit.reducedChiSquare = chi2 / fit.degreesOfFreedom;
    const Eigen::Matrix3d c = inverse * fit.reducedChiSquare;
    fit.scaleError = standardError(c(0, 0));
    fit.constantError = standardError(c(1, 1));
    if (tn > 0.0) {
        fit.paralysablePartError = standardError(c(1, 1) + c(2, 2) - 2.0 * c(1, 2));
        fit.nonParalysablePartError = standardError(c(2, 2));
    } else {
        fit.paralysablePartError = fit.constantError;
        fit.nonParalysablePartError = std::sqrt(standardError(c(2, 2)));
    }
}

} // namespace

StageFit fitHybridStage(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                        const QVector<double>& time, const StageFit& paralysable,
                        const StageFit& nonParalysable)
{
    StageFit fit;
    fit.model = DeadTimeModel::Hybrid;
    QVector<int> used;
    fit.outcome = screenStagePoints(x, y, true, used);
    if (fit.outcome != Outcome::Fitted)
        return fit;

    // Three coefficients need three different x.
    double distinct[3];
    int kept = 0;
    for (int k : qAsConst(used)) {
        if (std::find(distinct, distinct + kept, x[k]) == distinct + kept)
            distinct[kept++] = x[k];
        if (kept == 3)
            break;
    }
    if (kept < 3) {
        fit.outcome = Outcome::NoInformation;
        return fit;
    }

    const int n = used.size();
    double xs = 0.0;
    double ys = 0.0;
    for (int k : qAsConst(used)) {
        xs = std::max(xs, x[k]);
        ys = std::max(ys, y[k]);
    }
    Eigen::VectorXd u(n);
    Eigen::VectorXd v(n);
    Eigen::VectorXd t(n);
    for (int j = 0; j < n; ++j) {
        u[j] = x[used[j]] / xs;
        v[j] = y[used[j]] / ys;
        t[j] = time.value(used[j], 1.0);
    }

    // Starts between the pure fits: the constant shared out between the two
    // parts, each a share of its pure fit's loss at the top point. Even
    // shares lead to the minimum of most scans; lopsided ones find it where
    // one part dominates and the other's direction is flat.
    const bool input = stage == DeadTimeStage::Input;
    struct Scaled
    {
        bool usable = false;
        double a = 0.0;
        double b = 0.0;
    };
    const auto scaled = [&](const StageFit& pure) {
        Scaled s;
        if (!pure.available())
            return s;
        s.a = pure.scale * xs / ys;
        s.b = std::max(pure.constant, 0.0) * (input ? pure.scale : 1.0) * xs;
        s.usable = s.a > 0.0 && std::isfinite(s.a) && std::isfinite(s.b);
        return s;
    };
    Scaled para = scaled(paralysable);
    Scaled non = scaled(nonParalysable);
    if (!para.usable && !non.usable) {
        // A moderate loss of either kind from the straight line.
        para = non = Scaled{true, v.sum() / u.sum(), 0.5};
    } else if (!para.usable) {
        para = non;
    } else if (!non.usable) {
        non = para;
    }

    // u is at most 1: the loss at the top point.
    const auto tooSteep = [](const Eigen::VectorXd& p) {
        return p[1] + std::log1p(p[2]) >= kDeepestLoss * (1 - 1e-3);
    };
    Eigen::VectorXd best;
    double lowest = std::numeric_limits<double>::infinity();
    bool settled = false;
    bool steep =
        paralysable.outcome == Outcome::TooSteep || nonParalysable.outcome == Outcome::TooSteep;
    CurveCache cache;
    for (double share : {0.5, 0.15, 0.85}) {
        Eigen::VectorXd p(3);
        p << share * para.a + (1.0 - share) * non.a, share * para.b, (1.0 - share) * non.b;
        if (!reweightedFit(u, v, t, p, cache))
            continue;
        settled = true;
        steep = steep || tooSteep(p);
        if (p[1] < 0.0 || p[2] < 0.0)
            continue;
        const double chi2 = scaledChiSquare(u, v, t, p, cache);
        if (chi2 < lowest) {
            lowest = chi2;
            best = p;
        }
        // A minimum with both parts inside the bounds is the one: the other
        // starts are for where the even one ends outside them or nowhere.
        if (!tooSteep(p))
            break;
    }

    // The feasible pure fit with the lower chi-square: the boundary.
    const StageFit* pure = nullptr;
    for (const StageFit* candidate : {&paralysable, &nonParalysable}) {
        if (candidate->available() && candidate->constant >= 0.0 &&
            std::isfinite(candidate->chiSquare) &&
            (!pure || candidate->chiSquare < pure->chiSquare))
            pure = candidate;
    }

    // The scaled chi-square is the physical one over ys.
    const bool interior =
        best.size() > 0 &&
        (!pure || lowest * ys < pure->chiSquare - kChiSquareResolution * (1.0 + pure->chiSquare));
    if (!interior && !pure) {
        // Nothing feasible: a curve that would lose more than the bound
        // allows, a minimum with a negative part (the counts rise at least
        // linearly), or none at all.
        fit.outcome = steep     ? Outcome::TooSteep
                      : settled ? Outcome::NoInformation
                                : Outcome::NotConverged;
        return fit;
    }
    if (interior) {
        if (tooSteep(best)) {
            fit.outcome = Outcome::TooSteep;
            return fit;
        }
        const double a = best[0] * ys / xs;
        const double rateScale = (input ? a : 1.0) * xs;
        fit.scale = a;
        fit.paralysablePart = best[1] / rateScale;
        fit.nonParalysablePart = best[2] / rateScale;
    } else {
        const bool onParalysable = pure == &paralysable;
        fit.scale = pure->scale;
        fit.paralysablePart = onParalysable ? pure->constant : 0.0;
        fit.nonParalysablePart = onParalysable ? 0.0 : pure->constant;
    }
    fit.constant = fit.paralysablePart + fit.nonParalysablePart;
    setFigures(fit, input, used, x, y, time, fit.scale, fit.paralysablePart,
               fit.nonParalysablePart);
    if (!fit.available()) {
        const Outcome outcome = fit.outcome;
        fit = StageFit();
        fit.model = DeadTimeModel::Hybrid;
        fit.outcome = outcome;
    } else if (!interior) {
        // The pure fit's own figures, bit for bit, where the curve is its.
        fit.chiSquare = pure->chiSquare;
        fit.worstPoint = pure->worstPoint;
        fit.worstResidual = pure->worstResidual;
        if (fit.degreesOfFreedom > 0)
            fit.reducedChiSquare = fit.chiSquare / fit.degreesOfFreedom;
    }
    return fit;
}
