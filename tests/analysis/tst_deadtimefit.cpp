#include "analysis/deadtimefit.h"
#include "referencearithmetic.h"
#include "testsupport.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Table = QVector<QVector<double>>;

const double notANumber = std::numeric_limits<double>::quiet_NaN();

// Owns the values of a set of points and hands out views on them. The
// values are filled in first and never moved, so the views stay valid.
class Points
{
public:
    Points(const QVector<double>& i0s, const Table& icrs, const Table& scas)
        : icrStore(icrs), scaStore(scas)
    {
        for (int j = 0; j < i0s.size(); ++j)
            views.append(PointView{i0s[j], &icrStore[j], &scaStore[j]});
    }

    QVector<PointView> views;

private:
    Table icrStore;
    Table scaStore;
};

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool nearRelative(double actual, double expected, double relTol)
{
    return std::fabs(actual - expected) <= relTol * std::fabs(expected);
}

enum Model
{
    QuadraticModel, // the fit's own model: exact
    NonParalysable, // N = n / (1 + tau n)
    Paralysable     // N = n exp(-tau n)
};

double countAfterDeadTime(Model model, double rate, double tau)
{
    switch (model) {
    case QuadraticModel:
        return rate - tau * rate * rate;
    case NonParalysable:
        return rate / (1 + tau * rate);
    case Paralysable:
        return rate * std::exp(-tau * rate);
    }
    return 0.0;
}

} // namespace

class TestDeadTimeFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void recoversKnownConstants_data();
    void recoversKnownConstants();
    void degenerate_data();
    void degenerate();
    void missingChannelCountsZero();
    void noChannelsGivesNothing();
    void constantsMatchReference_data();
    void constantsMatchReference();
};

void TestDeadTimeFit::workedExample()
{
    const Points points({1, 2}, {{0.9}, {1.6}}, {{0.819}, {1.344}});
    const DeadTimeFit fit = fitDeadTimeConstants(points.views, 1);
    QCOMPARE(fit.tau0s.size(), 1);
    QCOMPARE(fit.taus.size(), 1);
    QCOMPARE(fit.i0NinFits.value(0).size(), 2);
    QCOMPARE(fit.ninNoutFits.value(0).size(), 2);
    QVERIFY(nearRelative(fit.i0NinFits[0][0], 1.0, 1e-12));
    QVERIFY(nearRelative(fit.i0NinFits[0][1], -0.1, 1e-12));
    QVERIFY(nearRelative(fit.ninNoutFits[0][0], 1.0, 1e-12));
    QVERIFY(nearRelative(fit.ninNoutFits[0][1], -0.1, 1e-12));
    QVERIFY(nearRelative(fit.tau0s[0], 0.1, 1e-12));
    QVERIFY(nearRelative(fit.taus[0], 0.1, 1e-12));
}

// Points made from known constants: channel ch sees the true rate
// n = gain * I0, loses counts to the pre-amplifier dead time tau0 (ICR),
// and its SCA window takes the fraction f of what the amplifier, with dead
// time tau, passes of the ICR.
//
// The fit is the first-order expansion N = n - tau n^2. For the quadratic
// model itself it recovers the constants to rounding: the data carry the
// dead-time loss (a few per cent of the counts) to 1e-16, so 1e-9 leaves
// room for the conditioning of the normal equations. The physical models
// add tau^2 n^3 (non-paralysable) or tau^2 n^3 / 2 (paralysable) and
// higher terms; the least-squares projection of I0^3 onto {I0, I0^2} over
// the I0 values used here is about 1.4 * I0max * I0^2, so the recovered
// constant is off by about 1.4 u (non-paralysable) or 0.7 u (paralysable)
// relative, with u = tau * (largest rate that stage sees). The tolerance
// 2 u bounds that bias.
void TestDeadTimeFit::recoversKnownConstants_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<Table>("channels"); // per channel {gain, tau0, f, tau}
    QTest::addColumn<QVector<double>>("i0s");

    const QVector<double> i0s{2e4, 5e4, 1e5, 2e5, 4e5, 6e5, 8e5, 1e6};
    const Table channels{
        {0.1, 1.0e-7, 0.8, 1.0e-6}, {0.12, 2.5e-7, 0.7, 1.5e-6}, {0.08, 0.5e-7, 0.9, 0.8e-6}};
    QTest::newRow("quadratic model: exact") << int(QuadraticModel) << channels << i0s;
    QTest::newRow("non-paralysable detector") << int(NonParalysable) << channels << i0s;
    QTest::newRow("paralysable detector") << int(Paralysable) << channels << i0s;
    const Table lowRate{{0.01, 1.0e-7, 0.8, 1.0e-6}, {0.02, 3.0e-7, 0.6, 2.0e-6}};
    QTest::newRow("non-paralysable, low rates") << int(NonParalysable) << lowRate << i0s;
    QTest::newRow("unordered I0, three points")
        << int(NonParalysable) << lowRate << QVector<double>{8e5, 1e5, 4e5};
}

void TestDeadTimeFit::recoversKnownConstants()
{
    QFETCH(int, model);
    QFETCH(Table, channels);
    QFETCH(QVector<double>, i0s);
    const auto m = Model(model);

    Table icrs(i0s.size());
    Table scas(i0s.size());
    QVector<double> maxIcr(channels.size(), 0.0);
    for (int j = 0; j < i0s.size(); ++j) {
        for (int ch = 0; ch < channels.size(); ++ch) {
            const double gain = channels[ch][0], tau0 = channels[ch][1];
            const double fraction = channels[ch][2], tau = channels[ch][3];
            const double icr = countAfterDeadTime(m, gain * i0s[j], tau0);
            icrs[j].append(icr);
            scas[j].append(fraction * countAfterDeadTime(m, icr, tau));
            maxIcr[ch] = qMax(maxIcr[ch], icr);
        }
    }
    const double i0Max = *std::max_element(i0s.begin(), i0s.end());
    const Points points(i0s, icrs, scas);

    const DeadTimeFit fit = fitDeadTimeConstants(points.views, channels.size());
    QCOMPARE(fit.tau0s.size(), channels.size());
    for (int ch = 0; ch < channels.size(); ++ch) {
        const double gain = channels[ch][0], tau0 = channels[ch][1];
        const double fraction = channels[ch][2], tau = channels[ch][3];
        const double tol0 = m == QuadraticModel ? 1e-9 : 2 * tau0 * gain * i0Max;
        const double tol = m == QuadraticModel ? 1e-9 : 2 * tau * maxIcr[ch];
        QVERIFY2(nearRelative(fit.tau0s[ch], tau0, tol0),
                 qPrintable(QString("channel %1: tau0 %2, want %3 within %4")
                                .arg(ch)
                                .arg(fit.tau0s[ch])
                                .arg(tau0)
                                .arg(tol0)));
        QVERIFY2(nearRelative(fit.taus[ch], tau, tol),
                 qPrintable(QString("channel %1: tau %2, want %3 within %4")
                                .arg(ch)
                                .arg(fit.taus[ch])
                                .arg(tau)
                                .arg(tol)));
        if (m == QuadraticModel) {
            QVERIFY(nearRelative(fit.i0NinFits[ch][0], gain, 1e-9));
            QVERIFY(nearRelative(fit.ninNoutFits[ch][0], fraction, 1e-9));
        }
    }
}

void TestDeadTimeFit::degenerate_data()
{
    QTest::addColumn<QVector<double>>("i0s");
    QTest::addColumn<Table>("icrs");
    QTest::addColumn<Table>("scas");
    QTest::addColumn<double>("tau0"); // NaN: must come out NaN
    QTest::addColumn<double>("tau");

    // The output fit passes exactly through (100, 90) and (200, 170):
    // c2 = -5e-4, c1 = 0.95, so tau = 5e-4 / 0.95.
    const double tauThroughTwo = 5e-4 / 0.95;
    QTest::newRow("both points at I0 = 5") << QVector<double>{5, 5} << Table{{100}, {200}}
                                           << Table{{90}, {170}} << notANumber << tauThroughTwo;
    QTest::newRow("both points at I0 = 0") << QVector<double>{0, 0} << Table{{100}, {200}}
                                           << Table{{90}, {170}} << notANumber << tauThroughTwo;
    QTest::newRow("one point") << QVector<double>{5} << Table{{100}} << Table{{90}} << notANumber
                               << notANumber;
    QTest::newRow("no points") << QVector<double>{} << Table{} << Table{} << notANumber
                               << notANumber;
    QTest::newRow("no counts at all")
        << QVector<double>{1, 2} << Table{{0}, {0}} << Table{{0}, {0}} << notANumber << notANumber;
}

void TestDeadTimeFit::degenerate()
{
    QFETCH(QVector<double>, i0s);
    QFETCH(Table, icrs);
    QFETCH(Table, scas);
    QFETCH(double, tau0);
    QFETCH(double, tau);

    const Points points(i0s, icrs, scas);
    const DeadTimeFit fit = fitDeadTimeConstants(points.views, 1);
    QCOMPARE(fit.tau0s.size(), 1);
    QCOMPARE(fit.taus.size(), 1);
    QCOMPARE(fit.i0NinFits.value(0).size(), 2);
    QCOMPARE(fit.ninNoutFits.value(0).size(), 2);
    if (std::isnan(tau0))
        QVERIFY2(std::isnan(fit.tau0s[0]), qPrintable(QString::number(fit.tau0s[0])));
    else
        QVERIFY(nearRelative(fit.tau0s[0], tau0, 1e-12));
    if (std::isnan(tau))
        QVERIFY2(std::isnan(fit.taus[0]), qPrintable(QString::number(fit.taus[0])));
    else
        QVERIFY2(nearRelative(fit.taus[0], tau, 1e-12), qPrintable(QString::number(fit.taus[0])));
}

// A point short of a channel counts 0.0 for both of that channel's counts,
// even where one of its two vectors does hold the channel.
void TestDeadTimeFit::missingChannelCountsZero()
{
    const QVector<double> i0s{1e5, 2e5, 4e5};
    const Points shortOnes(i0s, {{9e3, 8e3}, {1.7e4}, {3.1e4, 2.9e4}},
                           {{8e3, 7e3}, {1.5e4, 1.4e4}, {2.6e4}});
    const Points withZeros(i0s, {{9e3, 8e3}, {1.7e4, 0.0}, {3.1e4, 0.0}},
                           {{8e3, 7e3}, {1.5e4, 0.0}, {2.6e4, 0.0}});
    const DeadTimeFit got = fitDeadTimeConstants(shortOnes.views, 2);
    const DeadTimeFit want = fitDeadTimeConstants(withZeros.views, 2);
    for (int ch = 0; ch < 2; ++ch) {
        QVERIFY(sameBits(got.tau0s[ch], want.tau0s[ch]));
        QVERIFY(sameBits(got.taus[ch], want.taus[ch]));
        for (int k = 0; k < 2; ++k) {
            QVERIFY(sameBits(got.i0NinFits[ch][k], want.i0NinFits[ch][k]));
            QVERIFY(sameBits(got.ninNoutFits[ch][k], want.ninNoutFits[ch][k]));
        }
    }
    // Channel 0 is complete in every point and is not disturbed.
    const Points firstOnly(i0s, {{9e3}, {1.7e4}, {3.1e4}}, {{8e3}, {1.5e4}, {2.6e4}});
    QVERIFY(sameBits(got.tau0s[0], fitDeadTimeConstants(firstOnly.views, 1).tau0s[0]));
}

void TestDeadTimeFit::noChannelsGivesNothing()
{
    const Points points({1, 2}, {{0.9}, {1.6}}, {{0.819}, {1.344}});
    for (int n : {0, -3}) {
        const DeadTimeFit fit = fitDeadTimeConstants(points.views, n);
        QVERIFY(fit.tau0s.isEmpty());
        QVERIFY(fit.taus.isEmpty());
        QVERIFY(fit.i0NinFits.isEmpty());
        QVERIFY(fit.ninNoutFits.isEmpty());
    }
}

void TestDeadTimeFit::constantsMatchReference_data()
{
    QTest::addColumn<bool>("ragged"); // points with fewer channels than others
    QTest::addColumn<bool>("anyValues");
    QTest::addColumn<quint64>("seed");

    QTest::newRow("measured scans") << false << false << quint64(11);
    QTest::newRow("measured scans, some points short of channels") << true << false << quint64(12);
    QTest::newRow("any values") << false << true << quint64(13);
}

// Every coefficient and constant is the reference's to the last bit: tau0
// as (-a2 / a1) / a1, tau as -c2 / c1, each fit over the points in their
// order, 0 standing in for a channel a point lacks.
void TestDeadTimeFit::constantsMatchReference()
{
    QFETCH(bool, ragged);
    QFETCH(bool, anyValues);
    QFETCH(quint64, seed);

    namespace ref = veskor::reference;
    ref::Random random(seed);
    for (int i = 0; i < 300; ++i) {
        const int n = 2 + random.below(20);
        const int channels = 1 + random.below(6);
        QVector<double> i0s;
        Table icrs(n), scas(n);
        for (int j = 0; j < n; ++j) {
            const double i0 = anyValues ? random.uniform(-1e6, 1e6) : random.logUniform(1e4, 5e6);
            i0s << i0;
            const int held = ragged && random.chance(0.2) ? random.below(channels + 1) : channels;
            for (int ch = 0; ch < held; ++ch) {
                const double icr = anyValues
                                       ? random.uniform(-1e6, 1e6)
                                       : i0 * 0.3 * (1 - 1e-7 * i0) * random.uniform(0.99, 1.01);
                icrs[j] << icr;
                scas[j] << (anyValues
                                ? random.uniform(-1e6, 1e6)
                                : 0.7 * icr * (1 - 2.5e-6 * icr) * random.uniform(0.99, 1.01));
            }
            if (ragged && random.chance(0.1))
                scas[j].resize(random.below(scas[j].size() + 1));
        }
        const Points points(i0s, icrs, scas);
        const DeadTimeFit fit = fitDeadTimeConstants(points.views, channels);
        QCOMPARE(fit.tau0s.size(), channels);

        for (int ch = 0; ch < channels; ++ch) {
            QVector<double> x, y, icr, sca;
            for (int j = 0; j < n; ++j) {
                const bool has = ch < icrs[j].size() && ch < scas[j].size();
                icr << (has ? icrs[j][ch] : 0.0);
                sca << (has ? scas[j][ch] : 0.0);
            }
            const ref::QuadraticFit in = ref::fitQuadratic(i0s, icr);
            const ref::QuadraticFit out = ref::fitQuadratic(icr, sca);
            const QString where = QStringLiteral("case %1, channel %2").arg(i).arg(ch);
            VESKOR_COMPARE_BITS(fit.i0NinFits[ch][0], in.p1, where + " a1");
            VESKOR_COMPARE_BITS(fit.i0NinFits[ch][1], in.p2, where + " a2");
            VESKOR_COMPARE_BITS(fit.ninNoutFits[ch][0], out.p1, where + " c1");
            VESKOR_COMPARE_BITS(fit.ninNoutFits[ch][1], out.p2, where + " c2");
            VESKOR_COMPARE_BITS(fit.tau0s[ch], ref::tau0(in.p1, in.p2), where + " tau0");
            VESKOR_COMPARE_BITS(fit.taus[ch], ref::tau(out.p1, out.p2), where + " tau");
        }
    }
}

VESKOR_CORE_TEST_MAIN(TestDeadTimeFit)
#include "tst_deadtimefit.moc"
