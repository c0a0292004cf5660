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
//   hybrid          h = exp(-r tp) / (1 + r tn), r the true rate (k I0 in
//                   the input stage, ICR in the output one): a paralysable
//                   part tp in series with a non-paralysable part tn; its
//                   constant is tp + tn, the dead time at low rates
//
// In the input stage (ICR against I0) A is the efficiency k and B = k tau0,
// the true rate k I0 being what the pre-amplifier loses against; in the
// output stage (SCA against ICR) A is the window's share c and B = tau.
enum class DeadTimeModel
{
    Quadratic,
    Paralyzable,
    NonParalyzable,
    Hybrid,
};

constexpr int kDeadTimeModels = 4;

enum class DeadTimeStage
{
    Input,  // ICR against I0, gives tau0
    Output, // SCA against ICR, gives tau
};

// "quadratic", "paralyzable", "nonparalyzable", "hybrid", as veskor-fit's
// --model spells them; every text names a model so.
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
        // The solver did not settle on a minimum.
        NotConverged,
        // The best curve loses more than 99 % of the counts at the top
        // point: no minimum short of that, which no scan is made at.
        TooSteep,
        // At the minimum the data do not fix both coefficients (the normal
        // matrix is singular), or the curve expects no count at a point.
        NoInformation,
    };

    // Why the scan cannot fix the constant, though a number may have come
    // out (see determination()).
    enum class Undetermined
    {
        No,
        // The stage's x spans less than kMinSpan.
        NarrowRange,
        // The scaled standard error exceeds kMaxRelativeError of the value.
        LargeError,
        // The fit failed (outcome is not Fitted).
        FitFailed,
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
    // Hybrid: the paralysable and the non-paralysable part of the constant,
    // both at least 0, with their standard errors; the constant's error
    // comes from the full covariance. NaN for the other models.
    double paralysablePart = notAvailable;
    double paralysablePartError = notAvailable;
    double nonParalysablePart = notAvailable;
    double nonParalysablePartError = notAvailable;
    // The highest and lowest x > 0 of the stage's points, whatever the fit.
    double lowestX = notAvailable;
    double highestX = notAvailable;
    Undetermined undetermined = Undetermined::No;
    // Auto only: the constant is the mean of the two pure exact models,
    // which the data cannot tell apart (model names the better one).
    bool averaged = false;

    bool available() const { return outcome == Outcome::Fitted; }
    bool determined() const { return undetermined == Undetermined::No; }
};

// A stage must span at least this factor in x (I0 for tau0, ICR for tau):
// over less, the curve bends too little for a dead time to show.
constexpr double kMinSpan = 2.0;
// A constant whose scaled standard error exceeds this share of its value
// is undetermined.
constexpr double kMaxRelativeError = 0.5;

// Whether the scan fixes the constant of fit, whose lowestX and highestX
// are set: undetermined when x spans less than kMinSpan (first: that
// says why, whatever the fit made of it), when the fit failed, or when the
// standard error exceeds kMaxRelativeError of the value (also when no error
// can be had). A large chi-square alone does not make a constant undetermined:
// an I0 from an ion chamber may scatter more than counting allows, and the
// error is scaled by it.
StageFit::Undetermined determination(const StageFit& fit);

// The model's name as a text shows it for fit: modelName(fit.model), or
// "mean" for an averaged auto fit.
QString fitModelName(const StageFit& fit);

// Why fit's constant is undetermined, in a few words for a table or a
// warning ("I0 spans only 1.03x, less than 2x"); empty when it is
// determined.
QString undeterminedText(const StageFit& fit, DeadTimeStage stage);

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

// The points an exact fit (exact) or the quadratic can use, appended to
// used, and Fitted, or why there are not enough of them (NotFinite,
// Singular, NoCounts).
StageFit::Outcome screenStagePoints(const QVector<double>& x, const QVector<double>& y, bool exact,
                                    QVector<int>& used);

// sqrt(max(variance, 0)), or NaN where that overflows: an error that large
// says no more than one not available.
double standardError(double variance);

// The window's quadratic fit of a stage, as a StageFit: p1 and p2 are the
// window's coefficients over the same pairs (fitQuadratic), and the constant
// is the window's own, bit for bit; a stage whose data cannot determine it
// (see Outcome) has none, whatever number the solver's arithmetic left.
// Its figures weigh counts as the exact models do: the chi-square and the
// worst point with time (as fitExactStage takes it), the standard errors
// from the sandwich covariance of the unweighted coefficients under Poisson
// variance scaled by the reduced chi-square.
StageFit quadraticStageFit(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                           double p1, double p2, const QVector<double>& time = {});
