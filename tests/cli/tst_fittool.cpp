#include "mainwindow/body.h"
#include "testsupport.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

using veskor::test::contents;
using veskor::test::exampleSpectra;
using veskor::test::runTool;
using veskor::test::ToolRun;

const QString examples = QStringLiteral(VESKOR_EXAMPLES_DIR);

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A parentless file dialog of the window's that did not exist before.
QFileDialog* newDialog(const QWidgetList& before, const char* name)
{
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops) {
        auto* d = qobject_cast<QFileDialog*>(w);
        if (d && !before.contains(w) && d->objectName() == QLatin1String(name))
            return d;
    }
    return nullptr;
}

// Loads files into a fresh window and saves its results to path, through
// the window's own dialogs.
bool saveThroughWindow(const QStringList& files, const QString& path)
{
    const QWidgetList before = QApplication::topLevelWidgets();
    Body body;
    QFileDialog* read = newDialog(before, "readDialog");
    QFileDialog* save = newDialog(before, "saveDialog");
    if (!read || !save)
        return false;
    emit read->filesSelected(files);
    emit save->fileSelected(path);
    return true;
}

// Every file in dir with its bytes, to tell that a run wrote nothing.
QMap<QString, QByteArray> snapshot(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, contents(QDir(dir).filePath(name)));
    return files;
}

} // namespace

class TestFitTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sameFilesAsTheWindow_data();
    void sameFilesAsTheWindow();
    void exitStatus_data();
    void exitStatus();
    void singularFit();
    void plotWithoutADisplay();
    void plotOnlyOverItsOwnImages_data();
    void plotOnlyOverItsOwnImages();
    void plotShowsTheTablesConstants_data();
    void plotShowsTheTablesConstants();
    void sizeLimitKeepsHardLinkedResults();
    void percentSignsInFileNames_data();
    void percentSignsInFileNames();

private:
    QTemporaryDir dir;
};

void TestFitTool::initTestCase()
{
    QVERIFY(dir.isValid());
    QCOMPARE(exampleSpectra().size(), 12);
    // Copies to run against, so that no fault of the tool can touch the
    // checked-in examples.
    const QStringList files = exampleSpectra();
    for (int i = 0; i < 3; ++i)
        QVERIFY(QFile::copy(files[i], dir.filePath(QStringLiteral("p%1.mca").arg(i + 1))));
    // Two channels in common only, and a table whose second channel counts
    // nothing: every fit of that channel is singular.
    write(dir.filePath("two-channels.dat"), "# Channels : 2\n"
                                            "1000000 15000 14000 10400 9700\n"
                                            "2500000 36500 34200 24900 23300\n"
                                            "4000000 56800 53300 38000 35600\n");
    write(dir.filePath("dead-channel.dat"), "# Channels : 2\n"
                                            "1000000 15000 0 10400 0\n"
                                            "2500000 36500 0 24900 0\n"
                                            "4000000 56800 0 38000 0\n");
    // Fewer than three tokens on a line: not even a count table row.
    write(dir.filePath("notes.txt"), "no data\n");
}

void TestFitTool::sameFilesAsTheWindow_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("example scan, MCA spectrum files") << exampleSpectra() << 0;
    QTest::newRow("example scan, count table") << QStringList{examples + "/scan-table.dat"} << 0;
    QTest::newRow("fewer channels, both formats, a missing file")
        << QStringList{dir.filePath("p1.mca"), dir.filePath("missing.mca"),
                       dir.filePath("two-channels.dat"), dir.filePath("p2.mca")}
        << 1;
    QTest::newRow("singular fit") << QStringList{dir.filePath("dead-channel.dat")} << 0;
}

void TestFitTool::sameFilesAsTheWindow()
{
    QFETCH(QStringList, files);
    QFETCH(int, exitCode);
    const QString windowPath = dir.filePath("window.dat");
    const QString toolPath = dir.filePath("tool.dat");
    QFile::remove(windowPath);
    QFile::remove(windowPath + ".conf");

    QVERIFY(saveThroughWindow(files, windowPath));
    const ToolRun run = runTool(QStringList{"-o", toolPath, "--undetermined", "quadratic"} + files);
    QVERIFY2(run.finished, qPrintable(run.err));
    QCOMPARE(run.exitCode, exitCode);

    const QByteArray results = contents(windowPath);
    QVERIFY(results.startsWith("# Deadtime data\r\n"));
    QCOMPARE(contents(toolPath), results);
    QVERIFY(!contents(windowPath + ".conf").isEmpty());
    QCOMPARE(contents(toolPath + ".conf"), contents(windowPath + ".conf"));
}

void TestFitTool::exitStatus_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("written");

    const QString out = dir.filePath("status.dat");
    const QStringList points{dir.filePath("p1.mca"), dir.filePath("p2.mca"),
                             dir.filePath("p3.mca")};
    QTest::newRow("no argument") << QStringList{} << 2 << "Usage: veskor-fit" << false;
    QTest::newRow("unknown option")
        << QStringList{"--fast"} + points << 2 << "Unknown option" << false;
    QTest::newRow("-o without a name")
        << points + QStringList{"-o"} << 2 << "Missing value" << false;
    QTest::newRow("-o names an input")
        << QStringList{"-o", points[0]} + points << 2 << "is also an input file" << false;
    QTest::newRow("-o before a wildcard: a measurement file")
        << QStringList{"-o"} + points << 2 << "holds measurement points" << false;
    QTest::newRow("an unreadable file among readable ones")
        << QStringList{"-o", out, "--undetermined", "quadratic", dir.filePath("missing.mca")} +
               points
        << 1 << "cannot open " + dir.filePath("missing.mca") << true;
    QTest::newRow("one point") << QStringList{"-o", out, points[0], dir.filePath("notes.txt")} << 3
                               << "fewer than two measurement points" << false;
    QTest::newRow("results directory missing")
        << QStringList{"-o", dir.filePath("no-such-dir/out.dat"), "--undetermined", "zero"} + points
        << 4 << "cannot write " + dir.filePath("no-such-dir/out.dat") << false;
}

void TestFitTool::exitStatus()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(bool, written);
    const QString out = dir.filePath("status.dat");
    QFile::remove(out);
    QFile::remove(out + ".conf");
    const QByteArray firstInput = contents(dir.filePath("p1.mca"));

    const ToolRun run = runTool(args);
    QVERIFY2(run.finished, qPrintable(run.err));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(QFile::exists(out), written);
    QCOMPARE(QFile::exists(out + ".conf"), written);
    QCOMPARE(contents(dir.filePath("p1.mca")), firstInput);
}

// A singular fit reports no constant: "n/a" in the table, null in JSON
// (which has no NaN), with the flag and the texts the results file carries;
// the warning says why.
void TestFitTool::singularFit()
{
    const ToolRun table = runTool({dir.filePath("dead-channel.dat")});
    QVERIFY(table.finished);
    const QList<QByteArray> lines = table.out.split('\n');
    QVERIFY(lines.size() > 3);
    QCOMPARE(lines[3].simplified(),
             QByteArray("2 undetermined [1] quadratic n/a undetermined [2] quadratic n/a n/a n/a"));

    const ToolRun run = runTool({"--json", dir.filePath("dead-channel.dat")});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 0);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray results = root["results"].toArray();
    QCOMPARE(results.size(), 2);
    const QJsonObject sound = results[0].toObject();
    const QJsonObject dead = results[1].toObject();
    QVERIFY(sound["finite"].toBool());
    QVERIFY(sound["tau"].isDouble());
    QVERIFY(!dead["finite"].toBool());
    QVERIFY(dead["tau0"].isNull());
    QCOMPARE(dead["tau0Text"].toString(), QStringLiteral("nan"));
    QVERIFY(dead["tauError"].isNull());
    QStringList checks;
    for (const QJsonValue w : root["warnings"].toArray())
        checks << w.toObject()["check"].toString() + " " +
                      QString::number(w.toObject()["channel"].toInt());
    // Channel 1's three points lie on a quadratic to rounding, so its
    // standard error of tau0 is next to nothing, less than the quadratic's
    // bias.
    QCOMPARE(checks,
             QStringList({"firstOrderBias 1", "nonFiniteConstant 2", "nonFiniteConstant 2"}));
    QVERIFY(run.err.contains("channel 2: tau0 is not available: no ICR count above 0"));
    QVERIFY(run.err.contains("channel 2: tau is not available: fewer than two different ICR "
                             "values other than 0"));
}

// With no platform chosen and no display, --plot still draws: the tool
// picks the offscreen platform itself.
void TestFitTool::plotWithoutADisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    // Under the leak checker, its note on the suppressed platform-plugin leak
    // would be the only text on stderr.
    if (env.contains("LSAN_OPTIONS"))
        env.insert("LSAN_OPTIONS", env.value("LSAN_OPTIONS") + ":print_suppressions=0");
    const QString png = dir.filePath("plots.png");
    const ToolRun run = runTool(QStringList{"--plot", png} + exampleSpectra(), env);
    QVERIFY2(run.finished, qPrintable(run.err));
    QCOMPARE(run.exitCode, 0);
    // The analysis may warn; nothing else may speak.
    for (const QString& line : run.err.split('\n', Qt::SkipEmptyParts))
        QVERIFY2(line.startsWith("veskor-fit: warning: "), qPrintable(run.err));

    const QImage image(png);
    QVERIFY(!image.isNull());
    // Channels 2 to 4 are drawn red, green and blue, as in the window.
    int red = 0, green = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xffffff;
            red += c == 0xff0000;
            green += c == 0x00ff00;
            blue += c == 0x0000ff;
        }
    QVERIFY(red > 100 && green > 100 && blue > 100);
}

void TestFitTool::plotOnlyOverItsOwnImages_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("refusal"); // empty: the plot is drawn

    const QString out = dir.filePath("plotted.dat");
    const QString table = dir.filePath("plotted-table.dat");
    const QStringList points{dir.filePath("p1.mca"), dir.filePath("p2.mca"),
                             dir.filePath("p3.mca")};
    const QStringList o{"-o", out, "--undetermined", "quadratic"};
    QTest::newRow("an input") << QStringList{"--plot", points[0]} + points
                              << "is also an input file";
    QTest::newRow("before a wildcard: a measurement file")
        << QStringList{"--plot"} + points << "is not a PNG or SVG image";
    QTest::newRow("-o's results file")
        << o + QStringList{"--plot", out} + points << "is named for two outputs";
    QTest::newRow("-o's configuration file")
        << o + QStringList{"--plot", out + ".conf"} + points << "is named for two outputs";
    QTest::newRow("--table's file")
        << QStringList{"--table", table, "--plot", table} + points << "is named for two outputs";
    QTest::newRow("an existing text file")
        << QStringList{"--plot", dir.filePath("notes.txt")} + points << "is not a PNG or SVG image";
    QTest::newRow("a PNG an earlier --plot wrote: replaced")
        << QStringList{"--plot", dir.filePath("earlier.png")} + points << QString();
    QTest::newRow("an SVG an earlier --plot wrote: replaced")
        << QStringList{"--plot", dir.filePath("earlier.svg")} + points << QString();
}

// --plot writes over nothing but an image: not an input, not another
// output, not a file of any other kind that happens to be there.
void TestFitTool::plotOnlyOverItsOwnImages()
{
    QFETCH(QStringList, args);
    QFETCH(QString, refusal);
    const QString target = args[args.indexOf("--plot") + 1];
    const QString name = QFileInfo(target).fileName();
    if (refusal.isEmpty())
        QCOMPARE(runTool({"--plot", target, dir.filePath("two-channels.dat")}).exitCode, 0);
    QMap<QString, QByteArray> before = snapshot(dir.path());

    const ToolRun run = runTool(args);
    QVERIFY2(run.finished, qPrintable(run.err));
    QCOMPARE(run.exitCode, refusal.isEmpty() ? 0 : 2);
    QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
    QMap<QString, QByteArray> after = snapshot(dir.path());
    if (refusal.isEmpty()) {
        // The earlier image gives way to this run's; nothing else changes.
        QVERIFY(after.take(name) != before.take(name));
        const QSize page(1960, 1564);
        if (target.endsWith(".svg"))
            QCOMPARE(QSvgRenderer(target).viewBox().size(), page);
        else
            QCOMPARE(QImage(target).size(), page);
    }
    QCOMPARE(after, before);
}

void TestFitTool::plotShowsTheTablesConstants_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("quadratic") << "quadratic";
    QTest::newRow("paralyzable") << "paralyzable";
    QTest::newRow("auto, each channel its own") << "auto";
}

// The page names every constant as the table prints it, value, error and
// model: never the quadratic's figures beside another model's table.
void TestFitTool::plotShowsTheTablesConstants()
{
    QFETCH(QString, model);
    const QString svg = dir.filePath("constants-" + model + ".svg");
    const ToolRun run = runTool(QStringList{"--model", model, "--plot", svg} + exampleSpectra());
    QCOMPARE(run.exitCode, 0);
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    QVERIFY(page.startsWith("<?xml"));
    int checked = 0, undetermined = 0;
    for (const QString& line : QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('#'))
            continue;
        // ch, tau0, model in, chi2/nu in, tau, model out, ...
        const QStringList cells = line.trimmed().split(QRegularExpression("\\s{2,}"));
        QVERIFY(cells.size() >= 6);
        for (int c : {1, 4}) {
            if (cells[c].startsWith("undetermined")) {
                ++undetermined;
                continue;
            }
            // The generator may end a text element where the font changes.
            const QRegularExpression shown(
                QRegularExpression::escape(
                    QStringLiteral("%1 = %2 \u00b5").arg(c == 1 ? "\u03c40" : "\u03c4", cells[c])) +
                "(</text>[^>]*>)?" + QRegularExpression::escape("s, " + cells[c + 1] + "<"));
            QVERIFY2(page.contains(shown), qPrintable(shown.pattern()));
            ++checked;
        }
    }
    QCOMPARE(checked + undetermined, 8);
    QVERIFY(checked >= 4);
    QCOMPARE(page.count("undetermined ("), undetermined);
}

// A results file with a second name is written in place; when the writing
// fails (no file may grow, as under "ulimit -f 0"), both names keep the old
// results, the configuration file stays too, and the exit status says so.
void TestFitTool::sizeLimitKeepsHardLinkedResults()
{
#ifndef Q_OS_UNIX
    QSKIP("needs hard links and ulimit");
#else
    QTemporaryDir linkDir;
    QVERIFY(linkDir.isValid());
    const QString out = linkDir.filePath("out.dat");
    const QString other = linkDir.filePath("other-name.dat");
    const QByteArray oldResults = "# Deadtime data\r\nPreamp: 1e-07\r\nAmp: 1e-06\r\n";
    const QByteArray oldConf = "old configuration\n";
    write(out, oldResults);
    write(out + ".conf", oldConf);
    QCOMPARE(::link(QFile::encodeName(out), QFile::encodeName(other)), 0);

    QProcess p;
    p.start("sh", QStringList{"-c", "ulimit -f 0 && exec \"$0\" \"$@\"", VESKOR_FIT_PROGRAM, "-o",
                              out, "--undetermined", "quadratic"} +
                      exampleSpectra());
    QVERIFY(p.waitForFinished(120000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 4);
    QVERIFY2(err.contains("cannot write " + out + "\nveskor-fit: cannot write " + out + ".conf"),
             qPrintable(err));
    QCOMPARE(contents(out), oldResults);
    QCOMPARE(contents(other), oldResults);
    QCOMPARE(contents(out + ".conf"), oldConf);
    QCOMPARE(QDir(linkDir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"other-name.dat", "out.dat", "out.dat.conf"}));
#endif
}

// A file name, or a scan's command, is put into a message as it is: a "%1"
// in it is not a place for the numbers that follow.
void TestFitTool::percentSignsInFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("mapping");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // {file} stands for the file's path

    const QStringList channels{"--i0", "I0", "--icr", "ICR{n}", "--sca", "SCA{n}"};
    const QStringList single{"--i0", "I0", "--icr", "ICR", "--sca", "SCA"};
    QTest::newRow("count table: a value that does not convert")
        << "run%1%2.mca" << QByteArray("# Channels : 1\n10 9 8\n20 1x 16\n30 27 24\n")
        << QStringList{} << 0
        << "{file}, line 3: value 2 (\"1x\") did not convert and was read as 0";
    QTest::newRow("CSV: a row skipped")
        << "run%1%2.csv" << QByteArray("I0,ICR1,SCA1\n10,9,8\n20,x,16\n30,27,24\n40,35,30\n")
        << channels << 0 << "{file}, line 3: value 2 (ICR1, \"x\") is not a number; row skipped";
    QTest::newRow("CSV: a label twice")
        << "run%1%2.csv" << QByteArray("I0,ICR,ICR,SCA\n10,9,9,8\n20,18,18,16\n") << single << 2
        << "{file} has 2 columns labelled 'ICR'; they cannot be told apart";
    QTest::newRow("CSV: channel counts differ")
        << "run%2%1.csv" << QByteArray("I0,ICR1,ICR2,SCA1\n10,9,9,8\n20,18,18,16\n") << channels
        << 2 << "{file}: --icr 'ICR{n}' gives 2 channels, --sca 'SCA{n}' 1";
    QTest::newRow("SPEC: a scan to choose")
        << "run%1%2.spec"
        << QByteArray("#S 1 ascan %1 0 1 1 1\n#L I0  ICR  SCA\n1 2 3\n4 5 6\n\n"
                      "#S 2 dscan b 0 1 1 1\n#L I0  ICR  SCA\n7 8 9\n")
        << single << 2
        << "{file} holds 2 scans; choose one with --scan\n"
           "  --scan 1  ascan %1 0 1 1 1 (line 1, 2 rows)\n"
           "  --scan 2  dscan b 0 1 1 1 (line 6, 1 row)";
}

void TestFitTool::percentSignsInFileNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, mapping);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir here;
    const QString path = here.filePath(name);
    write(path, bytes);
    const ToolRun run = runTool(mapping + QStringList{path});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    const QString said = message.replace(QLatin1String("{file}"), path);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
}

VESKOR_GUI_TEST_MAIN(TestFitTool)
#include "tst_fittool.moc"
