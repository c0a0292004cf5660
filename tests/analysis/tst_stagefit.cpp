#include "analysis/quadraticfit.h"
#include "analysis/stagefit.h"
#include "testsupport.h"

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(DeadTimeModel)
Q_DECLARE_METATYPE(DeadTimeStage)
Q_DECLARE_METATYPE(StageFit::Outcome)

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();

using Real = long double;

// The curve of a model in long double, written out here rather than taken
// from the code under test.
Real curve(DeadTimeModel model, Real a, Real b, Real x)
{
    return model == DeadTimeModel::Paralyzable ? a * x * std::exp(-b * x) : a * x / (1 + b * x);
}

// The truth of a stage as A and B of y = A x h(B x): the input stage has A
// = k and B = k tau0, the output stage A = c and B = tau.
struct Truth
{
    double scale;
    double constant;
    double b(DeadTimeStage stage) const
    {
        return stage == DeadTimeStage::Input ? scale * constant : constant;
    }
};

// Settings spread like a scan's: from xMax / 12 to xMax in equal steps.
QVector<double> settings(double xMax, int n)
{
    QVector<double> x;
    for (int k = 1; k <= n; ++k)
        x << xMax * k / n;
    return x;
}

QVector<double> exactCounts(DeadTimeModel model, DeadTimeStage stage, const Truth& t,
                            const QVector<double>& x)
{
    QVector<double> y;
    for (double v : x)
        y << double(curve(model, t.scale, t.b(stage), v));
    return y;
}

// The same fixed pattern of deviations for every noisy case, about one
// standard deviation of a count each, so that chi2/nu comes out near 1.
QVector<double> noisyCounts(DeadTimeModel model, DeadTimeStage stage, const Truth& t,
                            const QVector<double>& x)
{
    const double pattern[] = {0.9, -1.3, 0.2, 1.1, -0.6, -0.4, 1.5, -1.0, 0.3, -0.8, 0.7, -0.2};
    QVector<double> y = exactCounts(model, stage, t, x);
    for (int k = 0; k < y.size(); ++k)
        y[k] += pattern[k % 12] * std::sqrt(y[k]);
    return y;
}

// The Poisson fit worked out independently: the weighted sums with weights
// 1 / f at the reported coefficients, the score (which vanishes at the
// maximum-likelihood coefficients) and the covariance from a numerical
// Jacobian, in long double with the closed-form 2 x 2 inverse.
struct Reference
{
    Real chi2 = 0;
    Real scoreA = 0;
    Real scoreB = 0;
    // Scale of the score's terms, to judge how close to zero it is.
    Real scoreScaleA = 0;
    Real scoreScaleB = 0;
    Real varA = 0;
    Real varB = 0;
    Real cov = 0;
};

// With times t, y are rates counted over t: weights t / f.
Reference reference(DeadTimeModel model, const QVector<double>& x, const QVector<double>& y, Real a,
                    Real b, const QVector<double>& t = {})
{
    Reference r;
    Real saa = 0, sab = 0, sbb = 0;
    for (int k = 0; k < x.size(); ++k) {
        const Real f = curve(model, a, b, x[k]);
        const Real ha = a * 1e-7L;
        const Real hb = (b == 0 ? 1e-12L : std::fabs(b) * 1e-7L);
        const Real da = (curve(model, a + ha, b, x[k]) - curve(model, a - ha, b, x[k])) / (2 * ha);
        const Real db = (curve(model, a, b + hb, x[k]) - curve(model, a, b - hb, x[k])) / (2 * hb);
        const Real res = y[k] - f;
        const Real w = Real(t.value(k, 1.0)) / f;
        r.chi2 += w * res * res;
        r.scoreA += w * res * da;
        r.scoreB += w * res * db;
        r.scoreScaleA += std::fabs(w * y[k] * da);
        r.scoreScaleB += std::fabs(w * y[k] * db);
        saa += w * da * da;
        sab += w * da * db;
        sbb += w * db * db;
    }
    const Real s2 = r.chi2 / (x.size() - 2);
    const Real det = saa * sbb - sab * sab;
    r.varA = s2 * sbb / det;
    r.varB = s2 * saa / det;
    r.cov = -s2 * sab / det;
    return r;
}

bool near(double actual, Real expected, Real relTol)
{
    return std::fabs(actual - expected) <= relTol * std::fabs(expected);
}

} // namespace

class TestStageFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exactDataGiveTheirConstants_data();
    void exactDataGiveTheirConstants();
    void noisyDataMaximiseTheLikelihood_data();
    void noisyDataMaximiseTheLikelihood();
    void modelsAreToldApart();
    void degenerateData_data();
    void degenerateData();
    void twoPointsGiveNoError();
    void countingTimesWeighTheRates_data();
    void countingTimesWeighTheRates();
    void quadraticIsTheWindows_data();
    void quadraticIsTheWindows();
    void pointsAtZeroAreLeftOut();
    void anyNumbersGiveAnOutcome_data();
    void anyNumbersGiveAnOutcome();
};

void TestStageFit::exactDataGiveTheirConstants_data()
{
    QTest::addColumn<DeadTimeModel>("model");
    QTest::addColumn<DeadTimeStage>("stage");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("constant");
    QTest::addColumn<double>("xMax");
    QTest::addColumn<int>("points");

    const auto P = DeadTimeModel::Paralyzable;
    const auto N = DeadTimeModel::NonParalyzable;
    const auto in = DeadTimeStage::Input;
    const auto out = DeadTimeStage::Output;
    // The example detector: k I0 up to 31700 counts per second.
    QTest::newRow("paralysable pre-amplifier, 2 % loss")
        << P << in << 0.0066 << 0.75e-6 << 4.8e6 << 12;
    QTest::newRow("non-paralysable pre-amplifier, 2 % loss")
        << N << in << 0.0066 << 0.75e-6 << 4.8e6 << 12;
    QTest::newRow("paralysable pre-amplifier, 25 % loss")
        << P << in << 0.0066 << 8e-6 << 4.8e6 << 19;
    QTest::newRow("non-paralysable pre-amplifier, 25 % loss")
        << N << in << 0.0066 << 8e-6 << 4.8e6 << 19;
    QTest::newRow("paralysable amplifier, 8 % loss") << P << out << 0.7 << 2.6e-6 << 3e4 << 12;
    QTest::newRow("non-paralysable amplifier, 8 % loss") << N << out << 0.7 << 2.6e-6 << 3e4 << 12;
    QTest::newRow("paralysable amplifier past its maximum")
        << P << out << 0.7 << 2.6e-6 << 6e5 << 19;
    QTest::newRow("non-paralysable amplifier at 200 % loss")
        << N << out << 0.95 << 5e-7 << 4e6 << 12;
    QTest::newRow("amplifier without dead time") << P << out << 0.7 << 0.0 << 3e4 << 5;
    QTest::newRow("three points, rates in the millions") << N << out << 0.9 << 1e-7 << 2e6 << 3;
}

// Data on the model itself give back its constants to rounding.
void TestStageFit::exactDataGiveTheirConstants()
{
    QFETCH(DeadTimeModel, model);
    QFETCH(DeadTimeStage, stage);
    QFETCH(double, scale);
    QFETCH(double, constant);
    QFETCH(double, xMax);
    QFETCH(int, points);
    const QVector<double> x = settings(xMax, points);
    const QVector<double> y = exactCounts(model, stage, {scale, constant}, x);

    const StageFit fit = fitExactStage(model, stage, x, y);
    QVERIFY(fit.available());
    QCOMPARE(fit.model, model);
    QCOMPARE(fit.pointsFitted, points);
    QCOMPARE(fit.degreesOfFreedom, points - 2);
    QVERIFY2(near(fit.scale, scale, 1e-9), qPrintable(QString::number(fit.scale, 'g', 17)));
    if (constant == 0.0)
        QVERIFY2(std::fabs(fit.constant) * xMax < 1e-9,
                 qPrintable(QString::number(fit.constant, 'g', 17)));
    else
        QVERIFY2(near(fit.constant, constant, 1e-9),
                 qPrintable(QString::number(fit.constant, 'g', 17)));
    // Nothing is left over: no scatter, and so hardly any error.
    QVERIFY(fit.chiSquare < 1e-12);
    QVERIFY(fit.constantError <= 1e-9 * std::max(constant, 1e-6));
}

void TestStageFit::noisyDataMaximiseTheLikelihood_data()
{
    QTest::addColumn<DeadTimeModel>("model");
    QTest::addColumn<DeadTimeStage>("stage");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("constant");
    QTest::addColumn<double>("xMax");
    QTest::addColumn<int>("points");

    const auto P = DeadTimeModel::Paralyzable;
    const auto N = DeadTimeModel::NonParalyzable;
    QTest::newRow("paralysable pre-amplifier")
        << P << DeadTimeStage::Input << 0.0066 << 4e-6 << 4.8e6 << 12;
    QTest::newRow("non-paralysable pre-amplifier")
        << N << DeadTimeStage::Input << 0.0066 << 4e-6 << 4.8e6 << 12;
    QTest::newRow("paralysable amplifier")
        << P << DeadTimeStage::Output << 0.7 << 2.6e-6 << 6e4 << 12;
    QTest::newRow("non-paralysable amplifier")
        << N << DeadTimeStage::Output << 0.7 << 2.6e-6 << 6e4 << 12;
    // Large scans are fitted over a subsample first: the result must still
    // be the maximum over every point.
    QTest::newRow("paralysable pre-amplifier, 30,000 points")
        << P << DeadTimeStage::Input << 0.0066 << 4e-6 << 4.8e6 << 30000;
    QTest::newRow("non-paralysable amplifier, 30,000 points")
        << N << DeadTimeStage::Output << 0.7 << 2.6e-6 << 6e4 << 30000;
}

// On scattered counts the fit is the Poisson maximum-likelihood one (its
// score vanishes), its chi-square is the weighted residual sum there, and
// its errors are the covariance scaled by the reduced chi-square.
void TestStageFit::noisyDataMaximiseTheLikelihood()
{
    QFETCH(DeadTimeModel, model);
    QFETCH(DeadTimeStage, stage);
    QFETCH(double, scale);
    QFETCH(double, constant);
    QFETCH(double, xMax);
    QFETCH(int, points);
    const Truth truth{scale, constant};
    const QVector<double> x = settings(xMax, points);
    const QVector<double> y = noisyCounts(model, stage, truth, x);

    const StageFit fit = fitExactStage(model, stage, x, y);
    QVERIFY(fit.available());
    const Real a = fit.scale;
    const Real b = stage == DeadTimeStage::Input ? Real(fit.constant) * a : Real(fit.constant);
    const Reference r = reference(model, x, y, a, b);
    QVERIFY2(std::fabs(r.scoreA) < 1e-10 * r.scoreScaleA,
             qPrintable(QString::number(double(r.scoreA / r.scoreScaleA))));
    QVERIFY2(std::fabs(r.scoreB) < 1e-10 * r.scoreScaleB,
             qPrintable(QString::number(double(r.scoreB / r.scoreScaleB))));
    QVERIFY(near(fit.chiSquare, r.chi2, 1e-9));
    QVERIFY(near(fit.reducedChiSquare, r.chi2 / (points - 2), 1e-9));
    // About one standard deviation a point: chi2/nu of order one.
    QVERIFY(fit.reducedChiSquare > 0.3 && fit.reducedChiSquare < 3);

    QVERIFY(near(fit.scaleError, std::sqrt(r.varA), 1e-5));
    const Real constantError = stage == DeadTimeStage::Input
                                   ? std::sqrt(b * b / (a * a * a * a) * r.varA -
                                               2 * b / (a * a * a) * r.cov + r.varB / (a * a))
                                   : std::sqrt(r.varB);
    QVERIFY2(
        near(fit.constantError, constantError, 1e-5),
        qPrintable(QString("%1 against %2").arg(fit.constantError).arg(double(constantError))));
    // The truth lies where the errors put it: within three of them.
    QVERIFY(std::fabs(fit.constant - constant) < 3 * fit.constantError);
}

// Each exact model fits its own curve better than the other one does, and
// the quadratic's first-order bias shows where the loss is large.
void TestStageFit::modelsAreToldApart()
{
    const QVector<double> x = settings(2e5, 12);
    const Truth truth{0.7, 2.6e-6}; // a loss of 41 % at the top
    for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
        const QVector<double> y = noisyCounts(model, DeadTimeStage::Output, truth, x);
        const StageFit para =
            fitExactStage(DeadTimeModel::Paralyzable, DeadTimeStage::Output, x, y);
        const StageFit non =
            fitExactStage(DeadTimeModel::NonParalyzable, DeadTimeStage::Output, x, y);
        QVERIFY(para.available() && non.available());
        if (model == DeadTimeModel::Paralyzable)
            QVERIFY(para.chiSquare < non.chiSquare);
        else
            QVERIFY(non.chiSquare < para.chiSquare);
    }
}

void TestStageFit::degenerateData_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<StageFit::Outcome>("outcome");
    QTest::addColumn<StageFit::Outcome>("quadraticOutcome");

    using O = StageFit::Outcome;
    QTest::newRow("no point") << QVector<double>{} << QVector<double>{} << O::Singular
                              << O::Singular;
    QTest::newRow("one point") << QVector<double>{1000} << QVector<double>{900} << O::Singular
                               << O::Singular;
    QTest::newRow("all x equal") << QVector<double>{1000, 1000, 1000}
                                 << QVector<double>{900, 910, 890} << O::Singular << O::Singular;
    QTest::newRow("two identical points")
        << QVector<double>{5, 5} << QVector<double>{3, 3} << O::Singular << O::Singular;
    QTest::newRow("all x zero") << QVector<double>{0, 0, 0} << QVector<double>{1, 2, 3}
                                << O::Singular << O::Singular;
    // The quadratic takes negative x like any other.
    QTest::newRow("one x above zero, the others negative")
        << QVector<double>{-1000, 1000, -2000} << QVector<double>{1, 900, 3} << O::Singular
        << O::Fitted;
    QTest::newRow("zero counts") << QVector<double>{1000, 2000, 3000} << QVector<double>{0, 0, 0}
                                 << O::NoCounts << O::NoCounts;
    QTest::newRow("negative counts") << QVector<double>{1000, 2000, 3000}
                                     << QVector<double>{-5, -9, -12} << O::NoCounts << O::Fitted;
    QTest::newRow("a NaN count") << QVector<double>{1000, 2000, 3000}
                                 << QVector<double>{900, notANumber, 2500} << O::NotFinite
                                 << O::NotFinite;
    QTest::newRow("an infinite x")
        << QVector<double>{1000, std::numeric_limits<double>::infinity(), 3000}
        << QVector<double>{900, 1700, 2500} << O::NotFinite << O::NotFinite;
}

// Data that cannot give a constant give none: every figure is not
// available, never a finite number.
void TestStageFit::degenerateData()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(StageFit::Outcome, outcome);
    QFETCH(StageFit::Outcome, quadraticOutcome);
    for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
        for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
            const StageFit fit = fitExactStage(model, stage, x, y);
            QCOMPARE(fit.outcome, outcome);
            QVERIFY(!fit.available());
            QVERIFY(std::isnan(fit.constant));
            QVERIFY(std::isnan(fit.constantError));
            QVERIFY(std::isnan(fit.scale));
            QVERIFY(std::isnan(fit.reducedChiSquare));
            QCOMPARE(fit.worstPoint, -1);
            QVERIFY(!outcomeText(fit, stage).isEmpty());
        }
    }
    // The quadratic judges the same data by its own needs, whatever number
    // the window's solver leaves for them.
    QVector<double> p;
    fitQuadratic(x, y, p);
    const StageFit fit = quadraticStageFit(DeadTimeStage::Output, x, y, p[0], p[1]);
    QCOMPARE(fit.outcome, quadraticOutcome);
    QCOMPARE(std::isnan(fit.constant), quadraticOutcome != StageFit::Outcome::Fitted);
}

// Two points fix both coefficients: the curve passes through them, and no
// degree of freedom is left for an error or a chi-square.
void TestStageFit::twoPointsGiveNoError()
{
    const Truth t{0.8, 1e-6};
    const QVector<double> x{1e5, 3e5};
    const QVector<double> y =
        exactCounts(DeadTimeModel::NonParalyzable, DeadTimeStage::Output, t, x);
    const StageFit fit = fitExactStage(DeadTimeModel::NonParalyzable, DeadTimeStage::Output, x, y);
    QVERIFY(fit.available());
    QVERIFY(near(fit.constant, 1e-6, 1e-9));
    QCOMPARE(fit.degreesOfFreedom, 0);
    QVERIFY(std::isnan(fit.constantError));
    QVERIFY(std::isnan(fit.reducedChiSquare));
}

void TestStageFit::quadraticIsTheWindows_data()
{
    QTest::addColumn<DeadTimeStage>("stage");
    QTest::addColumn<QVector<double>>("time");
    QTest::newRow("input stage") << DeadTimeStage::Input << QVector<double>();
    QTest::newRow("output stage") << DeadTimeStage::Output << QVector<double>();
    QTest::newRow("input stage, timed") << DeadTimeStage::Input << QVector<double>{0.5, 4, 1, 2};
    QTest::newRow("output stage, timed") << DeadTimeStage::Output << QVector<double>{3, 1, 0.5, 2};
}

// The quadratic's constant is the window's expression of the window's
// coefficients, bit for bit; its chi-square weighs each rate by its time,
// its error is the sandwich of the unweighted fit under Poisson variance
// (worked out here in long double from the normal equations), and the
// worst point is the one farthest from the curve in standard deviations.
void TestStageFit::quadraticIsTheWindows()
{
    QFETCH(DeadTimeStage, stage);
    QFETCH(QVector<double>, time);
    const QVector<double> x{1e5, 2e5, 3e5, 4e5};
    QVector<double> y{9.52e4, 1.81e5, 2.61e5, 3.31e5};
    QVector<double> p;
    fitQuadratic(x, y, p);
    const StageFit fit = quadraticStageFit(stage, x, y, p[0], p[1], time);
    QVERIFY(fit.available());
    const double expected = stage == DeadTimeStage::Input ? -p[1] / p[0] / p[0] : -p[1] / p[0];
    QCOMPARE(fit.constant, expected);
    QCOMPARE(fit.scale, p[0]);

    long double chi2 = 0, a = 0, b = 0, c = 0, ma = 0, mb = 0, mc = 0;
    for (int k = 0; k < 4; ++k) {
        const long double xk = x[k], t = time.value(k, 1.0);
        const long double f = p[0] * xk + p[1] * xk * xk;
        chi2 += t * (y[k] - f) * (y[k] - f) / f;
        a += xk * xk, b += xk * xk * xk, c += xk * xk * xk * xk;
        ma += f / t * xk * xk, mb += f / t * xk * xk * xk, mc += f / t * xk * xk * xk * xk;
    }
    const long double det = a * c - b * b;
    const long double i11 = c / det, i12 = -b / det, i22 = a / det;
    // B M B for the symmetric 2 x 2 matrices B = [i11 i12; i12 i22], M.
    const long double t11 = i11 * ma + i12 * mb, t12 = i11 * mb + i12 * mc;
    const long double t21 = i12 * ma + i22 * mb, t22 = i12 * mb + i22 * mc;
    const long double phi = chi2 / 2;
    const long double v11 = phi * (t11 * i11 + t12 * i12);
    const long double v12 = phi * (t11 * i12 + t12 * i22);
    const long double v22 = phi * (t21 * i12 + t22 * i22);
    const long double p1 = p[0], p2 = p[1];
    const long double g1 = stage == DeadTimeStage::Input ? 2 * p2 / (p1 * p1 * p1) : p2 / (p1 * p1);
    const long double g2 = stage == DeadTimeStage::Input ? -1 / (p1 * p1) : -1 / p1;
    const double error = double(std::sqrt(g1 * g1 * v11 + 2 * g1 * g2 * v12 + g2 * g2 * v22));
    QVERIFY(near(fit.chiSquare, double(chi2), 1e-12));
    QVERIFY2(near(fit.constantError, error, 1e-9),
             qPrintable(QString("%1 against %2").arg(fit.constantError).arg(error)));
    int worst = 0;
    double largest = 0;
    for (int k = 0; k < 4; ++k) {
        const double f = p[0] * x[k] + p[1] * x[k] * x[k];
        const double r = std::fabs(y[k] - f) / std::sqrt(f / time.value(k, 1.0));
        if (r > largest) {
            largest = r;
            worst = k;
        }
    }
    QCOMPARE(fit.worstPoint, worst);
    QVERIFY(near(std::fabs(fit.worstResidual), largest, 1e-12));
}

// A point at I0 = 0 expects no count and has no Poisson weight: the exact
// models fit the others, and give the constants of those.
void TestStageFit::pointsAtZeroAreLeftOut()
{
    const Truth t{0.0066, 0.75e-6};
    QVector<double> x = settings(4.8e6, 6);
    QVector<double> y = exactCounts(DeadTimeModel::Paralyzable, DeadTimeStage::Input, t, x);
    x.insert(2, 0.0);
    y.insert(2, 35.0);
    const StageFit fit = fitExactStage(DeadTimeModel::Paralyzable, DeadTimeStage::Input, x, y);
    QVERIFY(fit.available());
    QCOMPARE(fit.pointsFitted, 6);
    QVERIFY(near(fit.constant, 0.75e-6, 1e-9));
}

void TestStageFit::anyNumbersGiveAnOutcome_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("uniform noise") << 0;
    QTest::newRow("small whole numbers") << 1;
    QTest::newRow("six hundred decades") << 2;
    QTest::newRow("alternating extremes") << 3;
}

// Numbers that follow no dead-time curve (a file of anything read as a
// count table) give an outcome: a constant with an error that is a number
// or not available, never an infinite or negative one.
void TestStageFit::anyNumbersGiveAnOutcome()
{
    QFETCH(int, kind);
    // A fixed linear congruential sequence, the same on every machine.
    quint64 state = 12345;
    auto uniform = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(state >> 11) * 0x1.0p-53;
    };
    QVector<double> x, y;
    for (int k = 0; k < 2000; ++k) {
        switch (kind) {
        case 0:
            x << uniform() * 1e6;
            y << uniform() * 1e6;
            break;
        case 1:
            x << std::floor(uniform() * 5);
            y << std::floor(uniform() * 3);
            break;
        case 2:
            x << std::exp(uniform() * 600 - 300);
            y << std::exp(uniform() * 600 - 300);
            break;
        default:
            x << k;
            y << (k % 2 ? 1e300 : 1e-300);
        }
    }
    for (DeadTimeModel model : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
        for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
            const StageFit fit = fitExactStage(model, stage, x, y);
            QCOMPARE(fit.available(), std::isfinite(fit.constant));
            QVERIFY(std::isnan(fit.constantError) || std::isfinite(fit.constantError));
            QVERIFY(!(fit.constantError < 0));
            QVERIFY(std::isnan(fit.scaleError) || fit.scaleError >= 0);
            if (!fit.available())
                QVERIFY(!outcomeText(fit, stage).isEmpty());
        }
    }
}


void TestStageFit::countingTimesWeighTheRates_data()
{
    QTest::addColumn<DeadTimeModel>("model");
    QTest::addColumn<DeadTimeStage>("stage");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("constant");
    QTest::addColumn<double>("xMax");
    QTest::newRow("paralysable pre-amplifier")
        << DeadTimeModel::Paralyzable << DeadTimeStage::Input << 0.0066 << 4e-6 << 4.8e6;
    QTest::newRow("non-paralysable amplifier")
        << DeadTimeModel::NonParalyzable << DeadTimeStage::Output << 0.7 << 2.6e-6 << 6e4;
}

// Rates counted over times from 0.5 to 20 s, each off by about one of its
// standard deviations sqrt(f / t): the fit maximises the likelihood of the
// counts (weights t / f), its chi-square is in counts, and only the times'
// ratios move the constant.
void TestStageFit::countingTimesWeighTheRates()
{
    QFETCH(DeadTimeModel, model);
    QFETCH(DeadTimeStage, stage);
    QFETCH(double, scale);
    QFETCH(double, constant);
    QFETCH(double, xMax);
    const QVector<double> x = settings(xMax, 12);
    QVector<double> y = exactCounts(model, stage, {scale, constant}, x);
    const double pattern[] = {0.9, -1.3, 0.2, 1.1, -0.6, -0.4, 1.5, -1.0, 0.3, -0.8, 0.7, -0.2};
    const double seconds[] = {0.5, 20, 1, 8, 0.5, 2, 20, 1, 4, 0.5, 10, 3};
    QVector<double> t;
    QVector<double> longer;
    for (int k = 0; k < y.size(); ++k) {
        t << seconds[k];
        longer << 4 * seconds[k];
        y[k] += pattern[k] * std::sqrt(y[k] / t[k]);
    }

    const StageFit fit = fitExactStage(model, stage, x, y, t);
    QVERIFY(fit.available());
    const Real a = fit.scale;
    const auto bOf = [&](const StageFit& f) {
        return stage == DeadTimeStage::Input ? Real(f.constant) * Real(f.scale) : Real(f.constant);
    };
    const Reference r = reference(model, x, y, a, bOf(fit), t);
    QVERIFY2(std::fabs(r.scoreA) < 1e-10 * r.scoreScaleA, qPrintable(QString::number(double(r.scoreA))));
    QVERIFY2(std::fabs(r.scoreB) < 1e-10 * r.scoreScaleB, qPrintable(QString::number(double(r.scoreB))));
    QVERIFY(near(fit.chiSquare, r.chi2, 1e-9));
    QVERIFY(fit.reducedChiSquare > 0.3 && fit.reducedChiSquare < 3);

    // Unweighted by time, the same rates give another maximum.
    const StageFit untimed = fitExactStage(model, stage, x, y);
    const Reference u = reference(model, x, y, untimed.scale, bOf(untimed), t);
    QVERIFY(std::fabs(u.scoreB) > 1e-6 * u.scoreScaleB);

    const StageFit scaled = fitExactStage(model, stage, x, y, longer);
    QVERIFY(near(scaled.constant, fit.constant, 1e-9));
    QVERIFY(near(scaled.chiSquare, 4 * Real(fit.chiSquare), 1e-9));
}

VESKOR_CORE_TEST_MAIN(TestStageFit)
#include "tst_stagefit.moc"
