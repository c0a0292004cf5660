#include "analysis/numarrays.h"
#include "analysis/quadraticfit.h"
#include "referencearithmetic.h"
#include "testsupport.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Matrix = QVector<QVector<double>>;

const double notANumber = std::numeric_limits<double>::quiet_NaN();

// A NumArrays matrix holding m, freed with the fixture.
struct Arrays
{
    NumArrays na;
    int n = 0;
    double** a = nullptr;
    double** l = nullptr;
    double** u = nullptr;
    int* perm = nullptr;

    explicit Arrays(const Matrix& m) : n(m.size())
    {
        a = na.newMatrix(n);
        l = na.newMatrix(n);
        u = na.newMatrix(n);
        perm = na.newIndexVector(n);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                a[r][c] = m[r][c];
    }
    ~Arrays()
    {
        na.freeMatrix(n, a);
        na.freeMatrix(n, l);
        na.freeMatrix(n, u);
        na.freeIndexVector(perm);
    }
    Arrays(const Arrays&) = delete;
    Arrays& operator=(const Arrays&) = delete;

    QVector<int> permutation() const { return QVector<int>(perm, perm + n); }
};

bool near(double actual, double expected, double tolerance)
{
    return std::fabs(actual - expected) <= tolerance;
}

// Kinds of generated fit inputs.
enum Inputs
{
    DeadTimeScans, // counts bending below a line, as measured
    AnyMagnitudes, // signs and magnitudes from 1e-150 to 1e150
    FewPoints,     // none to three pairs, small whole numbers and zeros
    SpecialValues, // NaN, infinities, zeros, repeated x
    UnequalLengths // x and y of different lengths
};

void generate(Inputs kind, veskor::reference::Random& r, QVector<double>& x, QVector<double>& y)
{
    x.clear();
    y.clear();
    switch (kind) {
    case DeadTimeScans: {
        const int n = 2 + r.below(30);
        const double gain = r.uniform(0.05, 2);
        const double tau = r.logUniform(1e-9, 1e-6);
        for (int k = 0; k < n; ++k) {
            const double i0 = r.logUniform(1e3, 1e7);
            x << i0;
            y << gain * i0 * (1 - tau * gain * i0) * r.uniform(0.98, 1.02);
        }
        break;
    }
    case AnyMagnitudes: {
        const int n = 2 + r.below(12);
        const auto value = [&r] { return (r.chance(0.5) ? -1 : 1) * r.logUniform(1e-150, 1e150); };
        for (int k = 0; k < n; ++k) {
            x << value();
            y << value();
        }
        break;
    }
    case FewPoints: {
        const int n = r.below(4);
        for (int k = 0; k < n; ++k) {
            x << double(r.below(7) - 3);
            y << double(r.below(7) - 3);
        }
        break;
    }
    case SpecialValues: {
        const double specials[] = {std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   0.0,
                                   -0.0,
                                   1e308,
                                   5e-324,
                                   3.0};
        const int n = 1 + r.below(5);
        for (int k = 0; k < n; ++k) {
            x << (r.chance(0.3) ? specials[r.below(8)] : r.uniform(-10, 10));
            y << (r.chance(0.3) ? specials[r.below(8)] : r.uniform(-10, 10));
        }
        if (r.chance(0.3))
            x.fill(x.first());
        break;
    }
    case UnequalLengths: {
        const int nx = r.below(6), ny = r.below(6);
        for (int k = 0; k < nx; ++k)
            x << r.uniform(-100, 100);
        for (int k = 0; k < ny; ++k)
            y << r.uniform(-100, 100);
        break;
    }
    }
}

} // namespace

class TestNumArrays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void luDecompose_data();
    void luDecompose();
    void sizeZeroOrBelowTouchesNothing();
    void fitQuadratic_data();
    void fitQuadratic();
    void fitQuadraticDegenerate_data();
    void fitQuadraticDegenerate();
    void fitQuadraticAppendsToOut();
    void fitQuadraticMatchesReference_data();
    void fitQuadraticMatchesReference();
};

void TestNumArrays::luDecompose_data()
{
    QTest::addColumn<Matrix>("matrix");
    QTest::addColumn<QVector<int>>("perm");
    QTest::addColumn<bool>("finite");   // factors can be multiplied back
    QTest::addColumn<bool>("solvable"); // regular: a solve gives back x

    // |S3| = 9 beats |S2| = 5 in the first column.
    QTest::newRow("normal matrix of the worked fit example")
        << Matrix{{5, 9}, {9, 17}} << QVector<int>{1, 0} << true << true;
    QTest::newRow("equal magnitudes: the first row stays pivot")
        << Matrix{{-3, 1}, {3, 2}} << QVector<int>{0, 1} << true << true;
    QTest::newRow("equal rows: singular, first row stays pivot")
        << Matrix{{2, 2}, {2, 2}} << QVector<int>{0, 1} << true << false;
    QTest::newRow("NaN is never the pivot")
        << Matrix{{notANumber, 1}, {2, 3}} << QVector<int>{1, 0} << false << false;
    QTest::newRow("NaN below a real pivot stays below")
        << Matrix{{1, 1}, {notANumber, 1}} << QVector<int>{0, 1} << false << false;
    // Without the replacement divisor the multiplier would be 0 / 0.
    QTest::newRow("zero column: divisor replaced by 1.0")
        << Matrix{{0, 1}, {0, 2}} << QVector<int>{0, 1} << true << false;
    // Column 0 picks row 2 (7); after elimination column 1 holds 3/7 in row
    // 1 and 6/7 in row 0, so row 0 follows.
    QTest::newRow("3 x 3 with a pivot change in two columns")
        << Matrix{{1, 2, 3}, {4, 5, 6}, {7, 8, 10}} << QVector<int>{2, 0, 1} << true << true;
    QTest::newRow("4 x 4 diagonally dominant: no row change")
        << Matrix{{10, 1, 0, 2}, {1, 12, 3, 0}, {0, 2, 9, 1}, {1, 0, 1, 8}}
        << QVector<int>{0, 1, 2, 3} << true << true;
}

void TestNumArrays::luDecompose()
{
    QFETCH(Matrix, matrix);
    QFETCH(QVector<int>, perm);
    QFETCH(bool, finite);
    QFETCH(bool, solvable);

    Arrays ar(matrix);
    const int n = ar.n;
    ar.na.luDecompose(n, ar.a, ar.l, ar.u, ar.perm);
    QCOMPARE(ar.permutation(), perm);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            QVERIFY(std::memcmp(&ar.a[r][c], &matrix[r][c], sizeof(double)) == 0);
    if (!finite)
        return;

    // In logical order L is unit lower and U upper triangular, and
    // L * U gives back the rows of A in the order of perm.
    for (int m = 0; m < n; ++m) {
        const int pm = perm[m];
        for (int c = 0; c < n; ++c) {
            if (c > m)
                QCOMPARE(ar.l[pm][c], 0.0);
            if (c == m)
                QCOMPARE(ar.l[pm][c], 1.0);
            if (c < m)
                QCOMPARE(ar.u[pm][c], 0.0);
            double sum = 0.0;
            for (int k = 0; k < n; ++k)
                sum += ar.l[pm][k] * ar.u[perm[k]][c];
            QVERIFY2(near(sum, matrix[pm][c], 1e-12 * (1 + std::fabs(matrix[pm][c]))),
                     qPrintable(QString("row %1 col %2: %3").arg(m).arg(c).arg(sum)));
        }
    }
    if (!solvable)
        return;

    // Solve A x = b for a known x; component k comes back at perm[k].
    const double xs[] = {1.0, -2.0, 3.0, -4.0};
    QVector<double> b(n, 0.0);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            b[r] += matrix[r][c] * xs[c];
    const QVector<double> bBefore = b;
    QVector<double> t(n, 0.0);
    QVector<double> z(n, 0.0);
    ar.na.forwardSubstitute(n, ar.l, b.data(), t.data(), ar.perm);
    QCOMPARE(b, bBefore);
    const QVector<double> tBefore = t;
    ar.na.backSubstitute(n, ar.u, t.data(), z.data(), ar.perm);
    QCOMPARE(t, tBefore);
    for (int k = 0; k < n; ++k)
        QVERIFY2(near(z[perm[k]], xs[k], 1e-12),
                 qPrintable(QString("component %1: %2").arg(k).arg(z[perm[k]])));
}

void TestNumArrays::sizeZeroOrBelowTouchesNothing()
{
    for (int n : {0, -1}) {
        double row[1] = {7.0};
        double lrow[1] = {8.0};
        double urow[1] = {9.0};
        double* a[1] = {row};
        double* l[1] = {lrow};
        double* u[1] = {urow};
        int perm[1] = {5};
        double b[1] = {1.5};
        double y[1] = {2.5};
        double x[1] = {3.5};
        NumArrays na;
        na.luDecompose(n, a, l, u, perm);
        na.forwardSubstitute(n, l, b, y, perm);
        na.backSubstitute(n, u, y, x, perm);
        QCOMPARE(row[0], 7.0);
        QCOMPARE(lrow[0], 8.0);
        QCOMPARE(urow[0], 9.0);
        QCOMPARE(perm[0], 5);
        QCOMPARE(b[0], 1.5);
        QCOMPARE(y[0], 2.5);
        QCOMPARE(x[0], 3.5);
    }
}

void TestNumArrays::fitQuadratic_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<double>("p1");
    QTest::addColumn<double>("p2");
    QTest::addColumn<double>("tol1");
    QTest::addColumn<double>("tol2");

    QTest::newRow("worked example")
        << QVector<double>{1, 2} << QVector<double>{0.9, 1.6} << 1.0 << -0.1 << 1e-12 << 1e-12;
    // y = 3 x - 0.5 x^2
    QTest::newRow("exact quadratic through five points")
        << QVector<double>{1, 2, 3, 4, 5} << QVector<double>{2.5, 4, 4.5, 4, 2.5} << 3.0 << -0.5
        << 1e-12 << 1e-12;
    // y = 2 x + x^2
    QTest::newRow("negative and positive x")
        << QVector<double>{-2, -1, 1, 3} << QVector<double>{0, -1, 3, 15} << 2.0 << 1.0 << 1e-12
        << 1e-12;
    QTest::newRow("straight line: no square term")
        << QVector<double>{1, 2, 4} << QVector<double>{2, 4, 8} << 2.0 << 0.0 << 1e-12 << 1e-12;
    // Normal equations [[14, 36], [36, 98]] p = [13, 31], solved by
    // Cramer's rule: p1 = 158 / 76, p2 = -34 / 76.
    QTest::newRow("scattered points: least squares, not interpolation")
        << QVector<double>{1, 2, 3} << QVector<double>{1, 3, 2} << 158.0 / 76 << -34.0 / 76 << 1e-12
        << 1e-12;
    // Count rates: y = x - 1e-7 x^2. The sums reach 1e22, so the tolerance
    // is relative to each coefficient.
    QTest::newRow("count-rate scale")
        << QVector<double>{1e5, 2e5, 4e5} << QVector<double>{99000, 196000, 384000} << 1.0 << -1e-7
        << 1e-12 << 1e-19;
    QTest::newRow("y longer than x: extra y ignored")
        << QVector<double>{1, 2} << QVector<double>{0.9, 1.6, 100} << 1.0 << -0.1 << 1e-12 << 1e-12;
    QTest::newRow("x longer than y: unpaired x left out")
        << QVector<double>{1, 2, 3} << QVector<double>{0.9, 1.6} << 1.0 << -0.1 << 1e-12 << 1e-12;
}

void TestNumArrays::fitQuadratic()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(double, p1);
    QFETCH(double, p2);
    QFETCH(double, tol1);
    QFETCH(double, tol2);

    QVector<double> out;
    ::fitQuadratic(x, y, out);
    QCOMPARE(out.size(), 2);
    QVERIFY2(near(out[0], p1, tol1), qPrintable(QString::number(out[0], 'g', 17)));
    QVERIFY2(near(out[1], p2, tol2), qPrintable(QString::number(out[1], 'g', 17)));
}

void TestNumArrays::fitQuadraticDegenerate_data()
{
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<bool>("bothNan"); // otherwise: neither is finite

    QTest::newRow("x = {1, 1}") << QVector<double>{1, 1} << QVector<double>{1, 1} << true;
    QTest::newRow("x = {5, 5}, equal y") << QVector<double>{5, 5} << QVector<double>{1, 1} << true;
    QTest::newRow("x = {5, 5}, other y") << QVector<double>{5, 5} << QVector<double>{1, 2} << false;
    QTest::newRow("no points") << QVector<double>{} << QVector<double>{} << true;
    QTest::newRow("all x zero") << QVector<double>{0, 0, 0} << QVector<double>{1, 2, 3} << true;
    QTest::newRow("one point") << QVector<double>{2} << QVector<double>{3} << true;
}

void TestNumArrays::fitQuadraticDegenerate()
{
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(bool, bothNan);

    QVector<double> out;
    ::fitQuadratic(x, y, out);
    QCOMPARE(out.size(), 2);
    if (bothNan) {
        QVERIFY(std::isnan(out[0]));
        QVERIFY(std::isnan(out[1]));
    } else {
        QVERIFY(!std::isfinite(out[0]));
        QVERIFY(!std::isfinite(out[1]));
    }
}

void TestNumArrays::fitQuadraticAppendsToOut()
{
    QVector<double> out{42.0, 43.0};
    ::fitQuadratic({1, 2}, {0.9, 1.6}, out);
    QCOMPARE(out.size(), 4);
    QCOMPARE(out[0], 42.0);
    QCOMPARE(out[1], 43.0);
    QVERIFY(near(out[2], 1.0, 1e-12));
    QVERIFY(near(out[3], -0.1, 1e-12));
}

void TestNumArrays::fitQuadraticMatchesReference_data()
{
    QTest::addColumn<int>("inputs");
    QTest::addColumn<quint64>("seed");

    QTest::newRow("dead-time scans") << int(DeadTimeScans) << quint64(1);
    QTest::newRow("any magnitudes and signs") << int(AnyMagnitudes) << quint64(2);
    QTest::newRow("none to three points") << int(FewPoints) << quint64(3);
    QTest::newRow("NaN, infinities, zeros, equal x") << int(SpecialValues) << quint64(4);
    QTest::newRow("x and y of different lengths") << int(UnequalLengths) << quint64(5);
}

// The coefficients are those of the sums, the LU decomposition and the two
// substitutions in their fixed order, to the last bit: a solver that is as
// good (Cramer's rule, another order of products) gives other bits.
void TestNumArrays::fitQuadraticMatchesReference()
{
    QFETCH(int, inputs);
    QFETCH(quint64, seed);

    veskor::reference::Random random(seed);
    QVector<double> x, y;
    for (int i = 0; i < 2000; ++i) {
        generate(Inputs(inputs), random, x, y);
        QVector<double> out;
        ::fitQuadratic(x, y, out);
        const veskor::reference::QuadraticFit expected = veskor::reference::fitQuadratic(x, y);
        QCOMPARE(out.size(), 2);
        VESKOR_COMPARE_BITS(out[0], expected.p1, QStringLiteral("case %1, p1").arg(i));
        VESKOR_COMPARE_BITS(out[1], expected.p2, QStringLiteral("case %1, p2").arg(i));
    }
}

VESKOR_CORE_TEST_MAIN(TestNumArrays)
#include "tst_numarrays.moc"
