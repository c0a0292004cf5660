#include "analysis/channelsummary.h"
#include "analysis/runanalysis.h"
#include "analysis/scanchecks.h"
#include "testsupport.h"

#include <algorithm>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(ModelChoice)

namespace {

using Check = ChannelWarning::Check;

// A scan held as the loaders hold it: one I0 and per channel an ICR and an
// SCA count for every point.
struct Scan
{
    QVector<double> i0s;
    QVector<QVector<double>> icrs;
    QVector<QVector<double>> scas;

    QVector<PointView> views() const
    {
        QVector<PointView> v;
        for (int j = 0; j < i0s.size(); ++j)
            v.append(PointView{i0s[j], &icrs[j], &scas[j]});
        return v;
    }
    int channels() const { return icrs.isEmpty() ? 0 : icrs.first().size(); }
};

// The same fixed pattern of deviations of about one standard deviation of
// a count each, shifted from channel to channel.
double deviation(int point, int channel)
{
    const double pattern[] = {0.9, -1.3, 0.2, 1.1, -0.6, -0.4, 1.5, -1.0, 0.3, -0.8, 0.7, -0.2};
    return pattern[(point + 5 * channel) % 12];
}

// A paralysable detector of several channels (both stages), counts of one
// second: true rate k I0, ICR = k I0 exp(-k I0 tau0), SCA = 0.7 ICR exp(-ICR
// tau). I0 runs over twelve equal steps from i0Max / 12 to i0Max.
Scan paralysableScan(int channels, double i0Max, double tau0, double tau, bool noisy = true)
{
    Scan s;
    for (int j = 0; j < 12; ++j) {
        const double i0 = i0Max * (j + 1) / 12;
        s.i0s << i0;
        QVector<double> icr, sca;
        for (int ch = 0; ch < channels; ++ch) {
            const double n0 = (0.0066 + 0.0002 * ch) * i0;
            double in = n0 * std::exp(-n0 * tau0);
            double out = 0.7 * in * std::exp(-in * tau);
            if (noisy) {
                in += deviation(j, ch) * std::sqrt(in);
                out += deviation(j + 3, ch) * std::sqrt(out);
            }
            icr << in;
            sca << out;
        }
        s.icrs << icr;
        s.scas << sca;
    }
    return s;
}

// The example detector's settings: a loss of about 2 % in the pre-amplifier
// and 8 % in the amplifier at the top.
Scan soundScan()
{
    return paralysableScan(4, 4.8e6, 0.75e-6, 2.6e-6);
}

// "i0NotPositive - point 3", "narrowIcrRange 2 tau": the check, the channel
// (from 1, "-" for the whole set), the constant and the point (from 1).
QString describe(const ChannelWarning& w)
{
    static const QMap<Check, QString> names{
        {Check::DeadTimeFraction, "deadTimeFraction"},
        {Check::OutlyingConstant, "outlyingConstant"},
        {Check::OutputAboveInput, "outputAboveInput"},
        {Check::NonFiniteConstant, "nonFiniteConstant"},
        {Check::NarrowI0Range, "narrowI0Range"},
        {Check::NarrowIcrRange, "narrowIcrRange"},
        {Check::NegativeConstant, "negativeConstant"},
        {Check::PoorFit, "poorFit"},
        {Check::FirstOrderBias, "firstOrderBias"},
        {Check::I0NotPositive, "i0NotPositive"},
        {Check::FewerChannels, "fewerChannels"},
        {Check::ImpreciseConstant, "impreciseConstant"},
        {Check::ModelsUndecided, "modelsUndecided"},
        {Check::PastPeak, "pastPeak"},
    };
    QString s = names.value(w.check) + " " +
                (w.channel < 0 ? QStringLiteral("-") : QString::number(w.channel + 1));
    const QString constant = constantName(w.constant);
    if (!constant.isEmpty())
        s += " " + constant;
    if (w.point >= 0)
        s += " point " + QString::number(w.point + 1);
    return s;
}

QStringList describeAll(const RunAnalysis& run)
{
    QStringList all;
    for (const ChannelWarning& w : run.warnings)
        all << describe(w);
    return all;
}

QString pointName(int index)
{
    return QStringLiteral("point %1").arg(index + 1);
}

} // namespace

Q_DECLARE_METATYPE(Scan)
Q_DECLARE_METATYPE(ChannelWarning)

class TestRunAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void quadraticIsTheWindowsFit();
    void choiceReportsItsModel_data();
    void choiceReportsItsModel();
    void scanChecks_data();
    void scanChecks();
    void firstOrderBiasGrowsWithTheLoss_data();
    void firstOrderBiasGrowsWithTheLoss();
    void poorFitNamesTheWorstPoint();
    void missingConstantSaysWhy_data();
    void missingConstantSaysWhy();
    void warningTexts_data();
    void warningTexts();
    void valueWithError_data();
    void valueWithError();
    void autoDecides_data();
    void autoDecides();
    void pastThePeak();
};

// With the quadratic the constants are the window's, bit for bit, and so
// are their figures.
void TestRunAnalysis::quadraticIsTheWindowsFit()
{
    const Scan scan = soundScan();
    const RunAnalysis run = analyseRun(scan.views(), 4, ModelChoice::Quadratic);
    const DeadTimeFit window = fitDeadTimeConstants(scan.views(), 4);
    QCOMPARE(run.fit.tau0s, window.tau0s);
    QCOMPARE(run.fit.taus, window.taus);
    QCOMPARE(run.reported.tau0s, window.tau0s);
    QCOMPARE(run.reported.taus, window.taus);
    const QVector<ChannelStats> stats = channelStats(scan.views(), window);
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(run.reportedStats[ch].tau0Fraction, stats[ch].tau0Fraction);
        QCOMPARE(run.reportedStats[ch].tauFraction, stats[ch].tauFraction);
    }
}

void TestRunAnalysis::choiceReportsItsModel_data()
{
    QTest::addColumn<ModelChoice>("choice");
    QTest::newRow("paralysable") << ModelChoice::Paralyzable;
    QTest::newRow("non-paralysable") << ModelChoice::NonParalyzable;
    QTest::newRow("auto") << ModelChoice::Auto;
}

// An exact model reports its own fits; auto takes, stage by stage, the
// model with the lower weighted residual sum.
void TestRunAnalysis::choiceReportsItsModel()
{
    QFETCH(ModelChoice, choice);
    // A 30 % loss in the amplifier tells the models apart.
    const Scan scan = paralysableScan(2, 4.8e6, 0.75e-6, 12e-6);
    const RunAnalysis run = analyseRun(scan.views(), 2, choice);
    for (int ch = 0; ch < 2; ++ch) {
        for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
            const StageFit& para = run.models[ch].fit(stage, DeadTimeModel::Paralyzable);
            const StageFit& non = run.models[ch].fit(stage, DeadTimeModel::NonParalyzable);
            QVERIFY(para.available() && non.available());
            const StageFit& expected =
                choice == ModelChoice::NonParalyzable ||
                        (choice == ModelChoice::Auto && non.chiSquare < para.chiSquare)
                    ? non
                    : para;
            const double reported =
                stage == DeadTimeStage::Input ? run.reported.tau0s[ch] : run.reported.taus[ch];
            // Auto takes the mean where the data do not decide.
            if (choice == ModelChoice::Auto &&
                run.models[ch].decided(stage).verdict == ModelDecision::Verdict::Undecided)
                QCOMPARE(reported, (para.constant + non.constant) / 2);
            else
                QCOMPARE(reported, expected.constant);
        }
        if (choice == ModelChoice::Auto)
            QCOMPARE(run.models[ch].chosen(DeadTimeStage::Output, choice).model,
                     DeadTimeModel::Paralyzable);
        QCOMPARE(run.reportedStats[ch].tauError,
                 run.models[ch].chosen(DeadTimeStage::Output, choice).constantError);
    }
    // The exact models hold at any loss: no dead-time fraction warning.
    QVERIFY2(!describeAll(run).join(' ').contains("deadTimeFraction"),
             qPrintable(describeAll(run).join(", ")));
    const RunAnalysis quadratic = analyseRun(scan.views(), 2, ModelChoice::Quadratic);
    QVERIFY(describeAll(quadratic).contains("deadTimeFraction 1 tau"));
}

void TestRunAnalysis::scanChecks_data()
{
    QTest::addColumn<Scan>("scan");
    QTest::addColumn<ModelChoice>("choice");
    QTest::addColumn<QStringList>("warnings");
    // Whether warnings are all there are, or among them.
    QTest::addColumn<bool>("only");

    QTest::newRow("sound scan, quadratic")
        << soundScan() << ModelChoice::Quadratic << QStringList{} << true;
    // At 2 and 8 % losses the counts cannot tell the exact models apart.
    QStringList undecided;
    for (int ch = 1; ch <= 4; ++ch)
        undecided << QString("modelsUndecided %1 tau0").arg(ch)
                  << QString("modelsUndecided %1 tau").arg(ch);
    QTest::newRow("sound scan, auto") << soundScan() << ModelChoice::Auto << undecided << true;

    // I0, and with it every ICR, within 3 %: neither curve can show.
    Scan narrow = paralysableScan(2, 4.8e6, 0.75e-6, 2.6e-6, false);
    for (int j = 0; j < 12; ++j) {
        narrow.i0s[j] = 1e6 + 2500 * j;
        for (int ch = 0; ch < 2; ++ch) {
            const double n0 = (0.0066 + 0.0002 * ch) * narrow.i0s[j];
            narrow.icrs[j][ch] = n0 * std::exp(-n0 * 0.75e-6);
            narrow.scas[j][ch] = 0.7 * narrow.icrs[j][ch] * std::exp(-narrow.icrs[j][ch] * 2.6e-6);
        }
    }
    QTest::newRow("I0 within 3 %")
        << narrow << ModelChoice::Paralyzable
        << QStringList{"narrowI0Range - tau0", "narrowIcrRange 1 tau", "narrowIcrRange 2 tau"}
        << true;

    // Channel 2 counts within a factor 1.8 while I0 spans twelve.
    Scan flat = soundScan();
    for (int j = 0; j < 12; ++j)
        flat.icrs[j][1] = 20000 + 1400 * j;
    QTest::newRow("one channel's ICR within a factor 1.8")
        << flat << ModelChoice::Paralyzable << QStringList{"narrowIcrRange 2 tau"} << false;

    // A spectrum cut short below its window: the SCA counts grow faster
    // than the ICR, and tau comes out some 18 standard errors below the
    // other channels'.
    Scan cut = soundScan();
    for (int j = 0; j < 12; ++j) {
        const double icr = cut.icrs[j][2];
        const double sca = 0.7 * icr * (1 + 1e-6 * icr);
        cut.scas[j][2] = sca + deviation(j, 7) * std::sqrt(sca);
    }
    QTest::newRow("SCA growing faster than ICR")
        << cut << ModelChoice::Quadratic
        << QStringList{"outlyingConstant 3 tau", "negativeConstant 3 tau"} << true;

    // Two points at I0 = 0 and -5 (a header row and a typing slip): the
    // exact models leave them out, and fit the others well.
    Scan zeros = soundScan();
    zeros.i0s[4] = 0;
    zeros.i0s[7] = -5;
    QTest::newRow("points with I0 at or below 0")
        << zeros << ModelChoice::Paralyzable << QStringList{"i0NotPositive - point 5"} << true;

    // A notes file read as a count table of one channel, and a point of
    // two, among points of four: the set falls to one channel at point 4.
    Scan fewer = soundScan();
    fewer.icrs[3] = {0};
    fewer.scas[3] = {0, 0, 0, 0};
    fewer.icrs[9].resize(2);
    fewer.scas[9].resize(2);
    QTest::newRow("points with fewer channels")
        << fewer << ModelChoice::Paralyzable << QStringList{"fewerChannels - point 4"} << false;
}

void TestRunAnalysis::scanChecks()
{
    QFETCH(Scan, scan);
    QFETCH(ModelChoice, choice);
    QFETCH(QStringList, warnings);
    QFETCH(bool, only);
    int channels = scan.channels();
    for (int j = 0; j < scan.i0s.size(); ++j)
        channels = std::min({channels, int(scan.icrs[j].size()), int(scan.scas[j].size())});
    const RunAnalysis run = analyseRun(scan.views(), channels, choice);
    const QStringList got = describeAll(run);
    if (only) {
        QVERIFY2(got == warnings, qPrintable(got.join(", ")));
        return;
    }
    for (const QString& w : warnings)
        QVERIFY2(got.contains(w), qPrintable(got.join(", ")));
    // The set-wide ones come first.
    for (int i = 1; i < run.warnings.size(); ++i)
        QVERIFY(run.warnings[i - 1].channel < 0 || run.warnings[i].channel >= 0);
}

void TestRunAnalysis::firstOrderBiasGrowsWithTheLoss_data()
{
    QTest::addColumn<double>("tau");
    QTest::addColumn<bool>("warned");
    // The quadratic's bias against its error at the top rate: about 2 % of
    // tau against 7 % at a 3 % loss, 12 % against 1.3 % at 25 %.
    QTest::newRow("3 % loss") << 1.0e-6 << false;
    QTest::newRow("25 % loss") << 9.0e-6 << true;
}

// The quadratic's bias is worked out on every exact curve fitted and the
// largest weighed against the quadratic's own standard error; the warning
// gives that bias and names its model.
void TestRunAnalysis::firstOrderBiasGrowsWithTheLoss()
{
    QFETCH(double, tau);
    QFETCH(bool, warned);
    const Scan scan = paralysableScan(1, 4.8e6, 0.2e-6, tau);
    const RunAnalysis run = analyseRun(scan.views(), 1, ModelChoice::Quadratic);
    const ChannelWarning* bias = nullptr;
    for (const ChannelWarning& w : run.warnings)
        if (w.check == Check::FirstOrderBias && w.constant == ChannelWarning::Constant::Tau)
            bias = &w;
    QCOMPARE(bias != nullptr, warned);

    // Worked out independently: the quadratic's tau on each exact curve the
    // fits found (normal equations in long double).
    double expectedBias = 0;
    DeadTimeModel expectedModel = DeadTimeModel::Quadratic;
    double expectedReference = 0;
    for (DeadTimeModel model :
         {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable, DeadTimeModel::Hybrid}) {
        const StageFit& exact = run.models[0].fit(DeadTimeStage::Output, model);
        QVERIFY(exact.available());
        long double s2 = 0, s3 = 0, s4 = 0, sxy = 0, sx2y = 0;
        for (int j = 0; j < 12; ++j) {
            const long double x = scan.icrs[j][0];
            const long double kept =
                model == DeadTimeModel::Paralyzable ? std::exp(-exact.constant * x)
                : model == DeadTimeModel::NonParalyzable
                    ? 1 / (1 + exact.constant * x)
                    : std::exp(-exact.paralysablePart * x) / (1 + exact.nonParalysablePart * x);
            const long double y = exact.scale * x * kept;
            s2 += x * x;
            s3 += x * x * x;
            s4 += x * x * x * x;
            sxy += x * y;
            sx2y += x * x * y;
        }
        const long double det = s2 * s4 - s3 * s3;
        const long double c1 = (sxy * s4 - sx2y * s3) / det;
        const long double c2 = (s2 * sx2y - s3 * sxy) / det;
        const double b = double(-c2 / c1 - exact.constant);
        if (std::fabs(b) > std::fabs(expectedBias)) {
            expectedBias = b;
            expectedModel = model;
            expectedReference = exact.constant;
        }
    }
    QVERIFY(expectedBias < 0);
    // On a paralysable detector the non-paralysable curve bends most.
    QCOMPARE(expectedModel, DeadTimeModel::NonParalyzable);
    const double error = run.reportedStats[0].tauError;
    QCOMPARE(std::fabs(expectedBias) > error, warned);
    if (bias) {
        QVERIFY(std::fabs(bias->measure - expectedBias) < 1e-6 * std::fabs(expectedBias));
        QCOMPARE(bias->value, run.fit.taus[0]);
        QCOMPARE(bias->reference, expectedReference);
        QCOMPARE(bias->model, expectedModel);
        QCOMPARE(bias->deviationLimit, error);
    }
    // The exact model itself gets no such warning.
    const RunAnalysis para = analyseRun(scan.views(), 1, ModelChoice::Paralyzable);
    QVERIFY(!describeAll(para).join(' ').contains("firstOrderBias"));
}

// A point far off the curve makes the fit poor; the warning names it and
// says by how many standard deviations it is off.
void TestRunAnalysis::poorFitNamesTheWorstPoint()
{
    Scan scan = soundScan();
    scan.scas[6][1] *= 1.05; // about 8 standard deviations
    const RunAnalysis run = analyseRun(scan.views(), 4, ModelChoice::NonParalyzable);
    QStringList poor;
    for (const ChannelWarning& w : run.warnings) {
        if (w.check != Check::PoorFit)
            continue;
        poor << describe(w);
        const StageFit& fit =
            run.models[w.channel].fit(DeadTimeStage::Output, DeadTimeModel::NonParalyzable);
        QCOMPARE(w.value, fit.reducedChiSquare);
        QCOMPARE(w.reference, kMaxReducedChiSquare);
        QVERIFY(w.measure > 5);
    }
    QCOMPARE(poor, QStringList{"poorFit 2 tau point 7"});
}

void TestRunAnalysis::missingConstantSaysWhy_data()
{
    QTest::addColumn<ModelChoice>("choice");
    QTest::addColumn<QString>("tau0Reason");
    QTest::addColumn<QString>("tauReason");
    QTest::newRow("quadratic") << ModelChoice::Quadratic << "no ICR count above 0"
                               << "fewer than two different ICR values other than 0";
    QTest::newRow("paralysable") << ModelChoice::Paralyzable << "no ICR count above 0"
                                 << "fewer than two different ICR values above 0";
    QTest::newRow("auto") << ModelChoice::Auto
                          << "paralyzable: no ICR count above 0; nonparalyzable: no ICR "
                             "count above 0"
                          << "paralyzable: fewer than two different ICR values above 0; "
                             "nonparalyzable: fewer than two different ICR values above 0";
}

// A channel that counts nothing has no constant, and the warning says why.
void TestRunAnalysis::missingConstantSaysWhy()
{
    QFETCH(ModelChoice, choice);
    QFETCH(QString, tau0Reason);
    QFETCH(QString, tauReason);
    Scan scan = soundScan();
    for (int j = 0; j < 12; ++j)
        scan.icrs[j][3] = scan.scas[j][3] = 0;
    const RunAnalysis run = analyseRun(scan.views(), 4, choice);
    QVERIFY(std::isnan(run.reported.tau0s[3]));
    QVERIFY(std::isnan(run.reported.taus[3]));
    QStringList reasons;
    for (const ChannelWarning& w : run.warnings)
        if (w.check == Check::NonFiniteConstant)
            reasons << describe(w) + ": " + w.reason;
    QCOMPARE(reasons, QStringList({"nonFiniteConstant 4 tau0: " + tau0Reason,
                                   "nonFiniteConstant 4 tau: " + tauReason}));
}

void TestRunAnalysis::warningTexts_data()
{
    QTest::addColumn<ChannelWarning>("warning");
    QTest::addColumn<QString>("text");

    using C = ChannelWarning::Constant;
    QTest::newRow("I0 range")
        << ChannelWarning{Check::NarrowI0Range, -1, C::Tau0, -1, 1e6, 1.03e6}
        << "I0 spans only 1e+06 to 1.03e+06 (a factor of 1.03, less than 2): tau0 cannot be "
           "determined from this scan";
    QTest::newRow("ICR range")
        << ChannelWarning{Check::NarrowIcrRange, 1, C::Tau, -1, 2000, 3000}
        << "channel 2: ICR spans only 2000 to 3000 (a factor of 1.5, less than 2): tau cannot "
           "be determined from this scan";
    ChannelWarning poor{Check::PoorFit, 2, C::Tau0, 4, 1226, 3};
    poor.measure = -35.04;
    QTest::newRow("poor fit")
        << poor
        << "channel 3: chi2/nu of the tau0 fit is 1.23e+03, above 3: the points scatter more "
           "than counting allows; farthest off: point 5, -35.0 standard deviations";
    ChannelWarning bias{Check::FirstOrderBias, 0, C::Tau, -1, 2.5e-6, 2.6e-6, 1e-8};
    bias.measure = -1e-7;
    bias.model = DeadTimeModel::Paralyzable;
    QTest::newRow("first-order bias")
        << bias
        << "channel 1: the quadratic gives tau = 2.5e-06; on the exact paralyzable curve fitted "
           "to these points (tau = 2.6e-06) it would give 2.5e-06, a first-order bias of -1e-07, "
           "more than its standard error 1e-08 (--model paralyzable fits the exact model)";
    QTest::newRow("one point at I0 0")
        << ChannelWarning{Check::I0NotPositive, -1, C::None, 2, 0, 1}
        << "point 3: I0 = 0 is not above 0: the point says nothing about a dead time";
    QTest::newRow("42 points at I0 0")
        << ChannelWarning{Check::I0NotPositive, -1, C::None, 0, 0, 42}
        << "point 1: I0 = 0 is not above 0: the point says nothing about a dead time (42 such "
           "points)";
    QTest::newRow("a notes file among 19-channel spectra")
        << ChannelWarning{Check::FewerChannels, -1, C::None, 12, 1, 19}
        << "point 13 has 1 channel; the set had 19: only the channels every point has are "
           "fitted";
    ChannelWarning missing{Check::NonFiniteConstant, 3, C::Tau0, -1, std::nan(""), std::nan("")};
    missing.reason = "no ICR count above 0";
    QTest::newRow("constant not available")
        << missing << "channel 4: tau0 is not available: no ICR count above 0";
}

void TestRunAnalysis::warningTexts()
{
    QFETCH(ChannelWarning, warning);
    QFETCH(QString, text);
    QCOMPARE(channelWarningText(warning, pointName), text);
}

void TestRunAnalysis::valueWithError_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("error");
    QTest::addColumn<QString>("text");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("error in the hundredths") << 0.46618e-6 << 0.01307e-6 << "0.466 ± 0.013";
    QTest::newRow("error in the tenths") << 2.53721e-6 << 0.177998e-6 << "2.54 ± 0.18";
    QTest::newRow("error in the hundreds") << 254.3e-6 << 171e-6 << "250 ± 170";
    QTest::newRow("error in the tens") << 1234.4e-6 << 12.3e-6 << "1234 ± 12";
    QTest::newRow("error rounding up a digit") << 0.0996e-6 << 0.0996e-6 << "0.10 ± 0.10";
    QTest::newRow("value rounding to zero") << -0.0004e-6 << 0.013e-6 << "0.000 ± 0.013";
    QTest::newRow("negative value") << -4.2e-6 << 0.31e-6 << "-4.20 ± 0.31";
    QTest::newRow("no error") << 0.466183e-6 << nan << "0.466183";
    QTest::newRow("no value") << nan << nan << "n/a";
    QTest::newRow("exact data") << 1.144142941e-6 << 1.2e-20 << "1.14414 ± 1.2e-14";
    QTest::newRow("error of zero") << 0.466183e-6 << 0.0 << "0.466183 ± 0";
    QTest::newRow("too small for fixed decimals") << 3e-16 << 1e-16 << "3e-10 ± 1e-10";
}

void TestRunAnalysis::valueWithError()
{
    QFETCH(double, seconds);
    QFETCH(double, error);
    QFETCH(QString, text);
    QCOMPARE(::valueWithError(seconds, error), text);
}

void TestRunAnalysis::autoDecides_data()
{
    QTest::addColumn<double>("chiP");
    QTest::addColumn<double>("chiN");
    QTest::addColumn<double>("chiH");
    QTest::addColumn<double>("nonParalysablePart");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<double>("constant");
    QTest::addColumn<double>("error");
    using V = ModelDecision::Verdict;
    // 18 degrees of freedom for the exact models, 17 for the hybrid; the
    // paralysable constant 1.0 +- 0.03, the non-paralysable 1.2 +- 0.04.
    // 150 over a scatter of 100 / 18: decided.
    QTest::newRow("decided") << 100.0 << 250.0 << 99.0 << 0.1 << int(V::Decided) << 1.0 << 0.03;
    // 40 over 100 / 18 = 7.2: undecided, the mean with sqrt(0.04^2 + 0.1^2).
    QTest::newRow("undecided") << 100.0 << 140.0 << 99.0 << 0.1 << int(V::Undecided) << 1.1
                               << std::sqrt(0.04 * 0.04 + 0.1 * 0.1);
    QTest::newRow("undecided, the other way")
        << 140.0 << 100.0 << 99.0 << 0.1 << int(V::Undecided) << 1.1
        << std::sqrt(0.04 * 0.04 + 0.1 * 0.1);
    // (100 - 60) / (60 / 17) = 11.3: the hybrid earns its parameter.
    QTest::newRow("hybrid") << 100.0 << 140.0 << 60.0 << 0.1 << int(V::Hybrid) << 0.9 << 0.05;
    QTest::newRow("hybrid gains too little")
        << 100.0 << 250.0 << 70.0 << 0.1 << int(V::Decided) << 1.0 << 0.03;
    // A hybrid with a part at its bound is one of the exact models.
    QTest::newRow("hybrid at its bound")
        << 100.0 << 140.0 << 60.0 << 0.0 << int(V::Undecided) << 1.1
        << std::sqrt(0.04 * 0.04 + 0.1 * 0.1);
}

// Auto reports what the data decide, and when they do not, the mean of the
// two exact models with an error that covers both.
void TestRunAnalysis::autoDecides()
{
    QFETCH(double, chiP);
    QFETCH(double, chiN);
    QFETCH(double, chiH);
    QFETCH(double, nonParalysablePart);
    QFETCH(int, verdict);
    QFETCH(double, constant);
    QFETCH(double, error);
    auto fit = [](DeadTimeModel model, double chi2, int dof, double c, double e) {
        StageFit f;
        f.model = model;
        f.outcome = StageFit::Outcome::Fitted;
        f.constant = c;
        f.constantError = e;
        f.scale = 1;
        f.chiSquare = chi2;
        f.degreesOfFreedom = dof;
        f.reducedChiSquare = chi2 / dof;
        return f;
    };
    StageFit fits[kDeadTimeModels];
    fits[int(DeadTimeModel::Paralyzable)] = fit(DeadTimeModel::Paralyzable, chiP, 18, 1.0, 0.03);
    fits[int(DeadTimeModel::NonParalyzable)] =
        fit(DeadTimeModel::NonParalyzable, chiN, 18, 1.2, 0.04);
    StageFit& hybrid = fits[int(DeadTimeModel::Hybrid)];
    hybrid = fit(DeadTimeModel::Hybrid, chiH, 17, 0.9, 0.05);
    hybrid.paralysablePart = 0.9 - nonParalysablePart;
    hybrid.nonParalysablePart = nonParalysablePart;
    ModelDecision decision;
    const StageFit reported = decideModel(fits, decision);
    QCOMPARE(int(decision.verdict), verdict);
    QCOMPARE(reported.averaged, verdict == int(ModelDecision::Verdict::Undecided));
    QVERIFY(std::fabs(reported.constant - constant) < 1e-12);
    QVERIFY(std::fabs(reported.constantError - error) < 1e-12);
    QVERIFY(std::fabs(decision.scaledDelta - std::fabs(chiP - chiN) / (std::min(chiP, chiN) / 18)) <
            1e-9);
}

// A paralysable amplifier driven past its peak: the warning counts the
// points beyond 1 / tau, and the peak rate is 1 / (e tau).
void TestRunAnalysis::pastThePeak()
{
    const double tau = 60e-6;
    const Scan scan = paralysableScan(1, 4.8e6, 0.2e-6, tau, false);
    int past = 0;
    for (const QVector<double>& icr : scan.icrs)
        past += icr[0] * tau > 1 ? 1 : 0;
    QVERIFY(past > 0 && past < 12);
    const RunAnalysis run = analyseRun(scan.views(), 1, ModelChoice::Paralyzable);
    const StageFit& out = run.models[0].fit(DeadTimeStage::Output, DeadTimeModel::Paralyzable);
    QVERIFY(std::fabs(out.constant - tau) < 1e-9 * tau);
    QVERIFY(std::fabs(peakRate(out) - 1 / (std::exp(1.0) * out.constant)) < 1e-12 * peakRate(out));
    QVERIFY(std::isinf(
        peakRate(run.models[0].fit(DeadTimeStage::Output, DeadTimeModel::NonParalyzable))));
    const ChannelWarning* peak = nullptr;
    for (const ChannelWarning& w : run.warnings)
        if (w.check == Check::PastPeak && w.constant == ChannelWarning::Constant::Tau)
            peak = &w;
    QVERIFY(peak);
    QCOMPARE(int(peak->value), past);
    QVERIFY(scan.icrs[peak->point][0] * tau > 1);
    QCOMPARE(run.models[0].calibratedUpTo, scan.icrs.last()[0]);
}

VESKOR_CORE_TEST_MAIN(TestRunAnalysis)
#include "tst_runanalysis.moc"
