// veskor-fit's models and checks as a user meets them: --model, the
// warnings about what the files hold, --strict and --exclude, run as the
// program it is.

#include "referencearithmetic.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

namespace {

using veskor::reference::printfNumber;
using veskor::test::contents;
using veskor::test::exampleSpectra;
using veskor::test::runTool;
using veskor::test::ToolRun;

const QString examples = QStringLiteral(VESKOR_EXAMPLES_DIR);

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

// A count table of one channel on the paralysable model, counts of one
// second with a fixed pattern of one-sigma deviations: I0 from i0Max / 12
// to i0Max in twelve steps, k = 0.0066, SCA = 0.7 ICR exp(-ICR tau).
QByteArray paralysableTable(double i0Max, double tau0, double tau)
{
    const double pattern[] = {0.9, -1.3, 0.2, 1.1, -0.6, -0.4, 1.5, -1.0, 0.3, -0.8, 0.7, -0.2};
    QByteArray text = "# I0 ICR SCA\n";
    for (int j = 0; j < 12; ++j) {
        const double i0 = i0Max * (j + 1) / 12;
        const double n0 = 0.0066 * i0;
        double icr = n0 * std::exp(-n0 * tau0);
        double sca = 0.7 * icr * std::exp(-icr * tau);
        icr += pattern[j] * std::sqrt(icr);
        sca += pattern[(j + 4) % 12] * std::sqrt(sca);
        text += QByteArray::number(i0, 'f', 0) + ' ' + QByteArray::number(icr, 'f', 1) + ' ' +
                QByteArray::number(sca, 'f', 1) + '\n';
    }
    return text;
}

// The values of "Preamp:" and "Amp:" in a results file.
QStringList resultTexts(const QString& path)
{
    QStringList texts;
    for (const QByteArray& line : contents(path).split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() > 1 && (parts[0] == "Preamp:" || parts[0] == "Amp:"))
            for (int i = 1; i < parts.size(); ++i)
                texts << QString::fromLatin1(parts[i]);
    }
    return texts;
}

} // namespace

class TestFitChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void modelOption_data();
    void modelOption();
    void exactModelsWriteTheirConstants_data();
    void exactModelsWriteTheirConstants();
    void tableRoundsToTheError();
    void autoReportsBothModels();
    void whatANewUserRunsInto_data();
    void whatANewUserRunsInto();
    void identicalPointsGiveNoConstant();
    void strict_data();
    void strict();
    void exclude_data();
    void exclude();
    void undeterminedIsNoNumber_data();
    void undeterminedIsNoNumber();

private:
    QTemporaryDir dir;
    QString highLoss;
    QString narrowI0;
};

void TestFitChecks::initTestCase()
{
    QVERIFY(dir.isValid());
    QCOMPARE(exampleSpectra().size(), 12);
    // A quarter of the amplifier's input lost at the top: the quadratic's
    // first-order bias shows.
    highLoss = write(dir, "high-loss.dat", paralysableTable(4.8e6, 0.2e-6, 9e-6));
    QVERIFY(!highLoss.isEmpty());
    // I0 over 1.5x only, ICR over more than 2x.
    QByteArray narrow = "# I0 ICR SCA\n";
    for (int j = 0; j < 8; ++j) {
        const double i0 = 3.2e6 + 0.2e6 * j;
        const double icr = 0.0066 * i0 * (j % 2 ? 1.002 : 0.998) * (j < 4 ? 0.4 : 1);
        const double sca = 0.7 * icr * std::exp(-icr * 5e-6);
        narrow += QByteArray::number(i0, 'f', 0) + ' ' + QByteArray::number(icr, 'f', 1) + ' ' +
                  QByteArray::number(sca + (j % 3 - 1) * std::sqrt(sca), 'f', 1) + '\n';
    }
    narrowI0 = write(dir, "narrow.dat", narrow);
    QVERIFY(!narrowI0.isEmpty());
}

void TestFitChecks::modelOption_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString table = examples + "/scan-table.dat";
    QTest::newRow("unknown model") << QStringList{"--model", "linear", table} << 2
                                   << "--model takes quadratic, paralyzable, nonparalyzable, "
                                      "hybrid or auto, not \"linear\"";
    QTest::newRow("half a name") << QStringList{"--model", "paraly", table} << 2
                                 << "not \"paraly\"";
    QTest::newRow("--undetermined without -o")
        << QStringList{"--undetermined", "zero", table} << 2 << "no -o given";
    QTest::newRow("--undetermined of no kind")
        << QStringList{"--undetermined", "nan", "-o", dir.filePath("x.dat"), table} << 2
        << "--undetermined takes quadratic or zero, not \"nan\"";
    QTest::newRow("two models") << QStringList{"--model", "auto", "--model", "quadratic", table}
                                << 2 << "--model may be given once";
    QTest::newRow("no model") << QStringList{table, "--model"} << 2 << "Missing value";
}

void TestFitChecks::modelOption()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const ToolRun run = runTool(args);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestFitChecks::exactModelsWriteTheirConstants_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("paralysable") << "paralyzable";
    QTest::newRow("non-paralysable") << "nonparalyzable";
    QTest::newRow("spelt the British way") << "non-paralysable";
    QTest::newRow("hybrid") << "hybrid";
    QTest::newRow("either") << "auto";
}

// -o writes the constants the model reports, in the window's file formats;
// JSON gives the same constants and the texts the file holds.
void TestFitChecks::exactModelsWriteTheirConstants()
{
    QFETCH(QString, model);
    const QString out = dir.filePath(model + ".dat");
    const ToolRun run =
        runTool(QStringList{"--json", "--model", model, "-o", out, "--undetermined", "quadratic",
                            examples + "/scan-table.dat"});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject root = run.json();
    // The other spelling is read as the one every text uses.
    const QString name = model == "non-paralysable" ? "nonparalyzable" : model;
    QCOMPARE(root["model"].toString(), name);
    const QJsonArray window =
        runTool({"--json", examples + "/scan-table.dat"}).json()["results"].toArray();
    QStringList tau0s, taus;
    for (const QJsonValue v : root["results"].toArray()) {
        const QJsonObject r = v.toObject();
        if (model != "auto")
            QCOMPARE(r["model"].toString(), name);
        tau0s << r["tau0Written"].toString();
        taus << r["tauWritten"].toString();
        // The text is the constant in the files' six digits; an
        // undetermined one is the quadratic's, as asked.
        QCOMPARE(r["tau0Written"].toString(),
                 r["tau0"].isNull() ? window[r["channel"].toInt() - 1].toObject()["tau0Text"].toString()
                                    : printfNumber(r["tau0"].toDouble(), 'g', 6));
        QCOMPARE(r["tauWritten"].toString(),
                 r["tau"].isNull() ? window[r["channel"].toInt() - 1].toObject()["tauText"].toString()
                                   : printfNumber(r["tau"].toDouble(), 'g', 6));
    }
    QCOMPARE(resultTexts(out), tau0s + taus);
    // The quadratic's files differ: they are the window's.
    const ToolRun quadratic = runTool(
        {"-o", dir.filePath("q.dat"), "--undetermined", "quadratic", examples + "/scan-table.dat"});
    QCOMPARE(quadratic.exitCode, 0);
    QVERIFY(resultTexts(dir.filePath("q.dat")) != resultTexts(out));
}

// Each constant comes in microseconds with its error, both rounded to the
// error's second digit, and each stage names its model.
void TestFitChecks::tableRoundsToTheError()
{
    const ToolRun table = runTool({"--model", "paralyzable", examples + "/scan-table.dat"});
    const ToolRun json =
        runTool({"--json", "--model", "paralyzable", examples + "/scan-table.dat"});
    QCOMPARE(table.exitCode, 0);
    const QList<QByteArray> lines = table.out.split('\n');
    QVERIFY(lines[0].contains("model paralyzable; tau0 and tau in microseconds"));
    const QJsonArray results = json.json()["results"].toArray();
    QCOMPARE(results.size(), 4);
    for (int ch = 0; ch < 4; ++ch) {
        const QJsonObject r = results[ch].toObject();
        const QStringList cells = QString::fromUtf8(lines[2 + ch]).simplified().split(' ');
        // "1 0.66 ± 0.25 paralyzable 0.793 2.61 ± 0.26 paralyzable ..."
        QCOMPARE(cells[0], QString::number(ch + 1));
        // "undetermined [1]" takes a cell less than a value with its error.
        int shift = 0;
        for (const auto& [place, key] : {std::pair<int, const char*>{1, "tau0"}, {6, "tau"}}) {
            const int at = place + shift;
            if (r[key].isNull()) {
                QCOMPARE(cells[at], QString("undetermined"));
                QCOMPARE(cells[at + 2], QString("paralyzable"));
                shift = -1;
                continue;
            }
            const double value = r[key].toDouble() * 1e6;
            const double error = r[QString(key) + "Error"].toDouble() * 1e6;
            QCOMPARE(cells[at + 1], QString("\u00b1"));
            QCOMPARE(cells[at + 3], QString("paralyzable"));
            // Two significant digits of the error, whatever its size.
            const QString e = cells[at + 2];
            const double shown = e.toDouble();
            QVERIFY2(std::fabs(shown - error) <= 0.05 * error, qPrintable(e));
            const int decimals = e.contains('.') ? e.size() - e.indexOf('.') - 1 : 0;
            QString digits = e;
            digits.remove('.');
            while (digits.startsWith('0'))
                digits.remove(0, 1);
            QCOMPARE(digits.size(), 2);
            // The value to the same place.
            QCOMPARE(cells[at], printfNumber(value, 'f', decimals));
        }
    }
}

// auto gives every model in JSON and reports per stage what the data
// decide: the better exact model, the hybrid, or the mean of the two.
void TestFitChecks::autoReportsBothModels()
{
    const ToolRun run = runTool({"--json", "--model", "auto", highLoss});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject r = run.json()["results"].toArray()[0].toObject();
    const QJsonObject models = r["models"].toObject();
    QCOMPARE(models.keys(), QStringList({"hybrid", "nonparalyzable", "paralyzable", "quadratic"}));
    for (const char* stage : {"input", "output"}) {
        const QString chi2 = QString(stage) + "ChiSquare";
        const QString constant = QString(stage) == "input" ? "tau0" : "tau";
        const QJsonObject para = models["paralyzable"].toObject();
        const QJsonObject non = models["nonparalyzable"].toObject();
        const QString better =
            para[chi2].toDouble() <= non[chi2].toDouble() ? "paralyzable" : "nonparalyzable";
        const QJsonObject decision = r[constant + "Decision"].toObject();
        const double scaled = std::fabs(para[chi2].toDouble() - non[chi2].toDouble()) /
                              models[better].toObject()[QString(stage) + "ReducedChiSquare"].toDouble();
        QVERIFY(std::fabs(decision["scaledDeltaChiSquare"].toDouble() - scaled) < 1e-9 * scaled);
        const QString verdict = decision["verdict"].toString();
        if (verdict == "undecided") {
            QVERIFY(scaled <= 10);
            QCOMPARE(r[constant + "Model"].toString(), QString("mean"));
            // A tau0 over so small a loss may be undetermined even so.
            if (r[constant].isNull())
                QVERIFY(!r[constant + "Undetermined"].toString().isEmpty());
            else
                QVERIFY(std::fabs(r[constant].toDouble() -
                              (para[constant].toDouble() + non[constant].toDouble()) / 2) <
                    1e-12 * r[constant].toDouble());
        } else if (verdict == "decided") {
            QVERIFY(scaled > 10);
            QCOMPARE(r[constant + "Model"].toString(), better);
            QCOMPARE(r[constant].toDouble(), models[better].toObject()[constant].toDouble());
        } else {
            QCOMPARE(verdict, QString("hybrid"));
            QVERIFY(decision["hybridGain"].toDouble() > 10);
        }
    }
    // Twelve points with a quarter lost at the top do not decide between
    // the exact models; the mean's error covers both.
    QCOMPARE(r["tauModel"].toString(), QString("mean"));
    for (const char* m : {"paralyzable", "nonparalyzable"})
        QVERIFY(std::fabs(models[m].toObject()["tau"].toDouble() - r["tau"].toDouble()) <
                r["tauError"].toDouble());
}

void TestFitChecks::whatANewUserRunsInto_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("warnings");

    // The I0 of a scan that hardly moved.
    QByteArray still = "# Channels : 1\n";
    for (int j = 0; j < 10; ++j) {
        const double i0 = 1e6 * (1 + 0.003 * j);
        still += QByteArray::number(i0, 'f', 0) + ' ' + QByteArray::number(0.0066 * i0, 'f', 0) +
                 ' ' + QByteArray::number(0.0046 * i0, 'f', 0) + '\n';
    }
    const QString stillPath = write(dir, "still.dat", still);
    QTest::newRow("I0 varies by 3 %")
        << QStringList{stillPath}
        << QStringList{"I0 spans only 1e+06 to 1.027e+06 (a factor of 1.03, less than 2): tau0 "
                       "cannot be determined from this scan",
                       "channel 1: ICR spans only 6600 to 6778 (a factor of 1.03, less than 2): "
                       "tau cannot be determined from this scan"};

    // The lowest point's spectrum ends before the window it is counted in.
    const QStringList spectra = exampleSpectra();
    QByteArray cut;
    const QList<QByteArray> lines = contents(spectra[0]).split('\n');
    for (int i = 0; i < 200; ++i)
        cut += lines[i] + '\n';
    const QString cutPath = write(dir, "point01.mca", cut);
    QStringList poor;
    for (int ch = 1; ch <= 4; ++ch)
        poor << QStringLiteral("channel %1: chi2/nu of the tau fit").arg(ch);
    QTest::newRow("a spectrum cut short before its window")
        << QStringList{cutPath} + spectra.mid(1) << poor;

    // A notes file among the spectra.
    const QString notes = write(dir, "notes.txt", "Scan of the Fe foil, 4 elements\nbeam ok\n");
    QTest::newRow("a notes file among the spectra")
        << spectra.mid(0, 6) + QStringList{notes} + spectra.mid(6)
        << QStringList{notes + ", line 1: value 1 (\"Scan\") did not convert and was read as 0",
                       "point 7 (" + notes + ", line 1) has 1 channel; the set had 4"};

    // A program chosen by mistake.
    QFile program(QStringLiteral(VESKOR_FIT_PROGRAM));
    QVERIFY(program.open(QIODevice::ReadOnly));
    const QString binary = write(dir, "veskor-fit.bin", program.read(64 * 1024));
    QTest::newRow("a binary file")
        << QStringList{binary, examples + "/scan-table.dat"}
        << QStringList{binary + ", line 1: a NUL character: this is not a text file"};

    // A spreadsheet's export with its header row.
    const QString csv = write(
        dir, "scan.csv", "I0,ICR,SCA\n400000,2635,1866\n800000,5240,3604\n1200000,7810,5226\n");
    QTest::newRow("a CSV file with a header row")
        << QStringList{csv}
        << QStringList{csv + ", line 1: value 1 (\"I0\") did not convert and was read as 0",
                       "point 1 (" + csv + ", line 1): I0 = 0 is not above 0"};
}

// Each of these once gave constants without a word; now a warning names
// what is wrong and where (file and line), beginning as given here.
void TestFitChecks::whatANewUserRunsInto()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, warnings);
    const ToolRun run = runTool(QStringList{"--json"} + files);
    QVERIFY(run.finished);
    const QStringList said = run.warnings();
    for (const QString& expected : warnings) {
        bool found = false;
        for (const QString& w : said)
            found = found || w.startsWith(expected);
        QVERIFY2(found, qPrintable(expected + "\nin:\n" + said.join('\n')));
    }
    // The JSON carries the same messages.
    QStringList messages;
    for (const QJsonValue w : run.json()["warnings"].toArray())
        messages << w.toObject()["message"].toString();
    QCOMPARE(messages, said);
}

// Two identical points determine nothing: no constant is reported, though
// the results file still holds what the window's solver gives.
void TestFitChecks::identicalPointsGiveNoConstant()
{
    const QString twice = write(dir, "twice.dat", "1000 900 800\n1000 900 800\n");
    const QString out = dir.filePath("twice-results.dat");
    const ToolRun run = runTool({"--json", "-o", out, "--undetermined", "quadratic", twice});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject r = run.json()["results"].toArray()[0].toObject();
    QVERIFY(r["tau0"].isNull());
    QVERIFY(r["tau"].isNull());
    QVERIFY(!r["finite"].toBool());
    QCOMPARE(resultTexts(out), QStringList({r["tau0Text"].toString(), r["tauText"].toString()}));
    const ToolRun table = runTool({twice});
    QCOMPARE(table.out.split('\n')[2].simplified(),
             QByteArray("1 undetermined [1] quadratic n/a undetermined [2] quadratic n/a n/a n/a"));
    QVERIFY(table.out.contains("# [1] undetermined: I0 spans only 1.00x, less than 2x\n"
                               "# [2] undetermined: ICR spans only 1.00x, less than 2x\n"));
    QVERIFY(table.warnings().contains(
        "channel 1: tau is not available: fewer than two different ICR values other than 0"));

    // auto finds neither exact model, and names none.
    const ToolRun exact = runTool({"--model", "auto", twice});
    QCOMPARE(exact.out.split('\n')[2].simplified(),
             QByteArray("1 undetermined [1] n/a n/a undetermined [2] n/a n/a n/a n/a n/a n/a"));
    const QJsonObject e = runTool({"--json", "--model", "auto", twice}).json();
    const QJsonObject r2 = e["results"].toArray()[0].toObject();
    QVERIFY(r2["tau0Model"].isNull());
    QVERIFY(r2["tauModel"].isNull());
    QVERIFY(r2["model"].isNull());
}

void TestFitChecks::strict_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("written");

    const QString notes = write(dir, "strict-notes.txt", "one two three\n");
    const QStringList spectra = exampleSpectra();
    QTest::newRow("a sound scan") << QStringList{"--strict"} + spectra << 0 << true;
    QTest::newRow("a notes file among the spectra")
        << QStringList{"--strict"} + spectra + QStringList{notes} << 5 << false;
    QTest::newRow("the same without --strict") << spectra + QStringList{notes} << 0 << true;
    QTest::newRow("a file that cannot be opened")
        << QStringList{"--strict"} + spectra + QStringList{dir.filePath("missing.mca")} << 5
        << false;
    // The quadratic's limits are not the data's fault.
    QTest::newRow("only the quadratic's bias") << QStringList{"--strict", highLoss} << 0 << true;
}

// --strict writes nothing when a warning concerns the data, and says so;
// the report is printed all the same.
void TestFitChecks::strict()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, written);
    const QString out = dir.filePath("strict.dat");
    QFile::remove(out);
    QFile::remove(out + ".conf");
    const ToolRun run = runTool(QStringList{"-o", out, "--undetermined", "quadratic"} + args);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(QFile::exists(out), written);
    QCOMPARE(QFile::exists(out + ".conf"), written);
    QVERIFY(run.out.startsWith("# "));
    QCOMPARE(run.err.contains("--strict:"), exitCode == 5);
}

void TestFitChecks::exclude_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("message");

    const QString table = examples + "/scan-table.dat";
    const QStringList spectra = exampleSpectra();
    // scan-table.dat: four comment lines, then the twelve points.
    QTest::newRow("one row of a count table")
        << QStringList{"--exclude", table + ":9", table} << 0 << 11 << "";
    QTest::newRow("two rows, the path spelt otherwise")
        << QStringList{"--exclude", table + ":5", "--exclude",
                       examples + "/scan/../scan-table.dat:16", table}
        << 0 << 10 << "";
    QTest::newRow("a spectrum file")
        << QStringList{"--exclude", spectra[3]} + spectra << 0 << 11 << "";
    QTest::newRow("a line that holds no point")
        << QStringList{"--exclude", table + ":2", table} << 2 << -1
        << "--exclude " + table + ":2 matches no point read; nothing written";
    QTest::newRow("a file not read")
        << QStringList{"--exclude", spectra[0], table} << 2 << -1 << "matches no point read";
    QTest::newRow("a spectrum file has no lines")
        << QStringList{"--exclude", spectra[0] + ":3"} + spectra << 2 << -1
        << "matches no point read";
}

void TestFitChecks::exclude()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(int, points);
    QFETCH(QString, message);
    const QString out = dir.filePath("exclude.dat");
    QFile::remove(out);
    const ToolRun run =
        runTool(QStringList{"--json", "-o", out, "--undetermined", "quadratic"} + args);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(QFile::exists(out), exitCode == 0);
    if (exitCode != 0) {
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        return;
    }
    QCOMPARE(run.json()["points"].toInt(), points);
}

void TestFitChecks::undeterminedIsNoNumber_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("fill");
    QTest::addColumn<int>("exitCode");
    // What the .conf's tau0 holds; empty: nothing written.
    QTest::addColumn<QString>("written");
    for (const char* model : {"quadratic", "paralyzable", "hybrid", "auto"})
        QTest::addRow("%s, refused", model) << model << QStringList() << 5 << QString();
    QTest::newRow("paralyzable, zero") << "paralyzable" << QStringList{"--undetermined", "zero"}
                                       << 0 << "0";
    QTest::newRow("auto, the quadratic's")
        << "auto" << QStringList{"--undetermined", "quadratic"} << 0 << "quadratic";
}

// I0 over 1.5x cannot fix tau0: the table and JSON say undetermined with
// the reason, and -o writes no number into the .conf unless told which.
void TestFitChecks::undeterminedIsNoNumber()
{
    QFETCH(QString, model);
    QFETCH(QStringList, fill);
    QFETCH(int, exitCode);
    QFETCH(QString, written);
    const QString out = dir.filePath(QString("u-%1-%2.dat").arg(model).arg(fill.size()));
    const ToolRun run = runTool(QStringList{"--model", model, "-o", out} + fill + QStringList{narrowI0});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains("undetermined [1]"), run.out.constData());
    QVERIFY2(run.out.contains("# [1] undetermined: I0 spans only 1.44x, less than 2x"),
             run.out.constData());
    QCOMPARE(QFile::exists(out), !written.isEmpty());
    QCOMPARE(QFile::exists(out + ".conf"), !written.isEmpty());
    if (written.isEmpty()) {
        QVERIFY2(run.err.contains("does not determine tau0 of channel 1") &&
                     run.err.contains("; -o writes no guess into the .conf: nothing written"),
                 qPrintable(run.err));
    } else {
        const ToolRun quadratic = runTool({"--json", narrowI0});
        const QString expected =
            written == "0" ? "0"
                           : quadratic.json()["results"].toArray()[0].toObject()["tau0Text"].toString();
        QCOMPARE(resultTexts(out).value(0), expected);
    }

    const ToolRun json = runTool({"--json", "--model", model, narrowI0});
    const QJsonObject r = json.json()["results"].toArray()[0].toObject();
    QVERIFY(r["tau0"].isNull());
    QCOMPARE(r["tau0Undetermined"].toString(), "I0 spans only 1.44x, less than 2x");
    // Both pure models are always there, each undetermined as well.
    for (const char* m : {"paralyzable", "nonparalyzable"})
        QVERIFY(r["models"].toObject()[m].toObject()["tau0"].isNull());
}

VESKOR_CORE_TEST_MAIN(TestFitChecks)
#include "tst_fitchecks.moc"
