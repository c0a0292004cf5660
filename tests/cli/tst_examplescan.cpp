#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

namespace {

const QString examples = QStringLiteral(VESKOR_EXAMPLES_DIR);

// The constants the example scan was generated from (README, Example data).
const double trueTau0s[] = {0.75e-6, 0.81e-6, 0.70e-6, 0.78e-6};
const double trueTaus[] = {2.60e-6, 2.70e-6, 2.55e-6, 2.66e-6};

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QStringList scanFiles(const QString& root)
{
    const QDir dir(root + "/scan");
    return dir.entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestExampleScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regeneratesByteForByte();
    void formatsRegenerateByteForByte();
    void givesItsTrueConstants_data();
    void givesItsTrueConstants();
};

// The checked-in files are what the generator makes, so anyone can see how
// they came about and make them again.
void TestExampleScan::regeneratesByteForByte()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess gen;
    gen.start(QStringLiteral(VESKOR_EXAMPLE_GENERATOR), {dir.path()});
    QVERIFY(gen.waitForFinished(120000));
    QCOMPARE(gen.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gen.exitCode(), 0);

    const QStringList names = scanFiles(examples);
    QCOMPARE(names.size(), 12);
    QCOMPARE(scanFiles(dir.path()), names);
    for (const QString& name : names)
        QVERIFY2(contents(dir.path() + "/scan/" + name) == contents(examples + "/scan/" + name),
                 qPrintable(name));
    QCOMPARE(contents(dir.path() + "/scan-table.dat"), contents(examples + "/scan-table.dat"));
}

// The README's scan files of named columns are the example scan's table,
// written by their generator (the HDF5 file too: it holds no times).
void TestExampleScan::formatsRegenerateByteForByte()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess gen;
    gen.start(QStringLiteral(VESKOR_FORMATS_GENERATOR), {examples + "/scan-table.dat", dir.path()});
    QVERIFY(gen.waitForFinished(120000));
    QCOMPARE(gen.exitCode(), 0);
    const QStringList names = QDir(examples + "/formats").entryList(QDir::Files, QDir::Name);
    QCOMPARE(names, QStringList({"scan.001", "scan.csv", "scan.h5", "scan.spec", "scan.xdi"}));
    QCOMPARE(QDir(dir.path() + "/formats").entryList(QDir::Files, QDir::Name), names);
    for (const QString& name : names)
        QVERIFY2(contents(dir.path() + "/formats/" + name) == contents(examples + "/formats/" + name),
                 qPrintable(name));
}

void TestExampleScan::givesItsTrueConstants_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("model");
    QStringList mca;
    for (const QString& name : scanFiles(examples))
        mca << examples + "/scan/" + name;
    const QStringList table{examples + "/scan-table.dat"};
    QTest::newRow("MCA spectrum files") << mca << "quadratic";
    QTest::newRow("count table") << table << "quadratic";
    QTest::newRow("count table, paralysable") << table << "paralyzable";
    QTest::newRow("count table, non-paralysable") << table << "nonparalyzable";
    QTest::newRow("MCA spectrum files, either exact model") << mca << "auto";
}

// Each true constant lies within three standard errors of the fitted one,
// whichever model fits, and no check fires on this sound scan. (Its
// dead-time fractions are too small for the models to differ by more than
// their errors.)
void TestExampleScan::givesItsTrueConstants()
{
    QFETCH(QStringList, files);
    QFETCH(QString, model);
    QProcess tool;
    tool.start(QStringLiteral(VESKOR_FIT_PROGRAM), QStringList{"--json", "--model", model} + files);
    QVERIFY(tool.waitForFinished(120000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    const QByteArray err = tool.readAllStandardError();
    QVERIFY2(err.isEmpty(), err.constData());

    const QJsonObject root = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
    QCOMPARE(root["points"].toInt(), 12);
    QVERIFY(root["warnings"].toArray().isEmpty());
    const QJsonArray results = root["results"].toArray();
    QCOMPARE(results.size(), 4);
    for (int ch = 0; ch < 4; ++ch) {
        const QJsonObject r = results[ch].toObject();
        const double tau0 = r["tau0"].toDouble();
        const double tau = r["tau"].toDouble();
        const double tau0Error = r["tau0Error"].toDouble();
        const double tauError = r["tauError"].toDouble();
        QVERIFY(tau0Error > 0 && tauError > 0);
        QVERIFY2(
            std::fabs(tau0 - trueTau0s[ch]) <= 3 * tau0Error,
            qPrintable(QString("channel %1 tau0 %2 +- %3").arg(ch + 1).arg(tau0).arg(tau0Error)));
        QVERIFY2(std::fabs(tau - trueTaus[ch]) <= 3 * tauError,
                 qPrintable(QString("channel %1 tau %2 +- %3").arg(ch + 1).arg(tau).arg(tauError)));
    }
}

VESKOR_CORE_TEST_MAIN(TestExampleScan)
#include "tst_examplescan.moc"
