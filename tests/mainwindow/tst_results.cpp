// The window's results as a scientist acts on them: the model chosen sets
// the fields, curves, table and saved files, which equal veskor-fit's for
// the same model; a point left out equals veskor-fit --exclude; the table
// copies and saves; both rows of constants stay on screen.

#include "analysis/channelsummary.h"
#include "analysis/resultstable.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/body.h"
#include "referencearithmetic.h"
#include "testsupport.h"
#include "toolrun.h"
#include "windowdriver.h"

#include <QAbstractItemModel>
#include <tuple>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>

#include <cmath>

using veskor::reference::printfNumber;
using veskor::test::contents;
using veskor::test::exampleSpectra;
using veskor::test::runTool;
using veskor::test::scanTable;
using veskor::test::settle;
using veskor::test::Window;
using veskor::test::writeFile;

namespace {

void choose(Window& w, const QString& model)
{
    auto* choice = w.body.findChild<QComboBox*>("ModelChoice");
    choice->setCurrentIndex(choice->findData(model));
}

QTableView* table(Window& w)
{
    return w.body.findChild<QTableView*>("ResultsView");
}

// The highest "# I0 : " of the spectrum files.
double highestI0(const QStringList& files)
{
    double highest = 0;
    for (const QString& f : files)
        for (const QByteArray& line : contents(f).split('\n'))
            if (line.startsWith("# I0 : "))
                highest = std::max(highest, line.mid(7).trimmed().toDouble());
    return highest;
}

// What veskor-fit names a model, as the window's table does.
QString label(const QString& model)
{
    return model == "quadratic" || model == "paralyzable" || model == "nonparalyzable" ||
                   model == "hybrid"
               ? model
           : model == "mean" ? "mean"
                             : "n/a";
}

// 1 - h(z), the share lost on the model's curve.
double loss(const QString& model, double z)
{
    return model == "quadratic" ? z : model == "paralyzable" ? -std::expm1(-z) : z / (1 + z);
}

} // namespace

class TestResults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelChoiceIsTheTools_data();
    void modelChoiceIsTheTools();
    void leftOutPointIsTheToolsExclusion_data();
    void leftOutPointIsTheToolsExclusion();
    void lastTwoPointsStayIn();
    void tableCopiesSortsAndSaves();
    void bothRowsOfConstantsOnScreen_data();
    void bothRowsOfConstantsOnScreen();
    void saveAsksForUndetermined_data();
    void saveAsksForUndetermined();
};

void TestResults::modelChoiceIsTheTools_data()
{
    QTest::addColumn<QString>("model");
    for (const char* m : {"quadratic", "paralyzable", "nonparalyzable", "auto"})
        QTest::newRow(m) << QString(m);
}

// Fields, table rows and saved bytes are veskor-fit's for the model; the
// plots draw that model's curves, and the quadratic's picture comes back.
void TestResults::modelChoiceIsTheTools()
{
    QFETCH(QString, model);
    const QStringList files = exampleSpectra();
    QTemporaryDir dir;
    const QString toolFile = dir.filePath("tool.dat");
    const veskor::test::ToolRun tool =
        runTool(QStringList{"--json", "--model", model, "-o", toolFile, "--undetermined",
                            "quadratic"} +
                files);
    QVERIFY(tool.finished);
    const QJsonArray results = tool.json()["results"].toArray();
    QCOMPARE(results.size(), 4);

    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read(files);
    settle();
    const QImage quadraticPlot = w.plot("NinNoutDisp");
    choose(w, model);
    settle();
    QCOMPARE(w.plot("NinNoutDisp") == quadraticPlot, model == "quadratic");

    const PointSet& set = w.body.pointData();
    const QAbstractItemModel* rows = table(w)->model();
    QCOMPARE(rows->rowCount(), 4);
    const double topI0 = highestI0(files);
    auto cell = [&](int row, int column) { return rows->index(row, column).data().toString(); };
    for (int ch = 0; ch < 4; ++ch) {
        const QJsonObject r = results[ch].toObject();
        QCOMPARE(set.tauFields[2 * ch]->text(), r["tau0Text"].toString());
        QCOMPARE(set.tauFields[2 * ch + 1]->text(), r["tauText"].toString());

        QCOMPARE(cell(ch, ResultsTableModel::Channel), QString::number(ch + 1));
        for (const auto& [key, value, error] :
             {std::tuple<QString, int, int>{"tau0", ResultsTableModel::Tau0,
                                            ResultsTableModel::Tau0Error},
              {"tau", ResultsTableModel::Tau, ResultsTableModel::TauError}}) {
            if (r[key].isNull()) {
                QCOMPARE(cell(ch, value), QString("undetermined"));
                QVERIFY(cell(ch, error).isEmpty());
                QVERIFY(!rows->index(ch, value).data(Qt::ToolTipRole).toString().isEmpty());
                continue;
            }
            QCOMPARE(cell(ch, value) + " \u00b1 " + cell(ch, error),
                     valueWithError(r[key].toDouble(), r[key + "Error"].toDouble()));
        }
        // Both exact models, whichever is chosen.
        const QJsonObject para = r["models"].toObject()["paralyzable"].toObject();
        const QJsonObject non = r["models"].toObject()["nonparalyzable"].toObject();
        const auto exact = [](const QJsonObject& m, const QString& key) {
            return m[key].isNull() ? QString("undetermined")
                                   : valueWithError(m[key].toDouble(), m[key + "Error"].toDouble());
        };
        QCOMPARE(cell(ch, ResultsTableModel::Tau0Paralyzable), exact(para, "tau0"));
        QCOMPARE(cell(ch, ResultsTableModel::TauNonParalyzable), exact(non, "tau"));
        const QString in = r["tau0Model"].toString();
        const QString out = r["tauModel"].toString();
        const QString prefix = model == "auto" ? "auto: " : "";
        QCOMPARE(cell(ch, ResultsTableModel::InputModel), prefix + label(in));
        QCOMPARE(cell(ch, ResultsTableModel::OutputModel), prefix + label(out));
        QCOMPARE(cell(ch, ResultsTableModel::InputChiSquare),
                 printfNumber(r["inputReducedChiSquare"].toDouble(), 'g', 3));
        QCOMPARE(cell(ch, ResultsTableModel::OutputChiSquare),
                 printfNumber(r["outputReducedChiSquare"].toDouble(), 'g', 3));
        // An undetermined constant's loss is the fit's own, which the JSON
        // does not give.
        if (r["tau0"].isNull())
            continue;
        // A mean is drawn, and its loss taken, on the better model's curve.
        const auto curveOf = [&](const QString& shown, const char* chi2) {
            if (shown != "mean")
                return shown;
            const QJsonObject m = r["models"].toObject();
            return m["paralyzable"].toObject()[chi2].toDouble() <=
                           m["nonparalyzable"].toObject()[chi2].toDouble()
                       ? QString("paralyzable")
                       : QString("nonparalyzable");
        };
        const double zIn = r["inputScale"].toDouble() * r["tau0"].toDouble() * topI0;
        const double zOut = r["tau"].toDouble() * r["highestIcr"].toDouble();
        QCOMPARE(cell(ch, ResultsTableModel::InputLoss),
                 printfNumber(loss(curveOf(in, "inputChiSquare"), zIn) * 100, 'g', 3));
        QCOMPARE(cell(ch, ResultsTableModel::OutputLoss),
                 printfNumber(loss(curveOf(out, "outputChiSquare"), zOut) * 100, 'g', 3));
    }

    const QString windowFile = dir.filePath("window.dat");
    w.save(windowFile);
    QCOMPARE(contents(windowFile), contents(toolFile));
    QCOMPARE(contents(windowFile + ".conf"), contents(toolFile + ".conf"));
    QVERIFY(!contents(windowFile).isEmpty());

    choose(w, "quadratic");
    settle();
    QVERIFY(w.plot("NinNoutDisp") == quadraticPlot);
}

void TestResults::leftOutPointIsTheToolsExclusion_data()
{
    QTest::addColumn<QString>("source"); // "spectra" or "table"
    QTest::addColumn<QString>("model");
    QTest::newRow("a spectrum file, quadratic") << "spectra"
                                                << "quadratic";
    QTest::newRow("a spectrum file, paralysable") << "spectra"
                                                  << "paralyzable";
    QTest::newRow("a count table row, auto") << "table"
                                             << "auto";
}

void TestResults::leftOutPointIsTheToolsExclusion()
{
    QFETCH(QString, source);
    QFETCH(QString, model);
    const QStringList files =
        source == "spectra" ? exampleSpectra()
                            : QStringList{QStringLiteral(VESKOR_EXAMPLES_DIR) + "/scan-table.dat"};
    QTemporaryDir dir;
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read(files);
    choose(w, model);
    settle();
    const QString all = dir.filePath("all.dat");
    w.save(all);
    const QImage before = w.plot("I0NinDisp");

    AMeasP* point = w.body.pointData().points[4];
    const QString exclusion =
        point->originLine > 0
            ? QStringLiteral("%1:%2").arg(point->originFile).arg(point->originLine)
            : point->originFile;
    const QString toolFile = dir.filePath("tool.dat");
    QVERIFY(runTool(QStringList{"--model", model, "--exclude", exclusion, "-o", toolFile,
                                "--undetermined", "quadratic"} +
                    files)
                .finished);

    point->findChild<QCheckBox*>("UseInFit")->click();
    settle();
    const QString windowFile = dir.filePath("window.dat");
    w.save(windowFile);
    QCOMPARE(contents(windowFile), contents(toolFile));
    QCOMPARE(contents(windowFile + ".conf"), contents(toolFile + ".conf"));
    QVERIFY(contents(windowFile) != contents(all));
    QCOMPARE(w.body.pointData().points.size(), 12);
    QVERIFY(point->findChild<QLineEdit*>("I0")->styleSheet().contains("rgb(232, 232, 232)"));
    QVERIFY(w.plot("I0NinDisp") != before);

    // Checked again, the point is back in the fit and drawn as before.
    point->findChild<QCheckBox*>("UseInFit")->click();
    settle();
    w.save(windowFile);
    QCOMPARE(contents(windowFile), contents(all));
    QVERIFY(w.plot("I0NinDisp") == before);
    QCOMPARE(point->findChild<QLineEdit*>("I0")->styleSheet(),
             QString("background-color: rgb(255, 255, 224);"));
}

// Two points are the fewest a fit takes: their boxes cannot be unchecked,
// and a third point frees them; Clear forgets what was left out.
void TestResults::lastTwoPointsStayIn()
{
    const QStringList files = exampleSpectra();
    Window w;
    w.read(files.mid(0, 3));
    auto boxes = [&] {
        QList<QCheckBox*> b;
        for (AMeasP* p : w.body.pointData().points)
            b << p->findChild<QCheckBox*>("UseInFit");
        return b;
    };
    boxes()[0]->click();
    QCOMPARE(w.body.pointData().tauFields.size(), 8);
    QVERIFY(!boxes()[1]->isEnabled() && !boxes()[2]->isEnabled());
    QVERIFY(boxes()[0]->isEnabled());
    w.read(files.mid(3, 1));
    QVERIFY(boxes()[1]->isEnabled() && boxes()[2]->isEnabled() && boxes()[3]->isEnabled());
    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    QCOMPARE(table(w)->model()->rowCount(), 0);
    w.read(files.mid(0, 3));
    for (QCheckBox* b : boxes())
        QVERIFY(b->isChecked() && b->isEnabled());
}

void TestResults::tableCopiesSortsAndSaves()
{
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read(exampleSpectra());
    auto* tabs = w.body.findChild<QTabWidget*>("ResultTabs");
    tabs->setCurrentWidget(w.body.findChild<QWidget*>("TablePage"));
    QTableView* view = table(w);
    QAbstractItemModel* rows = view->model();

    // Sorted by tau, largest first: numbers ranked as numbers.
    view->horizontalHeader()->setSortIndicator(ResultsTableModel::Tau, Qt::DescendingOrder);
    QVector<double> taus = w.body.pointData().taus;
    std::sort(taus.begin(), taus.end(), std::greater<double>());
    for (int r = 0; r < 4; ++r) {
        const int ch = rows->index(r, ResultsTableModel::Channel).data().toInt();
        QCOMPARE(w.body.pointData().taus[ch - 1], taus[r]);
    }

    // Nothing selected: Ctrl+C copies the whole table under its headers.
    view->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0].split('\t').size(), int(ResultsTableModel::ColumnCount));
    QCOMPARE(lines[0].split('\t').first(), QString("Channel"));
    QCOMPARE(lines[1].split('\t')[ResultsTableModel::Tau],
             rows->index(0, ResultsTableModel::Tau).data().toString());

    // Two cells of two rows: their columns and rows alone, through the menu.
    view->selectionModel()->select(rows->index(1, ResultsTableModel::Tau0),
                                   QItemSelectionModel::ClearAndSelect);
    view->selectionModel()->select(rows->index(3, ResultsTableModel::OutputModel),
                                   QItemSelectionModel::Select);
    QAction* copy = view->findChild<QAction*>("CopyResults");
    QVERIFY(view->actions().contains(copy));
    copy->trigger();
    const QString tau0 = rows->index(1, ResultsTableModel::Tau0).data().toString();
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("\u03c40 (\u00b5s)\tModel (Amp)\n%1\t\n\tquadratic\n").arg(tau0));

    QTemporaryDir dir;
    const QString csv = dir.filePath("table.csv");
    auto* tableDialog = w.dialog("tableDialog");
    QVERIFY(tableDialog);
    view->findChild<QAction*>("SaveTable")->trigger();
    QVERIFY(tableDialog->isVisible());
    Q_EMIT tableDialog->fileSelected(csv);
    tableDialog->hide();
    const QByteArray bytes = contents(csv);
    QVERIFY(bytes.startsWith("\xef\xbb\xbf"
                             "Channel,"));
    QCOMPARE(bytes.count("\r\n"), 5);
}

void TestResults::bothRowsOfConstantsOnScreen_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QSize>("size");
    QTest::newRow("2 x 1 on a laptop") << 2 << 1 << QSize(1366, 768);
    QTest::newRow("40 x 19 at the window's size") << 40 << 19 << QSize(1536, 854);
    QTest::newRow("100 x 19 on a laptop") << 100 << 19 << QSize(1366, 768);
}

void TestResults::bothRowsOfConstantsOnScreen()
{
    QFETCH(int, points);
    QFETCH(int, channels);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const QString scan = writeFile(dir, "scan.dat", scanTable(points, channels));
    Window w;
    w.body.resize(size);
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({scan});
    settle();
    QCOMPARE(w.body.size(), size);

    const QRect window = w.body.rect();
    auto onScreen = [&](QWidget* widget) {
        const QRegion seen = widget->visibleRegion();
        return !seen.isEmpty() &&
               window.contains(QRect(widget->mapTo(&w.body, seen.boundingRect().topLeft()),
                                     seen.boundingRect().size()));
    };
    QVERIFY(onScreen(w.body.findChild<QLabel*>("label_4")));
    QVERIFY(onScreen(w.body.findChild<QLabel*>("label_5")));
    const QVector<LE*>& fields = w.body.pointData().tauFields;
    QCOMPARE(fields.size(), 2 * channels);
    // The first channel's two constants show whole, one above the other.
    QCOMPARE(fields[0]->visibleRegion().boundingRect(), fields[0]->rect());
    QCOMPARE(fields[1]->visibleRegion().boundingRect(), fields[1]->rect());
    // Every channel's pair shares its column, so one bar scrolls both.
    for (int ch = 0; ch < channels; ++ch)
        QCOMPARE(fields[2 * ch]->x(), fields[2 * ch + 1]->x());
    auto* constants = w.body.findChild<QScrollArea*>("TausScroll");
    QCOMPARE(constants->horizontalScrollBar()->maximum() > 0, channels > 4);

    auto* column = w.body.findChild<QScrollArea*>("MCAScroll");
    QVERIFY(column->height() <= size.height() / 3);
    for (const char* plot : {"I0NinDisp", "NinNoutDisp"})
        QVERIFY2(w.surface(plot)->height() >= 200, plot);
}

void TestResults::saveAsksForUndetermined_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asked");
    // Channel 3's tau0 is undetermined on the example scan (its error is
    // larger than itself) with every exact model.
    QTest::newRow("the quadratic's constants") << "paralyzable" << "writeQuadratic" << true;
    QTest::newRow("zero") << "nonparalyzable" << "writeZero" << true;
    QTest::newRow("cancelled") << "paralyzable" << "cancel" << true;
    QTest::newRow("the quadratic asks nothing") << "quadratic" << "" << false;
}

// Save writes no undetermined constant unasked: the answer decides what the
// files hold in its place, and they are veskor-fit's for the same answer.
void TestResults::saveAsksForUndetermined()
{
    QFETCH(QString, model);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    const QStringList files = exampleSpectra();
    QTemporaryDir dir;
    Window w;
    w.read(files);
    settle();
    choose(w, model);
    settle();
    const QString path = dir.filePath("saved.dat");
    QCOMPARE(w.save(path, answer), asked);
    if (answer == "cancel") {
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(path + ".conf"));
        return;
    }
    const QString tool = dir.filePath("tool.dat");
    // The quadratic's files are the window's, as veskor-fit writes them
    // when told to keep its constants.
    const QStringList args{"--model", model, "-o", tool, "--undetermined",
                           answer == "writeZero" ? "zero" : "quadratic"};
    QCOMPARE(runTool(args + files).exitCode, 0);
    QCOMPARE(contents(path), contents(tool));
    QCOMPARE(contents(path + ".conf"), contents(tool + ".conf"));
    if (answer == "writeZero")
        QVERIFY(contents(path).contains(" 0 "));
}

VESKOR_GUI_TEST_MAIN(TestResults)
#include "tst_results.moc"
