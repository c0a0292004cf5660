#pragma once

#include <QString>
#include <QVector>

#include <limits>

// The relations a dead-time stage can be fitted with. Every one of them has
// the form y = A x h(B x), the detector's loss h falling from h(0) = 1:
//
//   quadratic       h(z) = 1 - z       (the first-order expansion of both)
//   paralyzable     h(z) = exp(-z)     (an extending dead time)
//   nonparalyzable  h(z) = 1 / (1 + z) (a non-extending dead time)
//
// In the input stage (ICR against I0) A is the efficiency k and B = k tau0,
// the true rate k I0 being what the pre-amplifier loses against; in the
// output stage (SCA against ICR) A is the window's share c and B = tau.
enum class DeadTimeModel
{
    Quadratic,
    Paralyzable,
    NonParalyzable,
};

constexpr int kDeadTimeModels = 3;

enum class DeadTimeStage
{
    Input,  // ICR against I0, gives tau0
    Output, // SCA against ICR, gives tau
};

// "quadratic", "paralyzable", "nonparalyzable", as veskor-fit's --model
// spells them.
QString modelName(DeadTimeModel model);

// One stage of one channel fitted with one model.
struct StageFit
{
    static constexpr double notAvailable = std::numeric_limits<double>::quiet_NaN();

    enum class Outcome
    {
        Fitted,
        // A value is NaN or infinite.
        NotFinite,
        // Fewer than two different x values to fit over (for the exact
        // models, among the points with x > 0): two coefficients cannot be
        // had from one x.
        Singular,
        // Nothing was counted: no y above zero.
        NoCounts,
        // The solver found no minimum among the curves that keep at least
        // 1 % of the counts at every point.
        NoSolution,
    };

    DeadTimeModel model = DeadTimeModel::Quadratic;
    Outcome outcome = Outcome::Singular;
    // A (k or c) and the constant (tau0 or tau), with standard errors.
    double scale = notAvailable;
    double scaleError = notAvailable;
    double constant = notAvailable;
    double constantError = notAvailable;
    // The weighted residual sum sum t (y - f)^2 / f, a count's variance
    // being its expected value f (t the time a rate is counted per, else 1), over degreesOfFreedom = points fitted - 2.
    double chiSquare = notAvailable;
    int pointsFitted = 0;
    int degreesOfFreedom = 0;
    double reducedChiSquare = notAvailable;
    // The point (an index into the stage's x and y) with the largest
    // standardised residual |y - f| / sqrt(f / t), and that residual; -1 when
    // none can be had.
    int worstPoint = -1;
    double worstResidual = notAvailable;

    bool available() const { return outcome == Outcome::Fitted; }
};

// Why a stage has no constant, in a few words for a warning ("all points
// have the same I0"); empty for a fitted stage.
QString outcomeText(const StageFit& fit, DeadTimeStage stage);

// Fits y = A x h(B x) of an exact model (paralyzable or nonparalyzable)
// over the pairs (x[k], y[k]) by weighted least squares with Poisson
// weights 1 / f, f the curve's value: the weights follow the curve until it
// stops moving, which makes the fit the maximum-likelihood one for counts.
// Eigen's Levenberg-Marquardt solver does each weighted fit, starting from
// the quadratic's coefficients over the same points (the window's solver).
//
// Only points with x > 0 enter: the curve expects nothing at x = 0, so such
// a point has no counting weight (the checks name it). The standard errors
// come from the covariance (J^T W J)^-1 scaled by the reduced chi-square, so
// the scatter is taken from the data, whatever the units of x and y. With
// two points the curve passes through both and no error is available.
//
// time, when given (one per pair), holds the time each y is counted per:
// a rate y = N / t has the variance f / t, so its weight is t / f, and the
// chi-square is in counts whatever the unit of time.
StageFit fitExactStage(DeadTimeModel model, DeadTimeStage stage, const QVector<double>& x,
                       const QVector<double>& y, const QVector<double>& time = {});

// The window's quadratic fit of a stage, as a StageFit: p1 and p2 are the
// window's coefficients over the same pairs (fitQuadratic), error and
// reducedChiSquare what QuadraticFitUncertainty gives for them (unit
// weights). The constant is the window's own, bit for bit; a stage whose
// data cannot determine it (see Outcome) has none, whatever number the
// solver's arithmetic left.
StageFit quadraticStageFit(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                           double p1, double p2, double constantError, double reducedChiSquare);
