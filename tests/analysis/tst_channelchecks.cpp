#include "analysis/channelchecks.h"
#include "analysis/channelstats.h"
#include "analysis/deadtimefit.h"
#include "testsupport.h"

namespace {

using Table = QVector<QVector<double>>;

// One channel of a synthetic scan, on the fit's own model: ICR = k I0 -
// tau0 (k I0)^2, SCA = c1 (ICR - tau ICR^2).
struct Element
{
    double tau0;
    double tau;
    double c1 = 0.7;
};

// Eight points, I0 = 1e5 .. 8e5, k = 0.1: a highest ICR of about 78700, so
// tau = 1e-6 gives a dead-time fraction of 0.079.
struct Scan
{
    QVector<double> i0s;
    Table icrs; // per point
    Table scas;
};

// noise scales a fixed pattern of relative deviations; with shifted the
// pattern differs from channel to channel, otherwise every channel gets
// the same one (and so the same scatter).
Scan makeScan(const QVector<Element>& elements, double noise, bool shifted)
{
    const double pattern[] = {0.9, -0.4, -0.8, 0.3, 0.7, -1.0, 0.2, 0.5};
    Scan s;
    for (int j = 0; j < 8; ++j) {
        const double i0 = (j + 1) * 1e5;
        s.i0s << i0;
        QVector<double> icr, sca;
        for (int ch = 0; ch < elements.size(); ++ch) {
            const Element& e = elements[ch];
            const int shift = shifted ? 3 * ch : 0;
            const double n = 0.1 * i0;
            const double in = (n - e.tau0 * n * n) * (1 + noise * pattern[(j + shift) % 8]);
            icr << in;
            sca << e.c1 * (in - e.tau * in * in) * (1 + noise * pattern[(j + shift + 5) % 8]);
        }
        s.icrs << icr;
        s.scas << sca;
    }
    return s;
}

QVector<Element> detector(const QVector<double>& taus,
                          const QVector<double>& tau0s = {0.20e-6, 0.21e-6, 0.19e-6, 0.20e-6})
{
    QVector<Element> e;
    for (int ch = 0; ch < taus.size(); ++ch)
        e << Element{tau0s[ch % tau0s.size()], taus[ch]};
    return e;
}

QString kind(const ChannelWarning& w)
{
    switch (w.check) {
    case ChannelWarning::Check::DeadTimeFraction:
        return "fraction";
    case ChannelWarning::Check::OutlyingConstant:
        return "outlier";
    case ChannelWarning::Check::OutputAboveInput:
        return "above";
    case ChannelWarning::Check::NonFiniteConstant:
        return "nonfinite";
    // The scan's checks are tested in tst_scanchecks.
    case ChannelWarning::Check::NarrowI0Range:
    case ChannelWarning::Check::NarrowIcrRange:
    case ChannelWarning::Check::NegativeConstant:
    case ChannelWarning::Check::PoorFit:
    case ChannelWarning::Check::FirstOrderBias:
    case ChannelWarning::Check::I0NotPositive:
    case ChannelWarning::Check::FewerChannels:
    case ChannelWarning::Check::ImpreciseConstant:
    case ChannelWarning::Check::ModelsUndecided:
    case ChannelWarning::Check::PastPeak:
        break;
    }
    return "?";
}

// "fraction 3 tau", "above 2 point 1": the check, the channel and what it
// is about, channels and points counted from 1.
QString describe(const ChannelWarning& w)
{
    QString s = kind(w) + " " + QString::number(w.channel + 1);
    if (w.constant == ChannelWarning::Constant::Tau0)
        s += " tau0";
    else if (w.constant == ChannelWarning::Constant::Tau)
        s += " tau";
    if (w.point >= 0)
        s += " point " + QString::number(w.point + 1);
    else if (w.check == ChannelWarning::Check::OutputAboveInput)
        s += " and " + QString::number(w.value) + " more";
    return s;
}

} // namespace

class TestChannelChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checks_data();
    void checks();
};

void TestChannelChecks::checks_data()
{
    QTest::addColumn<QVector<double>>("i0s");
    QTest::addColumn<Table>("icrs");
    QTest::addColumn<Table>("scas");
    QTest::addColumn<QStringList>("expected");

    auto row = [](const char* name, const Scan& s, const QStringList& expected) {
        QTest::newRow(name) << s.i0s << s.icrs << s.scas << expected;
    };

    const QVector<double> sound{1.00e-6, 1.02e-6, 0.99e-6, 1.01e-6};
    row("sound detector with counting scatter", makeScan(detector(sound), 3e-3, true), {});

    row("every channel past a 10 % dead-time fraction",
        makeScan(detector({1.40e-6, 1.42e-6, 1.39e-6, 1.41e-6}), 3e-3, true),
        {"fraction 1 tau", "fraction 2 tau", "fraction 3 tau", "fraction 4 tau"});

    row("one channel's tau far below the others'",
        makeScan(detector({1.00e-6, 0.40e-6, 0.99e-6, 1.01e-6}), 3e-3, true), {"outlier 2 tau"});

    // Exact data: every standard error is zero and the three other
    // channels agree to the last digit, so the MAD is zero too.
    row("exact data, MAD zero: 10 % off is flagged",
        makeScan(detector({1.0e-6, 1.0e-6, 1.1e-6, 1.0e-6}, {0.2e-6}), 0, false),
        {"outlier 3 tau"});
    row("exact data, MAD zero: a difference in the eighth digit is not flagged",
        makeScan(detector({1.0e-6, 1.0e-6, 1.00000001e-6, 1.0e-6}, {0.2e-6}), 0, false), {});
    // The same scatter in every channel: the others agree exactly (MAD 0),
    // but each is known only to several percent.
    row("channels agree exactly, one off by two standard errors",
        makeScan(detector({1.0e-6, 1.0e-6, 1.1e-6, 1.0e-6}), 2e-2, false), {});

    {
        Scan s = makeScan(detector(sound), 3e-3, true);
        // Channel 4 counts nearly every event in its window; at the first
        // point a few counts too many push SCA past ICR.
        for (int j = 0; j < s.i0s.size(); ++j)
            s.scas[j][3] = s.icrs[j][3] - 1.01e-6 * s.icrs[j][3] * s.icrs[j][3];
        s.scas[0][3] = s.icrs[0][3] + 5;
        row("SCA above ICR at one point", s, {"above 4 point 1"});
    }
    {
        // Swapped columns: SCA above ICR everywhere (and constants far off).
        // Ten points are named, the other fourteen counted.
        Scan s = makeScan(detector(sound), 3e-3, true);
        for (int copy = 0; copy < 2; ++copy)
            for (int j = 0; j < 8; ++j) {
                s.i0s << s.i0s[j];
                s.icrs << s.icrs[j];
                s.scas << s.scas[j];
            }
        for (int j = 0; j < s.i0s.size(); ++j)
            std::swap(s.icrs[j][3], s.scas[j][3]);
        QStringList named{"outlier 4 tau0", "outlier 4 tau"};
        for (int j = 1; j <= 10; ++j)
            named << "above 4 point " + QString::number(j);
        row("SCA above ICR at every point", s, named << "above 4 and 14 more");
    }
    {
        Scan s = makeScan(detector(sound), 3e-3, true);
        for (int j = 0; j < s.i0s.size(); ++j)
            s.icrs[j][1] = s.scas[j][1] = 0;
        row("dead channel: singular fits", s, {"nonfinite 2 tau0", "nonfinite 2 tau"});
    }
    row("two channels: too few to compare", makeScan(detector({1.0e-6, 0.4e-6}), 3e-3, true), {});
}

void TestChannelChecks::checks()
{
    QFETCH(QVector<double>, i0s);
    QFETCH(Table, icrs);
    QFETCH(Table, scas);
    QFETCH(QStringList, expected);

    QVector<PointView> points;
    for (int j = 0; j < i0s.size(); ++j)
        points << PointView{i0s[j], &icrs[j], &scas[j]};
    const DeadTimeFit fit = fitDeadTimeConstants(points, icrs.first().size());
    const QVector<ChannelWarning> warnings = checkChannels(points, fit, channelStats(points, fit));
    QStringList found;
    for (const ChannelWarning& w : warnings)
        found << describe(w);
    QCOMPARE(found, expected);
}

VESKOR_CORE_TEST_MAIN(TestChannelChecks)
#include "tst_channelchecks.moc"
