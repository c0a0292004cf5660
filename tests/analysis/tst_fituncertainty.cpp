#include "analysis/fituncertainty.h"
#include "testsupport.h"

#include <cmath>
#include <functional>
#include <limits>

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();

bool near(double actual, double expected, double relTol)
{
    return std::fabs(actual - expected) <= relTol * std::fabs(expected);
}

// The covariance worked out independently of the code under test: the
// closed-form inverse of the 2 x 2 normal matrix, in long double.
struct Reference
{
    long double varP1, varP2, cov, s2, chi2;
};

Reference reference(const QVector<double>& x, const QVector<double>& y, double p1, double p2)
{
    long double s2 = 0, s3 = 0, s4 = 0, rss = 0, chi2 = 0;
    for (int k = 0; k < x.size(); ++k) {
        const long double v = x[k];
        s2 += v * v;
        s3 += v * v * v;
        s4 += v * v * v * v;
        const long double fitted = p1 * v + p2 * v * v;
        rss += (y[k] - fitted) * (y[k] - fitted);
        chi2 += (y[k] - fitted) * (y[k] - fitted) / fitted;
    }
    const long double det = s2 * s4 - s3 * s3;
    const long double var = rss / (x.size() - 2);
    return {var * s4 / det, var * s2 / det, -var * s3 / det, var, chi2 / (x.size() - 2)};
}

// First-order propagation with a numerical gradient (central differences),
// so the analytic gradients of the code are checked, not repeated.
double numericError(const std::function<double(double, double)>& f, double p1, double p2,
                    const Reference& r)
{
    const double h1 = std::fabs(p1) * 1e-6;
    const double h2 = std::fabs(p2) * 1e-6;
    const double g1 = (f(p1 + h1, p2) - f(p1 - h1, p2)) / (2 * h1);
    const double g2 = (f(p1, p2 + h2) - f(p1, p2 - h2)) / (2 * h2);
    return std::sqrt(
        static_cast<double>(g1 * g1 * r.varP1 + 2 * g1 * g2 * r.cov + g2 * g2 * r.varP2));
}

double tau0Of(double p1, double p2)
{
    return -p2 / p1 / p1;
}

double tauOf(double p1, double p2)
{
    return -p2 / p1;
}

} // namespace

class TestFitUncertainty : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handWorkedCase();
    void againstClosedForm_data();
    void againstClosedForm();
    void notAvailable_data();
    void notAvailable();
};

// x = 1, 2, 3 and y = 1, 3, 2, worked with fractions: X^T X = [[14, 36],
// [36, 98]] (det 76), p = (158/76, -34/76), RSS = 16/19 over one degree of
// freedom. tau = -p2/p1 = 17/79.
void TestFitUncertainty::handWorkedCase()
{
    const QVector<double> x{1, 2, 3};
    const QVector<double> y{1, 3, 2};
    const double p1 = 158.0 / 76;
    const double p2 = -34.0 / 76;
    const QuadraticFitUncertainty u = quadraticFitUncertainty(x, y, p1, p2);
    QVERIFY(u.available);
    QVERIFY(near(u.residualVariance, 16.0 / 19, 1e-12));
    QVERIFY(near(u.varP1, 16.0 / 19 * 98 / 76, 1e-12));
    QVERIFY(near(u.varP2, 16.0 / 19 * 14 / 76, 1e-12));
    QVERIFY(near(u.covP1P2, -16.0 / 19 * 36 / 76, 1e-12));
    // Fitted values 31/19, 45/19, 42/19; residuals -12/19, 12/19, -4/19.
    const double chi2 = 144.0 / 19 / 31 + 144.0 / 19 / 45 + 16.0 / 19 / 42;
    QVERIFY(near(u.reducedChiSquare, chi2, 1e-12));
    // Gradient of tau: (p2 / p1^2, -1 / p1).
    const double g1 = -34.0 * 76 / (158.0 * 158.0);
    const double g2 = -76.0 / 158;
    const double var = g1 * g1 * u.varP1 + 2 * g1 * g2 * u.covP1P2 + g2 * g2 * u.varP2;
    QVERIFY(near(tauStandardError(p1, p2, u), std::sqrt(var), 1e-12));
}

void TestFitUncertainty::againstClosedForm_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<double>("p1");
    QTest::addColumn<double>("p2");

    // The scale of a real scan: x^2 is twelve decades above 1, which the
    // unscaled normal matrix would lose to rounding.
    QTest::newRow("I0 against ICR at beamline rates")
        << QVector<double>{4.0e5, 1.2e6, 2.0e6, 2.8e6, 3.6e6, 4.4e6}
        << QVector<double>{6011, 17890, 29650, 41020, 52380, 63100} << 0.0150 << -2.1e-10;
    QTest::newRow("ICR against SCA, near-linear")
        << QVector<double>{2500, 7600, 12400, 17500, 22300, 27400, 32000}
        << QVector<double>{1740, 5190, 8350, 11610, 14600, 17730, 20400} << 0.70 << -1.9e-6;
    QTest::newRow("negative curvature term, few points")
        << QVector<double>{1, 2, 4, 5} << QVector<double>{0.95, 1.7, 2.9, 3.3} << 1.0 << -0.07;
}

void TestFitUncertainty::againstClosedForm()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(double, p1);
    QFETCH(double, p2);
    const QuadraticFitUncertainty u = quadraticFitUncertainty(x, y, p1, p2);
    const Reference r = reference(x, y, p1, p2);
    QVERIFY(u.available);
    QVERIFY(near(u.residualVariance, static_cast<double>(r.s2), 1e-12));
    QVERIFY(near(u.varP1, static_cast<double>(r.varP1), 1e-8));
    QVERIFY(near(u.varP2, static_cast<double>(r.varP2), 1e-8));
    QVERIFY(near(u.covP1P2, static_cast<double>(r.cov), 1e-8));
    QVERIFY(near(u.reducedChiSquare, static_cast<double>(r.chi2), 1e-12));
    QVERIFY(near(tau0StandardError(p1, p2, u), numericError(tau0Of, p1, p2, r), 1e-5));
    QVERIFY(near(tauStandardError(p1, p2, u), numericError(tauOf, p1, p2, r), 1e-5));
}

void TestFitUncertainty::notAvailable_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<double>("p1");
    QTest::addColumn<double>("p2");
    QTest::addColumn<bool>("errorsAvailable");

    QTest::newRow("two points leave no degree of freedom")
        << QVector<double>{1, 2} << QVector<double>{0.9, 1.6} << 1.0 << -0.1 << false;
    QTest::newRow("every point at one x")
        << QVector<double>{5, 5, 5} << QVector<double>{1, 2, 3} << 0.1 << 0.0 << false;
    QTest::newRow("every x zero") << QVector<double>{0, 0, 0} << QVector<double>{1, 2, 3} << 1.0
                                  << 1.0 << false;
    QTest::newRow("a value that is not a number")
        << QVector<double>{1, 2, 3} << QVector<double>{1, notANumber, 2} << 1.0 << -0.1 << false;
    QTest::newRow("singular fit's coefficients")
        << QVector<double>{1, 2, 3} << QVector<double>{1, 3, 2} << notANumber << notANumber
        << false;
    QTest::newRow("a fitted count not positive: errors only")
        << QVector<double>{1, 2, 3} << QVector<double>{0.5, 0.1, -1.4} << 1.0 << -0.5 << true;
}

void TestFitUncertainty::notAvailable()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(double, p1);
    QFETCH(double, p2);
    QFETCH(bool, errorsAvailable);
    const QuadraticFitUncertainty u = quadraticFitUncertainty(x, y, p1, p2);
    QCOMPARE(u.available, errorsAvailable);
    QVERIFY(std::isnan(u.reducedChiSquare));
    QCOMPARE(std::isnan(tau0StandardError(p1, p2, u)), !errorsAvailable);
    QCOMPARE(std::isnan(tauStandardError(p1, p2, u)), !errorsAvailable);
}

VESKOR_CORE_TEST_MAIN(TestFitUncertainty)
#include "tst_fituncertainty.moc"
