// The Monte-Carlo study of the models, on fewer scans than the README's and
// other seeds: the exact model of the truth recovers its constants without
// bias and with honest standard errors, the quadratic shows its bias, and
// the simulation's counts are Poisson counts. Deterministic: fixed seeds.

#include "modelstudy.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

namespace {

constexpr int kScans = 100;
constexpr std::uint64_t kFirstSeed = 5001;

const StudyRow& rowOf(const QVector<StudyRow>& rows, ModelChoice choice)
{
    for (const StudyRow& r : rows)
        if (r.choice == choice)
            return r;
    return rows.first();
}

ModelChoice matching(scansim::Truth truth)
{
    return truth == scansim::Truth::Paralyzable ? ModelChoice::Paralyzable
                                                : ModelChoice::NonParalyzable;
}

// ln of the Poisson probability of k at mean m, summed term by term.
double logPoisson(long long k, double m)
{
    double log = -m + double(k) * std::log(m);
    for (long long i = 2; i <= k; ++i)
        log -= std::log(double(i));
    return log;
}

void fractions()
{
    QTest::addColumn<double>("fraction");
    for (double fraction : {0.05, 0.10, 0.20})
        QTest::addRow("%.2f", fraction) << fraction;
}

// The truth's exact model: bias under 1 %, and the true constants within
// one standard error 60 to 76 % of the time, within two 90 to 98 % (the t
// distribution of 17 degrees of freedom gives 67 % and 94 %).
void checkExactModel(scansim::Truth truth, double fraction)
{
    const QVector<StudyRow> rows = runStudy(truth, fraction, kScans, kFirstSeed);
    const StudyRow& exact = rowOf(rows, matching(truth));
    QCOMPARE(exact.choice, matching(truth));
    for (const StudyCell* cell : {&exact.tau0, &exact.tau}) {
        const QString what = QStringLiteral("%1: bias %2, within one %3, within two %4")
                                 .arg(cell == &exact.tau0 ? "tau0" : "tau")
                                 .arg(cell->meanBias)
                                 .arg(cell->shareWithinOne())
                                 .arg(cell->shareWithinTwo());
        QCOMPARE(cell->constants, kScans * scansim::kElements);
        QCOMPARE(cell->available, cell->constants);
        QVERIFY2(std::fabs(cell->meanBias) < 0.01, qPrintable(what));
        QVERIFY2(cell->shareWithinOne() >= 0.60 && cell->shareWithinOne() <= 0.76,
                 qPrintable(what));
        QVERIFY2(cell->shareWithinTwo() >= 0.90 && cell->shareWithinTwo() <= 0.98,
                 qPrintable(what));
    }
}

} // namespace

class TestModelStudy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paralysableTruth_data();
    void paralysableTruth();
    void nonParalysableTruth_data();
    void nonParalysableTruth();
    void quadraticShowsItsBias_data();
    void quadraticShowsItsBias();
    void poissonCounts_data();
    void poissonCounts();
    void simulatedScanThroughTheTool();
};

void TestModelStudy::paralysableTruth_data()
{
    fractions();
}

void TestModelStudy::paralysableTruth()
{
    QFETCH(double, fraction);
    checkExactModel(scansim::Truth::Paralyzable, fraction);
}

void TestModelStudy::nonParalysableTruth_data()
{
    fractions();
}

void TestModelStudy::nonParalysableTruth()
{
    QFETCH(double, fraction);
    checkExactModel(scansim::Truth::NonParalyzable, fraction);
}

void TestModelStudy::quadraticShowsItsBias_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<double>("expected");
    // The quadratic's tau on a paralysable curve, to first order: y = x
    // exp(-tau x) = x - tau x^2 + tau^2 x^3 / 2 + ...; over x spread evenly
    // up to X, least squares through the origin takes x^3 for -0.4 X^2 x +
    // (4 / 3) X x^2, so the quadratic finds tau (1 - (2 / 3) tau X).
    for (double fraction : {0.05, 0.10, 0.20})
        QTest::addRow("%.2f", fraction) << fraction << -2.0 / 3 * fraction;
}

// The first-order model runs low by about the same fraction of itself as
// the loss at the top, far beyond its errors at 10 % and above.
void TestModelStudy::quadraticShowsItsBias()
{
    QFETCH(double, fraction);
    QFETCH(double, expected);
    const QVector<StudyRow> rows =
        runStudy(scansim::Truth::Paralyzable, fraction, kScans / 4, kFirstSeed);
    const StudyRow& quadratic = rowOf(rows, ModelChoice::Quadratic);
    QCOMPARE(quadratic.choice, ModelChoice::Quadratic);
    QVERIFY2(std::fabs(quadratic.tau.meanBias - expected) < 0.2 * std::fabs(expected),
             qPrintable(QString::number(quadratic.tau.meanBias)));
    if (fraction >= 0.10)
        QVERIFY(quadratic.tau.shareWithinTwo() < 0.5);
}

void TestModelStudy::poissonCounts_data()
{
    QTest::addColumn<double>("mean");
    QTest::newRow("Knuth's method, mean 3") << 3.0;
    QTest::newRow("just into transformed rejection, mean 10") << 10.0;
    QTest::newRow("mean 37.5") << 37.5;
    QTest::newRow("a scan's rates, mean 310000") << 310000.0;
}

// The counts have the Poisson distribution: its mean and variance, and for
// the small means the probability of every count (a chi-square test of
// goodness of fit, 40000 draws).
void TestModelStudy::poissonCounts()
{
    QFETCH(double, mean);
    const int draws = 40000;
    scansim::PoissonSampler sampler(77);
    QVector<long long> counts;
    double sum = 0;
    for (int i = 0; i < draws; ++i) {
        const long long k = sampler.poisson(mean);
        QVERIFY(k >= 0);
        counts << k;
        sum += double(k);
    }
    const double m = sum / draws;
    double ss = 0;
    for (long long k : counts)
        ss += (double(k) - m) * (double(k) - m);
    const double variance = ss / (draws - 1);
    // Five standard errors of each estimate.
    QVERIFY2(std::fabs(m - mean) < 5 * std::sqrt(mean / draws), qPrintable(QString::number(m)));
    QVERIFY2(std::fabs(variance - mean) < 5 * mean * std::sqrt(2.0 / draws),
             qPrintable(QString::number(variance)));
    if (mean > 100)
        return;

    // Counts grouped so that every group expects at least 20 draws.
    QMap<long long, int> observed;
    for (long long k : counts)
        ++observed[k];
    double chi2 = 0;
    int groups = 0;
    double expectedGroup = 0;
    int observedGroup = 0;
    for (long long k = 0; k <= 3 * mean + 30; ++k) {
        expectedGroup += draws * std::exp(logPoisson(k, mean));
        observedGroup += observed.value(k);
        if (expectedGroup >= 20) {
            chi2 +=
                (observedGroup - expectedGroup) * (observedGroup - expectedGroup) / expectedGroup;
            ++groups;
            expectedGroup = 0;
            observedGroup = 0;
        }
    }
    // The 99.9 % point of chi-square with groups - 1 degrees of freedom is
    // below groups - 1 + 3.3 sqrt(2 (groups - 1)) + 10 for these sizes.
    const double limit = groups - 1 + 3.3 * std::sqrt(2.0 * (groups - 1)) + 10;
    QVERIFY2(chi2 < limit, qPrintable(QString("chi2 %1 over %2 groups").arg(chi2).arg(groups)));
}

// A simulated scan written as a count table and fitted by veskor-fit gives
// the constants the study counted, bit for bit: the study is the tool's.
void TestModelStudy::simulatedScanThroughTheTool()
{
    QTemporaryDir dir;
    const QString table = dir.filePath("scan.dat");
    QProcess study;
    study.start(QStringLiteral(VESKOR_STUDY_PROGRAM),
                {"--write", "nonparalyzable", "0.1", "5003", table});
    QVERIFY(study.waitForFinished(60000));
    QCOMPARE(study.exitCode(), 0);

    QProcess tool;
    tool.start(QStringLiteral(VESKOR_FIT_PROGRAM), {"--json", "--model", "auto", table});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    const QJsonArray results =
        QJsonDocument::fromJson(tool.readAllStandardOutput()).object()["results"].toArray();
    QCOMPARE(results.size(), scansim::kElements);

    const RunAnalysis run =
        analyseScan(scansim::simulateScan(scansim::Truth::NonParalyzable, 0.1, 5003));
    for (int ch = 0; ch < scansim::kElements; ++ch) {
        const QJsonObject models = results[ch].toObject()["models"].toObject();
        for (DeadTimeModel m : {DeadTimeModel::Paralyzable, DeadTimeModel::NonParalyzable}) {
            const QJsonObject tool = models[modelName(m)].toObject();
            const StageFit& in = run.models[ch].fit(DeadTimeStage::Input, m);
            const StageFit& out = run.models[ch].fit(DeadTimeStage::Output, m);
            QCOMPARE(tool["tau0"].toDouble(), in.constant);
            QCOMPARE(tool["tau0Error"].toDouble(), in.constantError);
            QCOMPARE(tool["tau"].toDouble(), out.constant);
            QCOMPARE(tool["tauError"].toDouble(), out.constantError);
        }
    }
}

VESKOR_CORE_TEST_MAIN(TestModelStudy)
#include "tst_modelstudy.moc"
