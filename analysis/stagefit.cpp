#include "analysis/stagefit.h"

#include "analysis/leastsquares.h"

#include "analysis/quadraticfit.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

using Outcome = StageFit::Outcome;

// The deepest loss a curve may reach over the points: the detector keeps
// 1 % of what arrives (exp(-z) or 1 / (1 + z) = 0.01), which no scan is made
// at. Without the bound a scan over too narrow a range, whose counts may
// fall as often as rise, is fitted far down the falling side of a
// paralysable curve or deep in the saturation of a non-paralysable one,
// with a meaningless constant; a fit that ends at the bound has no minimum
// short of it.
constexpr double kDeepestParalysableLoss = 4.605170185988091; // ln 100
constexpr double kDeepestNonParalysableLoss = 99.0;

// The loss h(z) of an exact model and its derivative. Outside the range
// where the curve means anything (beyond the pole of the non-paralysable
// one, or where exp(-z) overflows) valid() is false.
struct Loss
{
    DeadTimeModel model;

    double deepest() const
    {
        return model == DeadTimeModel::Paralyzable ? kDeepestParalysableLoss
                                                   : kDeepestNonParalysableLoss;
    }
    bool valid(double z) const
    {
        return (model == DeadTimeModel::Paralyzable ? z > -700.0 : 1.0 + z > 1e-12) &&
               z <= deepest();
    }
    double h(double z) const
    {
        return model == DeadTimeModel::Paralyzable ? std::exp(-z) : 1.0 / (1.0 + z);
    }
    double dh(double z) const
    {
        if (model == DeadTimeModel::Paralyzable)
            return -std::exp(-z);
        return -1.0 / ((1.0 + z) * (1.0 + z));
    }
};

// The points a fit can use, or why there are not enough of them. Exact
// models need x > 0 (a point at x = 0 expects no count and so has no
// weight); the quadratic leaves out only x = 0, which adds nothing to its
// sums anyway.
} // namespace

Outcome screenStagePoints(const QVector<double>& x, const QVector<double>& y, bool exact,
                          QVector<int>& used)
{
    const int n = std::min(x.size(), y.size());
    for (int k = 0; k < n; ++k)
        if (!std::isfinite(x[k]) || !std::isfinite(y[k]))
            return Outcome::NotFinite;
    bool distinct = false;
    bool counted = false;
    for (int k = 0; k < n; ++k) {
        if (exact ? !(x[k] > 0.0) : x[k] == 0.0)
            continue;
        if (!used.isEmpty() && x[k] != x[used.first()])
            distinct = true;
        counted = counted || (exact ? y[k] > 0.0 : y[k] != 0.0);
        used.append(k);
    }
    if (!distinct)
        return Outcome::Singular;
    return counted ? Outcome::Fitted : Outcome::NoCounts;
}

double standardError(double variance)
{
    const double e = std::sqrt(std::max(variance, 0.0));
    return std::isfinite(e) ? e : StageFit::notAvailable;
}

namespace {

// exp(-z) at every point for the coefficients the paralysable curve was
// last evaluated at. The solver takes its Jacobian, and the next pass its
// weights, where it last evaluated the curve: the same values, computed
// once.
struct CurveCache
{
    Eigen::VectorXd p;
    Eigen::VectorXd h;

    bool holds(const Eigen::VectorXd& at) const { return p.size() == at.size() && p == at; }
};

// The weighted least-squares problem of one pass: residuals
// sqrt(w) (v - a u h(b u)) over the points, in units scaled so that the
// largest x and y are 1 and a, b are of order one.
struct WeightedCurve : Eigen::DenseFunctor<double>
{
    WeightedCurve(const Loss& loss, const Eigen::VectorXd& u, const Eigen::VectorXd& v,
                  const Eigen::VectorXd& sqrtWeight, CurveCache& cache)
        : Eigen::DenseFunctor<double>(2, int(u.size())), loss(loss), u(u), v(v),
          sqrtWeight(sqrtWeight), cache(cache)
    {
    }

    int operator()(const Eigen::VectorXd& p, Eigen::VectorXd& r) const
    {
        const bool keep = loss.model == DeadTimeModel::Paralyzable;
        if (keep) {
            cache.p.resize(0);
            cache.h.resize(u.size());
        }
        for (Eigen::Index k = 0; k < u.size(); ++k) {
            const double z = p[1] * u[k];
            // A step beyond the curve's range is made to look far worse
            // than any on it, so the solver takes a shorter one.
            if (loss.valid(z)) {
                const double h = loss.h(z);
                if (keep)
                    cache.h[k] = h;
                r[k] = sqrtWeight[k] * (v[k] - p[0] * u[k] * h);
            } else {
                r[k] = 1e8 * sqrtWeight[k] * (1.0 + std::abs(v[k]));
            }
        }
        if (keep)
            cache.p = p;
        return 0;
    }

    int df(const Eigen::VectorXd& p, Eigen::MatrixXd& jacobian) const
    {
        // Paralysable: h' = -h.
        const bool cached = cache.holds(p);
        for (Eigen::Index k = 0; k < u.size(); ++k) {
            const double z = p[1] * u[k];
            if (!loss.valid(z)) {
                jacobian(k, 0) = jacobian(k, 1) = 0.0;
                continue;
            }
            const double h = cached ? cache.h[k] : loss.h(z);
            const double dh = cached ? -cache.h[k] : loss.dh(z);
            jacobian(k, 0) = -sqrtWeight[k] * u[k] * h;
            jacobian(k, 1) = -sqrtWeight[k] * p[0] * u[k] * u[k] * dh;
        }
        return 0;
    }

    const Loss& loss;
    const Eigen::VectorXd& u;
    const Eigen::VectorXd& v;
    const Eigen::VectorXd& sqrtWeight;
    CurveCache& cache;
};

// The curve's expectation a u h(b u) at point k, or 0 beyond its range.
double expected(const Loss& loss, const Eigen::VectorXd& u, const Eigen::VectorXd& p,
                const CurveCache& cache, bool cached, Eigen::Index k)
{
    const double z = p[1] * u[k];
    if (!loss.valid(z))
        return 0.0;
    return p[0] * u[k] * (cached ? cache.h[k] : loss.h(z));
}

// The standardised residual of y against its expectation f > 0.
double standardised(double y, double f)
{
    return (y - f) / std::sqrt(f);
}

void findWorstPoint(StageFit& fit, const QVector<int>& points, const QVector<double>& x,
                    const QVector<double>& y, const QVector<double>& time,
                    const std::function<double(double)>& curve)
{
    for (int k : points) {
        const double f = curve(x[k]);
        if (!(f > 0.0))
            continue;
        const double r = standardised(y[k], f) * std::sqrt(time.value(k, 1.0));
        if (fit.worstPoint < 0 || std::abs(r) > std::abs(fit.worstResidual)) {
            fit.worstPoint = k;
            fit.worstResidual = r;
        }
    }
}

// The scale and the constant with their standard errors, from the
// covariance of (A, constant) and A.
void setConstant(StageFit& fit, double a, double constant, const Eigen::Matrix2d* covariance)
{
    fit.scale = a;
    fit.constant = constant;
    if (!covariance)
        return;
    fit.scaleError = standardError((*covariance)(0, 0));
    fit.constantError = standardError((*covariance)(1, 1));
}

// Sound scans settle in under ten passes of under fifteen evaluations
// each, random numbers in about twenty of twenty; the bounds keep a file of
// anything from holding the fit for long.
constexpr int kMaxReweightings = 30;
constexpr int kMaxEvaluations = 200;
// Two passes whose coefficients agree this closely have converged: the
// weights no longer move the curve.
constexpr double kSettled = 1e-12;

// Weighted least squares with Poisson weights that follow the curve: each
// pass fits with the weights of the curve before it, until the curve stops
// moving. p holds the start and receives the result; false when the solver
// fails or the passes do not settle.
bool reweightedFitOver(const Loss& loss, const Eigen::VectorXd& u, const Eigen::VectorXd& v,
                       const Eigen::VectorXd& t, Eigen::VectorXd& p, CurveCache& cache)
{
    const Eigen::Index n = u.size();
    Eigen::VectorXd sqrtWeight(n);
    for (int pass = 0; pass < kMaxReweightings; ++pass) {
        // A count's variance is its expectation. The floor only keeps a
        // poor start finite.
        const bool cached = cache.holds(p);
        for (Eigen::Index k = 0; k < n; ++k) {
            const double f = expected(loss, u, p, cache, cached, k);
            sqrtWeight[k] = std::sqrt(t[k]) / std::sqrt(std::max(f, 1e-12));
        }
        WeightedCurve curve(loss, u, v, sqrtWeight, cache);
        const Eigen::VectorXd before = p;
        if (!minimiseFrom(curve, p, kMaxEvaluations))
            return false;
        if (passesAgree(p, before, kSettled))
            return true;
    }
    return false;
}

// The curve a u h(b u) and its gradient in (a, b), for scoreFrom.
struct ScoredCurve
{
    const Loss& loss;

    bool operator()(const Eigen::VectorXd& p, double u, double& f, Eigen::Vector2d& g) const
    {
        const double z = p[1] * u;
        if (!loss.valid(z))
            return false;
        const double h = loss.h(z);
        f = p[0] * u * h;
        // Paralysable: h' = -h, without a second exp.
        const double dh = loss.model == DeadTimeModel::Paralyzable ? -h : loss.dh(z);
        g << u * h, p[0] * u * u * dh;
        return true;
    }
};

// The reweighted fit; over a large scan in two steps: its passes over an
// even subsample, then Fisher scoring over every point from there, which
// settles in a few passes over them where the reweighted passes would take
// many LM evaluations each. The same minimum; up to kSampledPoints the
// passes run over every point, as they always did. Where the short way
// fails the long one is taken.
bool reweightedFit(const Loss& loss, const Eigen::VectorXd& u, const Eigen::VectorXd& v,
                   const Eigen::VectorXd& t, Eigen::VectorXd& p, CurveCache& cache)
{
    const auto passes = [&](const Eigen::VectorXd& su, const Eigen::VectorXd& sv,
                            const Eigen::VectorXd& st, Eigen::VectorXd& q) {
        CurveCache sampled;
        return reweightedFitOver(loss, su, sv, st, q, sampled);
    };
    return fitFromSubsample<2>(u, v, t, p, passes, ScoredCurve{loss}, kSettled) ||
           reweightedFitOver(loss, u, v, t, p, cache);
}

// sum t (v - f)^2 / f over the points, or infinity where the curve leaves
// its range or expects no count.
double normalisedChiSquare(const Loss& loss, const Eigen::VectorXd& u, const Eigen::VectorXd& v,
                           const Eigen::VectorXd& t, const Eigen::VectorXd& p,
                           const CurveCache& cache)
{
    const bool cached = cache.holds(p);
    double chi2 = 0.0;
    for (Eigen::Index k = 0; k < u.size(); ++k) {
        const double f = expected(loss, u, p, cache, cached, k);
        if (!(f > 0.0))
            return std::numeric_limits<double>::infinity();
        chi2 += t[k] * (v[k] - f) * (v[k] - f) / f;
    }
    return chi2;
}

} // namespace

QString modelName(DeadTimeModel model)
{
    switch (model) {
    case DeadTimeModel::Quadratic:
        return QStringLiteral("quadratic");
    case DeadTimeModel::Paralyzable:
        return QStringLiteral("paralyzable");
    case DeadTimeModel::NonParalyzable:
        return QStringLiteral("nonparalyzable");
    case DeadTimeModel::Hybrid:
        return QStringLiteral("hybrid");
    }
    return QString();
}

QString outcomeText(const StageFit& fit, DeadTimeStage stage)
{
    const QString x = stage == DeadTimeStage::Input ? QStringLiteral("I0") : QStringLiteral("ICR");
    const QString y = stage == DeadTimeStage::Input ? QStringLiteral("ICR") : QStringLiteral("SCA");
    const bool exact = fit.model != DeadTimeModel::Quadratic;
    switch (fit.outcome) {
    case Outcome::Fitted:
        return QString();
    case Outcome::NotFinite:
        return QStringLiteral("a value is not a finite number");
    case Outcome::Singular:
        return exact ? QStringLiteral("fewer than two different %1 values above 0").arg(x)
                     : QStringLiteral("fewer than two different %1 values other than 0").arg(x);
    case Outcome::NoCounts:
        return QStringLiteral("no %1 count above 0").arg(y);
    case Outcome::NotConverged:
        return QStringLiteral("the %1 fit did not converge").arg(modelName(fit.model));
    case Outcome::TooSteep:
        return QStringLiteral("the best %1 curve loses more than 99 %2 of the counts at the top "
                              "point")
            .arg(modelName(fit.model), QStringLiteral("%"));
    case Outcome::NoInformation:
        return QStringLiteral("the points do not fix the %1 curve's coefficients")
            .arg(modelName(fit.model));
    }
    return QString();
}

StageFit::Undetermined determination(const StageFit& fit)
{
    using U = StageFit::Undetermined;
    // A range too narrow says why whatever the fit made of it.
    if (!(fit.highestX >= kMinSpan * fit.lowestX))
        return U::NarrowRange;
    if (!fit.available())
        return U::FitFailed;
    if (!(fit.constantError <= kMaxRelativeError * std::abs(fit.constant)))
        return U::LargeError;
    return U::No;
}

QString fitModelName(const StageFit& fit)
{
    return fit.averaged ? QStringLiteral("mean") : modelName(fit.model);
}

QString undeterminedText(const StageFit& fit, DeadTimeStage stage)
{
    const QString x = stage == DeadTimeStage::Input ? QStringLiteral("I0") : QStringLiteral("ICR");
    switch (fit.undetermined) {
    case StageFit::Undetermined::No:
        return QString();
    case StageFit::Undetermined::NarrowRange:
        if (!(fit.lowestX > 0.0))
            return QStringLiteral("fewer than two %1 values above 0").arg(x);
        return QStringLiteral("%1 spans only %2x, less than %3x")
            .arg(x, QString::number(fit.highestX / fit.lowestX, 'f', 2),
                 QString::number(kMinSpan));
    case StageFit::Undetermined::LargeError:
        if (!std::isfinite(fit.constantError))
            return QStringLiteral("no standard error can be had from %1 points")
                .arg(fit.pointsFitted);
        return QStringLiteral("its standard error is %1 %2 of it, more than %3 %2")
            .arg(QString::number(100 * fit.constantError / std::abs(fit.constant), 'f', 0),
                 QStringLiteral("%"), QString::number(100 * kMaxRelativeError));
    case StageFit::Undetermined::FitFailed:
        return outcomeText(fit, stage);
    }
    return QString();
}

StageFit fitExactStage(DeadTimeModel model, DeadTimeStage stage, const QVector<double>& x,
                       const QVector<double>& y, const QVector<double>& time)
{
    StageFit fit;
    fit.model = model;
    if (model != DeadTimeModel::Paralyzable && model != DeadTimeModel::NonParalyzable) {
        fit.outcome = Outcome::NoInformation;
        return fit;
    }
    QVector<int> used;
    fit.outcome = screenStagePoints(x, y, true, used);
    if (fit.outcome != Outcome::Fitted)
        return fit;

    const int n = used.size();
    double xs = 0.0;
    double ys = 0.0;
    QVector<double> ux;
    QVector<double> uy;
    ux.reserve(n);
    uy.reserve(n);
    Eigen::VectorXd t(n);
    for (int k : used) {
        xs = std::max(xs, x[k]);
        ys = std::max(ys, y[k]);
        t[ux.size()] = time.value(k, 1.0);
        ux.append(x[k]);
        uy.append(y[k]);
    }
    Eigen::VectorXd u(n);
    Eigen::VectorXd v(n);
    for (int k = 0; k < n; ++k) {
        u[k] = ux[k] / xs;
        v[k] = uy[k] / ys;
    }

    // The quadratic p1 x + p2 x^2 is the first-order expansion of every
    // model: A = p1, B = -p2 / p1. Scans are made at losses of up to z = 2
    // or so at the top, where that start leads to the minimum. Where it
    // leads farther, or nowhere, the straight line through the origin is
    // tried as well, and the lower minimum taken.
    const Loss loss{model};
    QVector<double> q;
    fitQuadratic(ux, uy, q);
    struct Start
    {
        double a;
        double b;
    };
    QVector<Start> starts;
    const Start fromQuadratic{q[0] * xs / ys, -q[1] / q[0] * xs};
    if (fromQuadratic.a > 0.0 && std::isfinite(fromQuadratic.b) && loss.valid(fromQuadratic.b))
        starts.append(fromQuadratic);
    starts.append({v.sum() / u.sum(), 0.0});

    Eigen::VectorXd p;
    double lowest = std::numeric_limits<double>::infinity();
    CurveCache cache;
    for (const Start& start : qAsConst(starts)) {
        Eigen::VectorXd candidate(2);
        candidate << start.a, start.b;
        if (!reweightedFit(loss, u, v, t, candidate, cache))
            continue;
        const double chi2 = normalisedChiSquare(loss, u, v, t, candidate, cache);
        if (chi2 < lowest) {
            lowest = chi2;
            p = candidate;
        }
        if (std::abs(candidate[1]) <= 2.0)
            break;
    }
    // u is at most 1, so b is the loss at the top point.
    if (p.size() == 0 || p[1] >= loss.deepest() * (1 - 1e-3)) {
        fit.outcome = p.size() == 0 ? Outcome::NotConverged : Outcome::TooSteep;
        return fit;
    }

    const double a = p[0] * ys / xs;
    const double b = p[1] / xs;
    const bool input = stage == DeadTimeStage::Input;
    const double constant = input ? b / a : b;
    // The Jacobian is taken in (A, constant), so that the constant's error
    // is read off the covariance rather than propagated: in the input stage
    // A and B = A tau0 can be so correlated that propagation cancels to
    // nothing. With z = B x: input f = A x h(A tau0 x), so df/dA = x (h +
    // z h') and df/dtau0 = A^2 x^2 h'; output df/dA = x h, df/dtau = A x^2 h'.
    double chi2 = 0.0;
    int worstPoint = -1;
    double worstResidual = StageFit::notAvailable;
    Eigen::MatrixX2d jacobian(n, 2);
    for (int k = 0; k < n; ++k) {
        const double xk = ux[k];
        const double z = b * xk;
        const double h = loss.valid(z) ? loss.h(z) : 0.0;
        const double f = a * xk * h;
        if (!(f > 0.0) || !std::isfinite(f)) {
            fit.outcome = Outcome::NoInformation;
            return fit;
        }
        const double r = uy[k] - f;
        chi2 += t[k] * r * r / f;
        const double residual = standardised(uy[k], f) * std::sqrt(t[k]);
        if (worstPoint < 0 || std::abs(residual) > std::abs(worstResidual)) {
            worstPoint = used[k];
            worstResidual = residual;
        }
        const double sw = std::sqrt(t[k]) / std::sqrt(f);
        const double dh = loss.model == DeadTimeModel::Paralyzable ? -h : loss.dh(z);
        jacobian(k, 0) = sw * xk * (input ? h + z * dh : h);
        jacobian(k, 1) = sw * (input ? a * a : a) * xk * xk * dh;
    }

    fit.pointsFitted = n;
    fit.degreesOfFreedom = n - 2;
    fit.chiSquare = chi2;
    if (fit.degreesOfFreedom > 0)
        fit.reducedChiSquare = chi2 / fit.degreesOfFreedom;
    Eigen::Matrix2d inverse;
    if (!inverseNormalMatrix(jacobian, inverse)) {
        fit.outcome = Outcome::NoInformation;
        return fit;
    }
    if (fit.degreesOfFreedom > 0) {
        const Eigen::Matrix2d covariance = inverse * fit.reducedChiSquare;
        setConstant(fit, a, constant, &covariance);
    } else {
        setConstant(fit, a, constant, nullptr);
    }
    fit.worstPoint = worstPoint;
    fit.worstResidual = worstResidual;
    return fit;
}

StageFit quadraticStageFit(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                           double p1, double p2, const QVector<double>& time)
{
    StageFit fit;
    fit.model = DeadTimeModel::Quadratic;
    QVector<int> used;
    fit.outcome = screenStagePoints(x, y, false, used);
    // The window's expressions, in the window's order.
    const bool input = stage == DeadTimeStage::Input;
    const double constant = input ? -p2 / p1 / p1 : -p2 / p1;
    if (fit.outcome == Outcome::Fitted && !std::isfinite(constant))
        fit.outcome = Outcome::Singular;
    if (!fit.available())
        return fit;

    fit.scale = p1;
    fit.constant = constant;
    fit.pointsFitted = std::min(x.size(), y.size());
    fit.degreesOfFreedom = fit.pointsFitted - 2;
    const auto curve = [p1, p2](double xk) { return p1 * xk + p2 * xk * xk; };
    QVector<int> all;
    for (int k = 0; k < fit.pointsFitted; ++k)
        all.append(k);
    findWorstPoint(fit, all, x, y, time, curve);

    // The coefficients are the unweighted least-squares ones, but a count's
    // variance is its expectation: the sandwich covariance B M B, B =
    // (X^T X)^-1 and M = sum var_k X_k^T X_k, var_k = phi f_k / t_k with the
    // dispersion phi = chi2 / nu taken from the data. In x scaled to at
    // most 1, so that X^T X is not all rounding.
    double xs = 0.0;
    for (int k : qAsConst(used))
        xs = std::max(xs, std::abs(x[k]));
    double chi2 = 0.0;
    Eigen::Matrix2d xtx = Eigen::Matrix2d::Zero();
    Eigen::Matrix2d meat = Eigen::Matrix2d::Zero();
    for (int k : qAsConst(used)) {
        const double f = curve(x[k]);
        const double t = time.value(k, 1.0);
        if (!(f > 0.0) || !(t > 0.0)) {
            // No count can have that expectation: nothing to weigh with.
            chi2 = StageFit::notAvailable;
            break;
        }
        chi2 += t * (y[k] - f) * (y[k] - f) / f;
        const Eigen::Vector2d row(x[k] / xs, (x[k] / xs) * (x[k] / xs));
        xtx += row * row.transpose();
        meat += (f / t) * row * row.transpose();
    }
    if (fit.degreesOfFreedom <= 0 || !std::isfinite(chi2))
        return fit;
    fit.chiSquare = chi2;
    fit.reducedChiSquare = chi2 / fit.degreesOfFreedom;
    const Eigen::FullPivLU<Eigen::Matrix2d> lu(xtx);
    if (!lu.isInvertible())
        return fit;
    const Eigen::Matrix2d bread = lu.inverse();
    Eigen::Matrix2d covariance = bread * meat * bread * fit.reducedChiSquare;
    const Eigen::Vector2d unscale(1.0 / xs, 1.0 / (xs * xs));
    covariance = unscale.asDiagonal() * covariance * unscale.asDiagonal();
    const Eigen::Vector2d gradient = input ? Eigen::Vector2d(2 * p2 / (p1 * p1 * p1), -1 / (p1 * p1))
                                           : Eigen::Vector2d(p2 / (p1 * p1), -1 / p1);
    fit.scaleError = standardError(covariance(0, 0));
    fit.constantError = standardError(gradient.dot(covariance * gradient));
    return fit;
}
