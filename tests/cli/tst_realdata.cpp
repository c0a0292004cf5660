// veskor-fit on measured data of a four-element silicon drift detector
// (the count tables beside the repository, ../shared/realdata/derived; see
// the README there). Skipped where they are not.

#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cmath>

namespace {

const QString realData = QStringLiteral(VESKOR_REALDATA_DIR);

using veskor::test::ToolRun;

ToolRun fit(const QString& table, const QString& model)
{
    return veskor::test::runTool({"--json", "--model", model, table});
}

// "poorFit 2 tau": every warning's check, channel and constant.
QStringList checks(const QJsonObject& json)
{
    QStringList all;
    for (const QJsonValue v : json["warnings"].toArray()) {
        const QJsonObject w = v.toObject();
        QString s = w["check"].toString();
        if (w.contains("channel"))
            s += " " + QString::number(w["channel"].toInt());
        if (w.contains("constant"))
            s += " " + w["constant"].toString();
        all << s;
    }
    return all;
}

} // namespace

class TestRealData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void deadTimeCurve_data();
    void deadTimeCurve();
    void windowCountsAreNoDeadTimeCurve_data();
    void windowCountsAreNoDeadTimeCurve();
};

void TestRealData::init()
{
    if (!QFileInfo(realData).isDir())
        QSKIP("the measured data are not beside the repository");
}

void TestRealData::deadTimeCurve_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("Cu K-edge scan, all output events") << "cu_icr_ocr_table.dat";
    QTest::newRow("angle scan, all output events") << "txrf_icr_ocr_table.dat";
}

// All output events against all input events: a true dead-time curve, over
// input rates up to 74 and 194 kcps. The quadratic gives tau 2 to 8 % below
// the exact paralysable fit while its standard error claims a fraction of
// a per cent, and says so. The incident intensity hardly varies, so tau0
// cannot be had, and that is said too.
void TestRealData::deadTimeCurve()
{
    QFETCH(QString, table);
    const QString path = QDir(realData).filePath(table);
    QVERIFY(QFileInfo::exists(path));
    const ToolRun quadratic = fit(path, "quadratic");
    const ToolRun exact = fit(path, "paralyzable");
    QVERIFY(quadratic.finished && exact.finished);
    QCOMPARE(quadratic.exitCode, 0);
    QCOMPARE(exact.exitCode, 0);

    const QStringList said = checks(quadratic.json());
    QVERIFY(said.contains("narrowI0Range tau0"));
    for (int ch = 0; ch < 4; ++ch) {
        const QJsonObject q = quadratic.json()["results"].toArray()[ch].toObject();
        const QJsonObject p = exact.json()["results"].toArray()[ch].toObject();
        const double below = 1 - q["tau"].toDouble() / p["tau"].toDouble();
        QVERIFY2(below > 0.02 && below < 0.08, qPrintable(QString::number(below)));
        QVERIFY(q["tauError"].toDouble() < 0.01 * q["tau"].toDouble());
        QVERIFY(p["tauError"].toDouble() < 0.01 * p["tau"].toDouble());
        QVERIFY2(said.contains(QStringLiteral("firstOrderBias %1 tau").arg(ch + 1)),
                 qPrintable(said.join(", ")));
        // The output events are counted out of the input events: they
        // scatter less than independent counts would.
        QVERIFY(p["outputReducedChiSquare"].toDouble() < 1);
    }
    QVERIFY(!checks(exact.json()).join(' ').contains("firstOrderBias"));
}

void TestRealData::windowCountsAreNoDeadTimeCurve_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("Cu K-edge scan, window counts") << "cu_icr_roi_table.dat";
    QTest::newRow("angle scan, window counts") << "txrf_icr_roi_table.dat";
}

// The window counts' share of all events changes along each scan: no
// model fits them, and every channel says so.
void TestRealData::windowCountsAreNoDeadTimeCurve()
{
    QFETCH(QString, table);
    const QString path = QDir(realData).filePath(table);
    QVERIFY(QFileInfo::exists(path));
    for (const char* model : {"paralyzable", "nonparalyzable"}) {
        const ToolRun run = fit(path, model);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        const QStringList said = checks(run.json());
        for (int ch = 1; ch <= 4; ++ch)
            QVERIFY2(said.contains(QStringLiteral("poorFit %1 tau").arg(ch)),
                     qPrintable(said.join(", ")));
    }
}

VESKOR_CORE_TEST_MAIN(TestRealData)
#include "tst_realdata.moc"
