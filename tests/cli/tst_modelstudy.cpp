// The Monte-Carlo study of the models, on fewer scans than the README's and
// other seeds: the exact model of the truth recovers its constants without
// bias and with honest standard errors, also from points of unequal times,
// auto's errors stay honest on a hybrid truth, a narrow I0 range leaves
// every constant undetermined, the quadratic shows its bias, and the
// simulation's counts are Poisson counts of its constants. Deterministic:
// fixed seeds.
//
// Each cell (truth, fraction, points) is a test function of its own, so
// that CTest runs it as an entry of its own.

#include "modelstudy.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <tuple>

using scansim::ScanKind;
using scansim::Truth;

namespace {

#ifdef VESKOR_SANITIZED_TESTS
// A scan costs 0.2 to 0.4 s under the sanitizers (0.002 s without), so a
// cell of 400 would take minutes there: the cells run 40 scans, enough to
// put the analysis under the checkers, and the bounds are left to the plain
// build's 400, from the same seeds.
constexpr int kScans = 40;
constexpr bool kBoundsChecked = false;
#else
constexpr int kScans = 400;
constexpr bool kBoundsChecked = true;
#endif
// Not the tool's (1): the bounds hold on scans the README's table did not
// draw.
constexpr std::uint64_t kSeed = 5001;

// The cell's study, run once however many rows of a test function read it.
const QVector<StudyRow>& cellStudy(Truth truth, double fraction, ScanKind kind)
{
    static QVector<StudyRow> rows;
    static std::tuple<int, double, int> done{-1, 0.0, -1};
    const std::tuple<int, double, int> wanted{int(truth), fraction, int(kind)};
    if (wanted != done) {
        rows = runStudy(truth, fraction, kind, kScans, kSeed);
        done = wanted;
    }
    return rows;
}

const StudyRow* rowOf(const QVector<StudyRow>& rows, ModelChoice choice)
{
    for (const StudyRow& r : rows)
        if (r.choice == choice)
            return &r;
    return nullptr;
}

ModelChoice matching(Truth truth)
{
    switch (truth) {
    case Truth::Paralyzable:
        return ModelChoice::Paralyzable;
    case Truth::NonParalyzable:
        return ModelChoice::NonParalyzable;
    case Truth::Hybrid:
        return ModelChoice::Hybrid;
    }
    return ModelChoice::Quadratic;
}

void addBoundColumns()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("input");
    QTest::addColumn<double>("maxBias");
    QTest::addColumn<double>("leastWithinOne");
    QTest::addColumn<double>("mostWithinOne");
    QTest::addColumn<double>("leastWithinTwo");
    QTest::addColumn<double>("mostWithinTwo");
    QTest::addColumn<bool>("countingScatter");
}

// The truth's exact model: bias under 0.5 %, the true constants within one
// standard error 63 to 72 % of the time and within two 92 to 97 % (the t
// distribution of 17 degrees of freedom gives 67 % and 94 %; 1600
// constants have a scatter of about 1.2 and 0.6 % in these shares). Its
// input stage weighs the points as their counts scatter (see
// checkCell).
void addExactRows(ModelChoice choice)
{
    for (bool input : {true, false})
        QTest::addRow("%s %s", qPrintable(choiceName(choice)), input ? "tau0" : "tau")
            << int(choice) << input << 0.005 << 0.63 << 0.72 << 0.92 << 0.97 << input;
}

void exactRows(Truth truth)
{
    addBoundColumns();
    addExactRows(matching(truth));
}

// A hybrid truth: the hybrid model as an exact one, and auto, which may
// report either pure model or their mean, with errors that still cover the
// truth (at least 58 % and 88 %), whatever its bias.
void hybridRows()
{
    addBoundColumns();
    addExactRows(ModelChoice::Hybrid);
    for (bool input : {true, false})
        QTest::addRow("auto %s", input ? "tau0" : "tau")
            << int(ModelChoice::Auto) << input << std::numeric_limits<double>::infinity() << 0.58
            << 1.0 << 0.88 << 1.0 << false;
}

void checkCell(Truth truth, double fraction, ScanKind kind)
{
    QFETCH(int, choice);
    QFETCH(bool, input);
    QFETCH(double, maxBias);
    QFETCH(double, leastWithinOne);
    QFETCH(double, mostWithinOne);
    QFETCH(double, leastWithinTwo);
    QFETCH(double, mostWithinTwo);
    QFETCH(bool, countingScatter);
    const StudyRow* row = rowOf(cellStudy(truth, fraction, kind), ModelChoice(choice));
    QVERIFY(row);
    const StudyCell& cell = input ? row->tau0 : row->tau;
    const QString what =
        QStringLiteral("%1 determined of %2, bias %3, within one %4, within two %5, chi2/nu %6")
            .arg(cell.determined)
            .arg(cell.constants)
            .arg(cell.meanBias)
            .arg(cell.shareWithinOne())
            .arg(cell.shareWithinTwo())
            .arg(cell.meanReducedChiSquare);
    QCOMPARE(cell.constants, kScans * scansim::kElements);
    QVERIFY2(cell.determined == cell.constants, qPrintable(what));
    if (!kBoundsChecked)
        QSKIP("the bounds hold for 400 scans, checked without the sanitizers");
    const bool held = std::fabs(cell.meanBias) < maxBias &&
                      cell.shareWithinOne() >= leastWithinOne &&
                      cell.shareWithinOne() <= mostWithinOne &&
                      cell.shareWithinTwo() >= leastWithinTwo &&
                      cell.shareWithinTwo() <= mostWithinTwo;
    // Known faults, open: a fit that passes here must lose its mark.
    if (truth == Truth::Hybrid && ModelChoice(choice) == ModelChoice::Hybrid)
        QEXPECT_FAIL("", "the hybrid's constant runs about 1 % high and its errors are too wide: "
                         "most fits end at a bound of tp or tn, where a symmetric error cannot "
                         "describe the curve",
                     Continue);
    if (truth == Truth::Hybrid && ModelChoice(choice) == ModelChoice::Auto && fraction > 0.15 &&
        input)
        QEXPECT_FAIL("", "auto decides for the paralyzable model in about a quarter of the stages "
                         "of a hybrid truth at 20 %, 2.5 % low, and the hybrid never earns its "
                         "parameter",
                     Continue);
    QVERIFY2(held, qPrintable(what));
    // Weighed as counts scatter, a point adds 1 to the chi-square, and
    // about k (1 - z)^2 exp(-z) more from the scatter of its I0 (k the
    // efficiency, 0.066, z the loss): about 1.06. Without the times of
    // timed points it would be near their mean 1 / t, 0.6; of 1600 fits of
    // 17 degrees of freedom the mean scatters by 0.01.
    if (countingScatter)
        QVERIFY2(cell.meanReducedChiSquare > 0.95 && cell.meanReducedChiSquare < 1.2,
                 qPrintable(what));
}

// ln of the Poisson probability of k at mean m, summed term by term.
double logPoisson(long long k, double m)
{
    double log = -m + double(k) * std::log(m);
    for (long long i = 2; i <= k; ++i)
        log -= std::log(double(i));
    return log;
}

// The cells of the tool's table and of these tests, by the names --write
// takes.
const std::pair<Truth, const char*> kTruths[] = {{Truth::Paralyzable, "paralyzable"},
                                                 {Truth::NonParalyzable, "nonparalyzable"},
                                                 {Truth::Hybrid, "hybrid"}};
const std::pair<ScanKind, const char*> kKinds[] = {
    {ScanKind::Even, "even"}, {ScanKind::Timed, "timed"}, {ScanKind::Narrow, "narrow"}};

} // namespace

Q_DECLARE_METATYPE(scansim::Truth)

class TestModelStudy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paralysableAt005_data() { exactRows(Truth::Paralyzable); }
    void paralysableAt005() { checkCell(Truth::Paralyzable, 0.05, ScanKind::Even); }
    void paralysableAt010_data() { exactRows(Truth::Paralyzable); }
    void paralysableAt010() { checkCell(Truth::Paralyzable, 0.10, ScanKind::Even); }
    void paralysableAt020_data() { exactRows(Truth::Paralyzable); }
    void paralysableAt020() { checkCell(Truth::Paralyzable, 0.20, ScanKind::Even); }
    void nonParalysableAt005_data() { exactRows(Truth::NonParalyzable); }
    void nonParalysableAt005() { checkCell(Truth::NonParalyzable, 0.05, ScanKind::Even); }
    void nonParalysableAt010_data() { exactRows(Truth::NonParalyzable); }
    void nonParalysableAt010() { checkCell(Truth::NonParalyzable, 0.10, ScanKind::Even); }
    void nonParalysableAt020_data() { exactRows(Truth::NonParalyzable); }
    void nonParalysableAt020() { checkCell(Truth::NonParalyzable, 0.20, ScanKind::Even); }
    void hybridAt005_data() { hybridRows(); }
    void hybridAt005() { checkCell(Truth::Hybrid, 0.05, ScanKind::Even); }
    void hybridAt010_data() { hybridRows(); }
    void hybridAt010() { checkCell(Truth::Hybrid, 0.10, ScanKind::Even); }
    void hybridAt020_data() { hybridRows(); }
    void hybridAt020() { checkCell(Truth::Hybrid, 0.20, ScanKind::Even); }
    // Rates of points counted 0.5 to 4 s, weighed by their times.
    void timedPoints_data() { exactRows(Truth::NonParalyzable); }
    void timedPoints() { checkCell(Truth::NonParalyzable, 0.10, ScanKind::Timed); }
    void narrowRange_data();
    void narrowRange();

    void quadraticShowsItsBias_data();
    void quadraticShowsItsBias();
    void poissonCounts_data();
    void poissonCounts();
    void constantsGiveTheFraction_data();
    void constantsGiveTheFraction();
    void cellsDrawTheirOwnScans();
    void simulatedScanThroughTheTool_data();
    void simulatedScanThroughTheTool();
};

void TestModelStudy::narrowRange_data()
{
    QTest::addColumn<int>("choice");
    for (ModelChoice c : {ModelChoice::Quadratic, ModelChoice::Paralyzable,
                          ModelChoice::NonParalyzable, ModelChoice::Hybrid, ModelChoice::Auto})
        QTest::newRow(qPrintable(choiceName(c))) << int(c);
}

// I0 over 1.5x cannot fix a dead time: every model calls every constant
// undetermined, and the study's table says how many.
void TestModelStudy::narrowRange()
{
    QFETCH(int, choice);
    const QVector<StudyRow>& rows = cellStudy(Truth::Hybrid, 0.10, ScanKind::Narrow);
    const StudyRow* row = rowOf(rows, ModelChoice(choice));
    QVERIFY(row);
    const int constants = kScans * scansim::kElements;
    for (const StudyCell* cell : {&row->tau0, &row->tau}) {
        QCOMPARE(cell->constants, constants);
        QCOMPARE(cell->determined, 0);
    }

    // The table's row of this model: the undetermined counts in their
    // columns.
    const QStringList lines = studyTable(rows).split('\n');
    const QStringList heads = lines[0].split(QStringLiteral(" | "));
    const int tau0Column = heads.indexOf(QStringLiteral("tau0 undetermined"));
    const int tauColumn = heads.indexOf(QStringLiteral("tau undetermined"));
    QVERIFY(tau0Column > 0 && tauColumn > 0);
    bool found = false;
    for (const QString& line : lines) {
        const QStringList cells = line.split(QStringLiteral(" | "));
        if (cells.size() != heads.size() || cells[3] != choiceName(ModelChoice(choice)))
            continue;
        found = true;
        QVERIFY2(cells[tau0Column].startsWith(QString::number(constants) + ' '), qPrintable(line));
        QVERIFY2(cells[tauColumn].startsWith(QString::number(constants) + ' '), qPrintable(line));
    }
    QVERIFY(found);
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
        runStudy(Truth::Paralyzable, fraction, ScanKind::Even, 25, kSeed);
    const StudyRow* quadratic = rowOf(rows, ModelChoice::Quadratic);
    QVERIFY(quadratic);
    QVERIFY2(std::fabs(quadratic->tau.meanBias - expected) < 0.2 * std::fabs(expected),
             qPrintable(QString::number(quadratic->tau.meanBias)));
    if (fraction >= 0.10)
        QVERIFY(quadratic->tau.shareWithinTwo() < 0.5);
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

void TestModelStudy::constantsGiveTheFraction_data()
{
    QTest::addColumn<Truth>("truth");
    QTest::addColumn<double>("fraction");
    for (const auto& [truth, name] : kTruths)
        for (double fraction : {0.05, 0.20})
            QTest::addRow("%s %.2f", name, fraction) << truth << fraction;
}

// The constants are those of the counts: tau0 and tau times the mean ICR
// at the top setting, over 200 scans, give the fraction asked for.
void TestModelStudy::constantsGiveTheFraction()
{
    QFETCH(Truth, truth);
    QFETCH(double, fraction);
    const int scans = 200;
    std::vector<double> sums(scansim::kElements, 0.0);
    scansim::Scan scan;
    for (int s = 1; s <= scans; ++s) {
        scan = scansim::simulateScan(truth, fraction, ScanKind::Even, s);
        for (int ch = 0; ch < scansim::kElements; ++ch)
            sums[std::size_t(ch)] += double(scan.points.back().icrs[std::size_t(ch)]);
    }
    for (std::size_t ch = 0; ch < sums.size(); ++ch) {
        const double icr = sums[ch] / scans;
        // Five standard errors of the mean Poisson count.
        const double tolerance = 5 * std::sqrt(icr / scans) / icr;
        QVERIFY2(std::fabs(scan.tau0s[ch] * icr / fraction - 1) < tolerance,
                 qPrintable(QString::number(scan.tau0s[ch] * icr)));
        QVERIFY2(std::fabs(scan.taus[ch] * icr / fraction - 1) < tolerance,
                 qPrintable(QString::number(scan.taus[ch] * icr)));
    }
}

// No two cells of the tool's table, nor of these tests, draw a scan of the
// same seed: each cell's scans are its own.
void TestModelStudy::cellsDrawTheirOwnScans()
{
    QSet<quint64> seeds;
    int drawn = 0;
    for (std::uint64_t study : {std::uint64_t(1), kSeed})
        for (const auto& [truth, truthName] : kTruths)
            for (double fraction : {0.05, 0.10, 0.20})
                for (const auto& [kind, kindName] : kKinds)
                    for (int s = 1; s <= 1000; ++s) {
                        seeds.insert(scansim::scanSeed(study, truth, fraction, kind, s));
                        ++drawn;
                    }
    QCOMPARE(seeds.size(), drawn);
}

void TestModelStudy::simulatedScanThroughTheTool_data()
{
    QTest::addColumn<QString>("truth");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QStringList>("mapping");
    QTest::addColumn<bool>("undetermined");
    QTest::newRow("count table") << "hybrid"
                                 << "even" << QStringList() << false;
    QTest::newRow("times in a CSV file, --time")
        << "nonparalyzable"
        << "timed"
        << QStringList{"--i0", "I0", "--icr", "ICR{n}", "--sca", "SCA{n}", "--time", "Seconds"}
        << false;
    QTest::newRow("I0 over 1.5x") << "paralyzable"
                                  << "narrow" << QStringList() << true;
}

// A simulated scan written by the study program and fitted by veskor-fit
// gives the constants the study counted, bit for bit, for every model: the
// study is the tool's. An undetermined constant is null, with the reason.
void TestModelStudy::simulatedScanThroughTheTool()
{
    QFETCH(QString, truth);
    QFETCH(QString, points);
    QFETCH(QStringList, mapping);
    QFETCH(bool, undetermined);
    const int number = 3;
    QTemporaryDir dir;
    const QString file = dir.filePath("scan.dat");
    QProcess study;
    study.start(QStringLiteral(VESKOR_STUDY_PROGRAM),
                {"--write", truth, "0.1", QString::number(number), file, "--points", points,
                 "--seed", QString::number(kSeed)});
    QVERIFY(study.waitForFinished(60000));
    QCOMPARE(study.exitCode(), 0);

    QProcess tool;
    tool.start(QStringLiteral(VESKOR_FIT_PROGRAM),
               QStringList{"--json", "--model", "auto"} + mapping + QStringList{file});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    const QJsonArray results =
        QJsonDocument::fromJson(tool.readAllStandardOutput()).object()["results"].toArray();
    QCOMPARE(results.size(), scansim::kElements);

    Truth t = Truth::Paralyzable;
    ScanKind kind = ScanKind::Even;
    for (const auto& [value, name] : kTruths)
        if (truth == QLatin1String(name))
            t = value;
    for (const auto& [value, name] : kKinds)
        if (points == QLatin1String(name))
            kind = value;
    const RunAnalysis run = analyseScan(
        scansim::simulateScan(t, 0.1, kind, scansim::scanSeed(kSeed, t, 0.1, kind, number)));
    for (int ch = 0; ch < scansim::kElements; ++ch) {
        const QJsonObject models = results[ch].toObject()["models"].toObject();
        // The names the JSON is read by, spelled out.
        const std::pair<DeadTimeModel, const char*> names[] = {
            {DeadTimeModel::Quadratic, "quadratic"},
            {DeadTimeModel::Paralyzable, "paralyzable"},
            {DeadTimeModel::NonParalyzable, "nonparalyzable"},
            {DeadTimeModel::Hybrid, "hybrid"}};
        for (const auto& [m, key] : names) {
            QVERIFY2(models.contains(QLatin1String(key)),
                     qPrintable(QStringList(models.keys()).join(' ')));
            const QJsonObject json = models[QLatin1String(key)].toObject();
            for (DeadTimeStage stage : {DeadTimeStage::Input, DeadTimeStage::Output}) {
                const StageFit& fit = run.models[ch].fit(stage, m);
                const QString name = stage == DeadTimeStage::Input ? "tau0" : "tau";
                const QString where =
                    QStringLiteral("channel %1 %2 %3: %4")
                        .arg(ch + 1)
                        .arg(QLatin1String(key), name,
                             QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)));
                QVERIFY2(fit.determined() != undetermined, qPrintable(where));
                if (fit.determined()) {
                    QVERIFY2(json[name].toDouble() == fit.constant, qPrintable(where));
                    QVERIFY2(json[name + "Error"].toDouble() == fit.constantError,
                             qPrintable(where));
                    QVERIFY2(!json.contains(name + "Undetermined"), qPrintable(where));
                } else {
                    // A failed fit says why it failed; one that came out says
                    // why the scan cannot fix it.
                    QVERIFY2(json[name].isNull(), qPrintable(where));
                    const QString why =
                        fit.available() ? name + "Undetermined" : name + "NotAvailable";
                    const QString text =
                        fit.available() ? undeterminedText(fit, stage) : outcomeText(fit, stage);
                    QVERIFY2(!text.isEmpty(), qPrintable(where));
                    QCOMPARE(json[why].toString(), text);
                }
            }
        }
    }
}

VESKOR_CORE_TEST_MAIN(TestModelStudy)
#include "tst_modelstudy.moc"
