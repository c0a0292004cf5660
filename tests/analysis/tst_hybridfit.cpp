#include "analysis/hybridfit.h"
#include "testsupport.h"

#include <cmath>
#include <random>

Q_DECLARE_METATYPE(DeadTimeStage)
Q_DECLARE_METATYPE(StageFit::Outcome)

namespace {

using Real = long double;
const auto in = DeadTimeStage::Input;
const auto out = DeadTimeStage::Output;

// A x exp(-r tp) / (1 + r tn) for p = (A, tp, tn), r the true rate A x or
// x. For m != 0 instead A x (1 + r tp / m)^-m: paralysable for m = inf,
// non-paralysable for m = 1, and bent outside the hybrid's range for m < 0
// and 0 < m < 1.
Real curve(DeadTimeStage stage, const Real* p, Real x, Real m = 0)
{
    const Real r = stage == in ? p[0] * x : x;
    if (m != 0)
        return p[0] * x * (std::isinf(m) ? std::exp(-r * p[1]) : std::pow(1 + r * p[1] / m, -m));
    return p[0] * x * std::exp(-r * p[1]) / (1 + r * p[2]);
}

QVector<double> settings(double xMax, int n = 12)
{
    QVector<double> x;
    for (int k = 1; k <= n; ++k)
        x << xMax * k / n;
    return x;
}

StageFit fitAll(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                const QVector<double>& t = {})
{
    return fitHybridStage(stage, x, y, t, fitExactStage(DeadTimeModel::Paralyzable, stage, x, y, t),
                          fitExactStage(DeadTimeModel::NonParalyzable, stage, x, y, t));
}

// Checks fit on counts y worked out apart, by numerical derivatives in (A,
// tp, tn): the Poisson score vanishes, and A's and the constant's errors
// are those of the normal matrix, inverted by cofactors.
void checkAgainstReference(DeadTimeStage stage, const QVector<double>& x, const QVector<double>& y,
                           const StageFit& fit)
{
    const Real p[3] = {fit.scale, fit.paralysablePart, fit.nonParalysablePart};
    Real n[3][3] = {}, score[3] = {}, scoreScale[3] = {}, chi2 = 0;
    for (int k = 0; k < x.size(); ++k) {
        const Real f = curve(stage, p, x[k]);
        chi2 += (y[k] - f) * (y[k] - f) / f;
        Real d[3];
        for (int i = 0; i < 3; ++i) {
            Real q[3] = {p[0], p[1], p[2]};
            q[i] = p[i] * (1 + 1e-6L);
            d[i] = curve(stage, q, x[k]);
            q[i] = p[i] * (1 - 1e-6L);
            d[i] = (d[i] - curve(stage, q, x[k])) / (2e-6L * p[i]);
            score[i] += (y[k] - f) / f * d[i];
            scoreScale[i] += std::fabs(y[k] / f * d[i]);
        }
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                n[i][j] += d[i] * d[j] / f;
    }
    const auto cof = [&](int i, int j) {
        const int a = (i + 1) % 3, b = (i + 2) % 3, c = (j + 1) % 3, e = (j + 2) % 3;
        return n[a][c] * n[b][e] - n[a][e] * n[b][c];
    };
    const Real s = chi2 / (x.size() - 3) / (n[0][0] * cof(0, 0) + n[0][1] * cof(0, 1) + n[0][2] * cof(0, 2));
    for (int i = 0; i < 3; ++i)
        QVERIFY(std::fabs(score[i]) < 1e-9 * scoreScale[i]);
    QVERIFY(std::fabs(fit.scaleError / std::sqrt(s * cof(0, 0)) - 1) < 1e-5);
    const Real varTau = s * (cof(1, 1) + cof(2, 2) + 2 * cof(1, 2));
    QVERIFY(std::fabs(fit.constantError / std::sqrt(varTau) - 1) < 1e-5);
}

} // namespace

class TestHybridFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exactCurvesGiveTheirParts_data();
    void exactCurvesGiveTheirParts();
    void errorsAreHonestUnderCounting_data();
    void errorsAreHonestUnderCounting();
    void largeScanReachesTheMaximumOverEveryPoint();
    void hostileInputEndsWithAnOutcome_data();
    void hostileInputEndsWithAnOutcome();
};

void TestHybridFit::exactCurvesGiveTheirParts_data()
{
    QTest::addColumn<DeadTimeStage>("stage");
    QTest::addColumn<QVector<double>>("truth"); // A, tp, tn, top x, m (see curve())
    QTest::addColumn<bool>("timed");
    QTest::addColumn<int>("boundary"); // 0 none, else tn = 0 (1) or tp = 0 (2)
    const double inf = INFINITY;
    QTest::newRow("pre-amplifier")
        << in << QVector<double>{0.0066, 10e-6, 6e-6, 4.8e6, 0} << false << 0;
    QTest::newRow("pre-amplifier, mostly paralysable, rates")
        << in << QVector<double>{0.0066, 12e-6, 3e-6, 4.8e6, 0} << true << 0;
    QTest::newRow("amplifier") << out << QVector<double>{0.7, 1.5e-6, 1e-6, 3e5, 0} << false << 0;
    QTest::newRow("amplifier, mostly non-paralysable, rates")
        << out << QVector<double>{0.9, 0.4e-6, 2e-6, 4e5, 0} << true << 0;
    // Where the least-squares hybrid needs a part < 0, or of 0, the fit is
    // the pure one of the other kind, bit for bit.
    QTest::newRow("paralysable truth")
        << out << QVector<double>{0.7, 2.5e-6, 0, 3.2e5, inf} << false << 1;
    QTest::newRow("non-paralysable truth, rates")
        << in << QVector<double>{0.0066, 2.5e-6, 0, 4.8e7, 1} << true << 2;
    QTest::newRow("bent less than paralysable")
        << in << QVector<double>{0.0066, 2.5e-6, 0, 4.8e7, -2} << false << 1;
    QTest::newRow("bent more than non-paralysable")
        << out << QVector<double>{0.7, 2.5e-6, 0, 3.2e5, 0.5} << false << 2;
}

void TestHybridFit::exactCurvesGiveTheirParts()
{
    QFETCH(DeadTimeStage, stage);
    QFETCH(QVector<double>, truth);
    QFETCH(bool, timed);
    QFETCH(int, boundary);
    const Real p[3] = {truth[0], truth[1], truth[2]};
    const QVector<double> x = settings(truth[3]);
    QVector<double> y, time;
    for (int k = 0; k < x.size(); ++k) {
        y << double(curve(stage, p, x[k], truth[4]));
        if (timed)
            time << 0.5 + 0.25 * (k % 5);
    }
    const StageFit fit = fitAll(stage, x, y, time);
    QCOMPARE(fit.outcome, StageFit::Outcome::Fitted);
    QCOMPARE(fit.model, DeadTimeModel::Hybrid);
    if (boundary != 0) {
        const StageFit pure = fitExactStage(boundary == 1 ? DeadTimeModel::Paralyzable
                                                          : DeadTimeModel::NonParalyzable,
                                            stage, x, y, time);
        QCOMPARE(fit.scale, pure.scale);
        QCOMPARE(fit.chiSquare, pure.chiSquare);
        // Its third coefficient free, the hybrid knows the constant less well.
        QCOMPARE(fit.degreesOfFreedom, 9);
        QVERIFY(fit.constantError > pure.constantError);
        QCOMPARE(boundary == 1 ? fit.paralysablePart : fit.nonParalysablePart, pure.constant);
        QCOMPARE(boundary == 1 ? fit.nonParalysablePart : fit.paralysablePart, 0.0);
        return;
    }
    QCOMPARE(fit.degreesOfFreedom, 9);
    const auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-6 * b; };
    QVERIFY(near(fit.scale, truth[0]) && near(fit.constant, truth[1] + truth[2]));
    QVERIFY(near(fit.paralysablePart, truth[1]) && near(fit.nonParalysablePart, truth[2]));
    QVERIFY(fit.chiSquare < 1e-9);
}

void TestHybridFit::errorsAreHonestUnderCounting_data()
{
    QTest::addColumn<DeadTimeStage>("stage");
    QTest::addColumn<bool>("timed");
    QTest::newRow("pre-amplifier") << in << false;
    QTest::newRow("amplifier, rates") << out << true;
}

// Over Poisson scans of a hybrid truth, the truth lies within one error of
// the constant about 68 % of the time, and chi2 / nu, in counts whether y
// are counts or rates, averages 1.
void TestHybridFit::errorsAreHonestUnderCounting()
{
    QFETCH(DeadTimeStage, stage);
    QFETCH(bool, timed);
    const Real truth[3] = {stage == in ? 0.0066 : 0.7, 1.5e-6, 1e-6};
    // A loss of r tau = 0.74 at the top, which fixes both parts.
    const QVector<double> x = settings(stage == in ? 4.5e7 : 4e5);
    QVector<double> time;
    for (int k = 0; k < x.size() && timed; ++k)
        time << 0.5 + 0.25 * (k % 5);
    std::mt19937_64 random(20240611);
    const int runs = 120;
    int within = 0;
    double pulls = 0, reduced = 0;
    for (int run = 0; run < runs; ++run) {
        QVector<double> y;
        for (int k = 0; k < x.size(); ++k) {
            const double t = time.value(k, 1.0);
            y << std::poisson_distribution<long>(double(curve(stage, truth, x[k]) * t))(random) / t;
        }
        const StageFit fit = fitAll(stage, x, y, time);
        QCOMPARE(fit.outcome, StageFit::Outcome::Fitted);
        if (run == 0 && !timed)
            checkAgainstReference(stage, x, y, fit);
        const double pull = (fit.constant - 2.5e-6) / fit.constantError;
        pulls += pull;
        within += std::fabs(pull) < 1.0;
        reduced += fit.reducedChiSquare;
    }
    // Over 120 runs the mean pull scatters by 0.09, the mean chi2 / nu by 0.04.
    QVERIFY2(std::fabs(pulls / runs) < 0.3, qPrintable(QString::number(pulls / runs)));
    QVERIFY2(std::fabs(reduced / runs - 1.0) < 0.15, qPrintable(QString::number(reduced / runs)));
    QVERIFY2(within >= 0.55 * runs && within <= 0.80 * runs, qPrintable(QString::number(within)));
}

// A scan too large to be searched point by point is searched over a
// subsample and finished over every point: the score vanishes over all of
// them, and the same points in another order (another subsample) give the
// same fit.
void TestHybridFit::largeScanReachesTheMaximumOverEveryPoint()
{
    const Real truth[3] = {0.7, 1.5e-6, 1e-6};
    const QVector<double> x = settings(4e5, 30000);
    std::mt19937_64 random(7);
    QVector<double> y;
    for (double v : x)
        y << double(std::poisson_distribution<long>(double(curve(out, truth, v)))(random));
    const StageFit fit = fitAll(out, x, y);
    QCOMPARE(fit.outcome, StageFit::Outcome::Fitted);
    QVERIFY(fit.paralysablePart > 0 && fit.nonParalysablePart > 0);
    checkAgainstReference(out, x, y, fit);

    QVector<double> rx(x.rbegin(), x.rend()), ry(y.rbegin(), y.rend());
    const StageFit reversed = fitAll(out, rx, ry);
    QVERIFY2(std::fabs(reversed.constant / fit.constant - 1) < 1e-9,
             qPrintable(QString::number(reversed.constant / fit.constant - 1)));
}

void TestHybridFit::hostileInputEndsWithAnOutcome_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<StageFit::Outcome>("outcome");
    using O = StageFit::Outcome;
    const QVector<double> x3{1e5, 2e5, 3e5};
    QTest::newRow("a NaN count") << x3 << QVector<double>{9e4, NAN, 2.5e5} << O::NotFinite;
    QTest::newRow("all x equal") << QVector<double>{1e5, 1e5, 1e5} << x3 << O::Singular;
    QTest::newRow("no counts") << x3 << QVector<double>{0, 0, 0} << O::NoCounts;
    QTest::newRow("two different x")
        << QVector<double>{1e5, 2e5, 1e5, 2e5} << QVector<double>{9e4, 1.6e5, 9.1e4, 1.62e5}
        << O::NoInformation;
    QTest::newRow("counts rising faster than x")
        << QVector<double>{1e5, 2e5, 3e5, 4e5} << QVector<double>{1e5, 2.2e5, 3.6e5, 5.2e5}
        << O::NoInformation;
    // Junk of every scale, whose outcome is any ("Fitted" here).
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int run = 0; run < 16; ++run) {
        QVector<double> x, y;
        const double range = std::pow(10.0, 12 * unit(random) - 6);
        for (int k = 0; k < 3 + run % 10; ++k) {
            x << (run % 3 ? unit(random) : std::floor(4 * unit(random))) * range;
            y << (unit(random) - (run % 4 ? 0.0 : 0.3)) * range * (run % 5 + 0.1);
        }
        QTest::addRow("random junk %d", run) << x << y << O::Fitted;
    }
}

// Whatever comes in, the fit ends with an outcome, and a fit that comes
// out is finite, within the bounds.
void TestHybridFit::hostileInputEndsWithAnOutcome()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(StageFit::Outcome, outcome);
    for (DeadTimeStage stage : {in, out}) {
        const StageFit fit = fitAll(stage, x, y);
        if (outcome != StageFit::Outcome::Fitted)
            QCOMPARE(fit.outcome, outcome);
        if (!fit.available()) {
            QVERIFY(std::isnan(fit.constant) && std::isnan(fit.paralysablePart));
            continue;
        }
        QVERIFY(std::isfinite(fit.scale) && std::isfinite(fit.chiSquare));
        QVERIFY(fit.paralysablePart >= 0 && fit.nonParalysablePart >= 0);
        QCOMPARE(fit.constant, fit.paralysablePart + fit.nonParalysablePart);
    }
}

VESKOR_CORE_TEST_MAIN(TestHybridFit)
#include "tst_hybridfit.moc"
