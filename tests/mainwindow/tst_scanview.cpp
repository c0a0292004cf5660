// The window holding a real scan: many points of many channels stay inside
// the window and readable, the plots keep their room, label their axes and
// follow the mouse, the fitted constants explain themselves, and files
// dropped on the window load as if chosen.

#include "app/startup.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "plot/plotcolors.h"
#include "plot/plotlabels.h"
#include "referencearithmetic.h"
#include "testsupport.h"
#include "toolrun.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>

using veskor::test::scanTable;
using veskor::test::settle;
using veskor::test::Window;
using veskor::test::writeFile;
using veskor::test::doubleClick;
using veskor::test::drag;
using veskor::test::mouse;
using veskor::test::wheel;

namespace {

// Whether a line edit shows its whole text: right-aligned text that does
// not fit is scrolled so that its end shows, and its first character is
// then no longer at the left edge. Needs a paint first.
bool showsWholeText(QLineEdit* field)
{
    field->grab();
    const int mid = field->height() / 2;
    return field->cursorPositionAt(QPoint(0, mid)) == 0 &&
           field->cursorPositionAt(QPoint(field->width() - 1, mid)) == field->text().size();
}

QList<QLineEdit*> valueFields(Body& body)
{
    QList<QLineEdit*> fields;
    for (const char* area : {"MCAScroll", "TausScroll"})
        fields += body.findChild<QScrollArea*>(area)->widget()->findChildren<QLineEdit*>();
    return fields;
}

using veskor::reference::printfNumber;
using veskor::test::exampleSpectra;
using veskor::test::ToolRun;

ToolRun fitJson(const QStringList& files, const QStringList& options = {})
{
    return veskor::test::runTool(QStringList{"--json"} + options + files);
}

QString micro(double seconds)
{
    return printfNumber(seconds * 1e6, 'g', 3);
}

// The tool tip's line for one exact model's constant, from what veskor-fit
// reports for it.
QString exactModelLine(const QString& label, const QString& symbol, double value, double error,
                       double chi2)
{
    return QStringLiteral("%1: %2 = %3 \u00b1 %4 \u00b5s (\u03c7\u00b2/\u03bd %5)")
        .arg(label, symbol, micro(value), micro(error), printfNumber(chi2, 'f', 2));
}

} // namespace

class TestScanView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void columnScrollsInsteadOfGrowing_data();
    void columnScrollsInsteadOfGrowing();
    void everyValueReadable();
    void readabilityCheckSeesACutNumber();
    void pointToolTipsNameTheirOrigin();
    void resultToolTipsFollowTheModel_data();
    void resultToolTipsFollowTheModel();
    void resultToolTipsListTheStagesWarnings();
    void panAndZoomStay_data();
    void panAndZoomStay();
    void newDataShowsTheWholeExtent();
    void plotsAreLabelled();
    void gridValueText_data();
    void gridValueText();
    void channelLegend_data();
    void channelLegend();
    void droppedFilesLoadInOrder_data();
    void droppedFilesLoadInOrder();
    void smallScreenTakesTheWindow_data();
    void smallScreenTakesTheWindow();
    void scanFileTableSavesAsTheTool_data();
    void scanFileTableSavesAsTheTool();
};

void TestScanView::columnScrollsInsteadOfGrowing_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("scrollsDown");
    QTest::addColumn<bool>("scrollsAcross");
    QTest::newRow("40 points of 19 channels") << 40 << 19 << true << true;
    QTest::newRow("100 points of 2 channels") << 100 << 2 << true << false;
    QTest::newRow("5 points of 3 channels") << 5 << 3 << false << false;
}

void TestScanView::columnScrollsInsteadOfGrowing()
{
    QFETCH(int, rows);
    QFETCH(int, channels);
    QFETCH(bool, scrollsDown);
    QFETCH(bool, scrollsAcross);
    QTemporaryDir dir;
    const QString table = writeFile(dir, "scan.dat", scanTable(rows, channels));

    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    settle();
    QCOMPARE(w.body.pointData().points.size(), rows);

    QCOMPARE(w.body.size(), QSize(1536, 854));
    // A laptop's screen still holds the window.
    QVERIFY(w.body.minimumSize().height() <= 740);
    for (const char* plot : {"I0NinDisp", "NinNoutDisp"})
        QVERIFY2(w.surface(plot)->height() >= 200, plot);

    auto* column = w.body.findChild<QScrollArea*>("MCAScroll");
    QCOMPARE(column->verticalScrollBar()->isVisible(), scrollsDown);
    QCOMPARE(column->horizontalScrollBar()->isVisible(), scrollsAcross);
    if (!scrollsDown) {
        // Every point shows whole.
        for (AMeasP* panel : w.body.pointData().points)
            QCOMPARE(panel->visibleRegion().boundingRect(), panel->rect());
    }

    // The constants stand between the panels and the plots, whole in height.
    auto* taus = w.body.findChild<QScrollArea*>("TausScroll");
    QVERIFY(taus->isVisible());
    QVERIFY(taus->geometry().top() >= column->geometry().bottom());
    auto* upperPlot = w.body.findChild<QWidget*>("I0NinDispF");
    QVERIFY(taus->geometry().bottom() < upperPlot->mapTo(&w.body, QPoint(0, 0)).y());
    QCOMPARE(taus->viewport()->height(), taus->widget()->height());
    QCOMPARE(w.body.pointData().tauFields.size(), 2 * channels);
    for (LE* field : w.body.pointData().tauFields)
        QVERIFY(field->isVisibleTo(taus));
}

void TestScanView::everyValueReadable()
{
    QTemporaryDir dir;
    const QString table = writeFile(dir, "wide.dat", scanTable(40, 19, true));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    settle();

    const QList<QLineEdit*> fields = valueFields(w.body);
    QCOMPARE(fields.size(), 40 * (1 + 2 * 19) + 2 * 19);
    int widest = 0;
    for (QLineEdit* field : fields) {
        QVERIFY2(showsWholeText(field), qPrintable(field->text()));
        widest = qMax(widest, field->text().size());
        // Still the fields they were.
        QVERIFY(field->isReadOnly());
        QCOMPARE(field->styleSheet(), QString("background-color: rgb(255, 255, 224);"));
    }
    // The table was made for the widest numbers of the format.
    QCOMPARE(widest, QString("1.23457e+06").size());
}

// The check above can fail: a field too narrow for its number is caught.
void TestScanView::readabilityCheckSeesACutNumber()
{
    QWidget host;
    auto* grid = new QGridLayout(&host);
    LE* field = addValueField(grid, 0, -2.50001e-07);
    host.show();
    QVERIFY(showsWholeText(field));
    field->setFixedWidth(field->width() / 2);
    QVERIFY(!showsWholeText(field));
}

void TestScanView::pointToolTipsNameTheirOrigin()
{
    QTemporaryDir dir;
    const QByteArray text = "# Channels : 1\n# I0 ICR SCA\n1000 900 800\n\n2000 1600 1300\n"
                            "# a note\n3000 2100 1600\n";
    // A "%1" in the name stays in the tool tip as it is.
    const QString table = writeFile(dir, "run%1%2.dat", text);
    const QStringList spectra = exampleSpectra().mid(0, 2);
    Window w;
    w.read(spectra + QStringList{table});

    // The data rows' lines, counted here from the file's text.
    QStringList expected;
    for (const QString& s : spectra)
        expected << QDir::toNativeSeparators(s);
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i)
        if (!lines[i].isEmpty() && !lines[i].startsWith('#'))
            expected << QDir::toNativeSeparators(table) + ", line " + QString::number(i + 1);

    QStringList tips;
    for (AMeasP* panel : w.body.pointData().points)
        tips << panel->findChild<QLineEdit*>("I0")->toolTip();
    QCOMPARE(tips, expected);
}

void TestScanView::resultToolTipsFollowTheModel_data()
{
    QTest::addColumn<QString>("model");
    for (const char* model : {"quadratic", "paralyzable", "nonparalyzable", "hybrid", "auto"})
        QTest::newRow(model) << model;
}

// A result field's tip: the constant of the model chosen first, then each
// other model a line, then the stage's warnings and the points fitted,
// every figure as veskor-fit reports it; an undetermined constant says so
// instead of giving a number.
void TestScanView::resultToolTipsFollowTheModel()
{
    QFETCH(QString, model);
    const QStringList files = exampleSpectra();
    const ToolRun run = fitJson(files, {"--model", model});
    QVERIFY(run.finished);

    Window w;
    w.read(files);
    auto* choice = w.body.findChild<QComboBox*>("ModelChoice");
    choice->setCurrentIndex(choice->findData(model));
    const PointSet& set = w.body.pointData();
    const QStringList models{"quadratic", "paralyzable", "nonparalyzable", "hybrid"};
    for (int ch = 0; ch < 4; ++ch) {
        const QJsonObject r = run.json()["results"].toArray()[ch].toObject();
        for (int stage = 0; stage < 2; ++stage) {
            const QString key = stage == 0 ? "tau0" : "tau";
            const QString symbol = stage == 0 ? "\u03c40" : "\u03c4";
            const QString chi = stage == 0 ? "inputReducedChiSquare" : "outputReducedChiSquare";
            auto line = [&](const QString& label, const QJsonObject& fit) -> QString {
                if (fit[key].isNull())
                    return label + ": " + symbol + " undetermined: ";
                return exactModelLine(label, symbol, fit[key].toDouble(),
                                      fit[key + "Error"].toDouble(), fit[chi].toDouble());
            };
            const QStringList tip = set.tauFields[2 * ch + stage]->toolTip().split('\n');
            QVERIFY(tip.size() <= 8);
            QCOMPARE(tip.last(), QString("Fitted over 12 points."));
            // The first line: the chosen constant, then whose it is.
            const QString took = r[key + "Model"].toString();
            const QString label = model != "auto" ? model
                                  : took == "mean" ? QString("auto: mean")
                                                   : QString("auto: " + took);
            QVERIFY2(tip[0].endsWith(", " + label), qPrintable(tip[0]));
            const QString first = line("", r).mid(2);
            QVERIFY2(tip[0].startsWith(first), qPrintable(tip[0] + " / " + first));
            int at = 1;
            for (const QString& m : models) {
                if (m == (model == "auto" && took != "mean" ? took : model))
                    continue;
                const QString expected = line(m, r["models"].toObject()[m].toObject());
                QVERIFY2(tip[at].startsWith(expected), qPrintable(tip[at] + " / " + expected));
                ++at;
            }
        }
    }
}

// Each field lists the warnings of its own stage, in the window's words,
// and never more than eight lines.
void TestScanView::resultToolTipsListTheStagesWarnings()
{
    // Channel 1 loses a fifth of its counts to the amplifier at the highest
    // rate, beyond what the quadratic model holds; channel 2 counts more
    // output than input at the second point (line 4).
    const QByteArray text = "# Channels : 2\n"
                            "# I0 ICR1 ICR2 SCA1 SCA2\n"
                            "10000 10000 9000 9480 8000\n"
                            "20000 19000 18000 16400 18500\n"
                            "40000 36000 35000 26000 30000\n"
                            "80000 66000 64000 38000 50000\n";
    QTemporaryDir dir;
    const QString table = writeFile(dir, "warn.dat", text);
    Window w;
    w.read({table});
    const PointSet& set = w.body.pointData();
    const QStringList tau0Tip = set.tauFields[0]->toolTip().split('\n');
    const QStringList tauTip = set.tauFields[1]->toolTip().split('\n');
    const QString fraction = QStringLiteral("\u03c40 \u00d7 highest ICR = %1, above 0.1")
                                 .arg(printfNumber(set.tau0s[0] * 66000, 'g', 3));
    QVERIFY2(tau0Tip.filter(fraction).size() == 1, qPrintable(tau0Tip.join('\n')));
    QVERIFY(tauTip.filter("\u03c40 \u00d7").isEmpty());
    const QString above = QStringLiteral("point 2 (%1, line 4): SCA 18500 exceeds ICR 18000")
                              .arg(QDir::toNativeSeparators(table));
    QVERIFY(set.tauFields[3]->toolTip().split('\n').contains(above));
    QVERIFY(!set.tauFields[2]->toolTip().contains("exceeds ICR"));
    QVERIFY(!set.tauFields[1]->toolTip().contains("exceeds ICR"));
    for (LE* field : set.tauFields) {
        QVERIFY(field->toolTip().split('\n').size() <= 8);
        QVERIFY(!field->toolTip().contains("--"));
    }
}

void TestScanView::panAndZoomStay_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("gesture");
    QTest::newRow("wheel away in the middle") << "counts" << "wheel in";
    QTest::newRow("wheel toward over the left strip") << "counts" << "wheel out left";
    QTest::newRow("left drag pans") << "counts" << "pan";
    QTest::newRow("right drag zooms to the box") << "counts" << "box";
    QTest::newRow("ratio view, wheel") << "ratio" << "wheel in";
    QTest::newRow("ratio view, left drag") << "ratio" << "pan";
    QTest::newRow("ratio view, right drag") << "ratio" << "box";
}

void TestScanView::panAndZoomStay()
{
    QFETCH(QString, view);
    QFETCH(QString, gesture);
    QTemporaryDir dir;
    const QString table = writeFile(dir, "scan.dat", scanTable(12, 4));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    settle();
    if (view != "counts")
        chooseView(w, view);

    for (const char* name : {"I0NinDisp", "NinNoutDisp"}) {
        DispA* plot = w.surface(name);
        const QImage whole = w.plot(name);
        const QPoint mid(plot->width() / 2, plot->height() / 2);
        if (gesture == "wheel in")
            wheel(plot, mid, 120);
        else if (gesture == "wheel out left")
            wheel(plot, QPoint(5, mid.y()), -120);
        else if (gesture == "pan")
            drag(plot, Qt::LeftButton, mid, mid + QPoint(80, -30));
        else
            drag(plot, Qt::RightButton, QPoint(plot->width() / 4, plot->height() / 4), mid);
        const QImage moved = w.plot(name);
        QVERIFY2(moved != whole, name);
        // The view stays through further paints and through moves of the
        // pointer without a button.
        mouse(plot, QEvent::MouseMove, mid + QPoint(7, 7), Qt::NoButton, Qt::NoButton);
        plot->repaint();
        QVERIFY2(w.plot(name) == moved, name);

        doubleClick(plot, mid);
        QVERIFY2(w.plot(name) == whole, name);
    }
}

void TestScanView::newDataShowsTheWholeExtent()
{
    QTemporaryDir dir;
    const QString first = writeFile(dir, "first.dat", scanTable(6, 2));
    const QString second = writeFile(dir, "second.dat", scanTable(9, 2));

    // What a fresh window shows of both loads.
    QImage expected;
    {
        Window fresh;
        fresh.body.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh.body));
        fresh.read({first, second});
        settle();
        expected = fresh.plot("I0NinDisp");
    }

    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({first});
    settle();
    DispA* plot = w.surface("I0NinDisp");
    wheel(plot, QPoint(plot->width() / 2, plot->height() / 2), 120);
    w.read({second});
    settle();
    QVERIFY(w.plot("I0NinDisp") == expected);

    // Clear too forgets the view: the next load shows all of its data.
    wheel(plot, QPoint(plot->width() / 2, plot->height() / 2), -120);
    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    w.read({first, second});
    settle();
    QVERIFY(w.plot("I0NinDisp") == expected);
}

void TestScanView::plotsAreLabelled()
{
    QTemporaryDir dir;
    const QString two = writeFile(dir, "two.dat", scanTable(2, 3));
    const QString three = writeFile(dir, "three.dat", scanTable(3, 3));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));

    auto writing = [](const QImage& image, const QRect& area) {
        // Text is drawn in greys darker than the grid's.
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() == c.green() && c.green() == c.blue() && c.red() < 150)
                    ++n;
            }
        return n;
    };
    // Too few points to plot: nothing at all, no title either.
    w.read({two});
    settle();
    QImage image = w.plot("NinNoutDisp");
    QCOMPARE(writing(image, image.rect()), 0);

    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    w.read({three});
    settle();
    image = w.plot("NinNoutDisp");
    const int h = image.height();
    // The title in the top left corner, figures along the bottom edge.
    QVERIFY(writing(image, QRect(0, 0, 120, 30)) > 50);
    QVERIFY(writing(image, QRect(0, h - 25, image.width(), 25)) > 50);
}

void TestScanView::gridValueText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("a tenth of a six-digit maximum") << 478923.4 << "4.79e+05";
    QTest::newRow("three digits") << 478.9234 << "479";
    QTest::newRow("below one") << 0.01234 << "0.0123";
    QTest::newRow("a second's microseconds") << 2.5e-06 << "2.5e-06";
}

void TestScanView::gridValueText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(::gridValueText(value), text);
}

void TestScanView::channelLegend_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("one channel") << 1 << QStringList{"1"};
    QTest::newRow("four channels") << 4 << QStringList{"1", "2", "3", "4"};
    QTest::newRow("nineteen share the thirteen colours")
        << 19 << QStringList{"1, 14", "2, 15", "3, 16", "4, 17", "5, 18", "6, 19", "7",
                             "8",     "9",     "10",    "11",    "12",    "13"};
    QTest::newRow("a colour names three channels at most")
        << 40
        << QStringList{"1, 14, 27, \u2026", "2, 15, 28",  "3, 16, 29", "4, 17, 30", "5, 18, 31",
                       "6, 19, 32",         "7, 20, 33",  "8, 21, 34", "9, 22, 35", "10, 23, 36",
                       "11, 24, 37",        "12, 25, 38", "13, 26, 39"};
}

void TestScanView::channelLegend()
{
    QFETCH(int, channels);
    QFETCH(QStringList, texts);
    const QVector<QColor> colors = plotColors();
    const QVector<LegendEntry> entries = ::channelLegend(channels, colors);
    QStringList got;
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].color, colors[i]);
        got << entries[i].text;
    }
    QCOMPARE(got, texts);
}

void TestScanView::droppedFilesLoadInOrder_data()
{
    QTest::addColumn<QStringList>("names"); // as dropped; "web" is not a local file
    QTest::addColumn<QList<double>>("i0s"); // the points loaded, in order
    QTest::newRow("two files") << QStringList{"b.dat", "a.dat"}
                               << QList<double>{2000, 2500, 1000, 1500};
    QTest::newRow("a web address among them")
        << QStringList{"a.dat", "web", "b.dat"} << QList<double>{1000, 1500, 2000, 2500};
    QTest::newRow("only a web address") << QStringList{"web"} << QList<double>{};
}

void TestScanView::droppedFilesLoadInOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QList<double>, i0s);
    QTemporaryDir dir;
    writeFile(dir, "a.dat", "1000 900 800\n1500 1300 1100\n");
    writeFile(dir, "b.dat", "2000 1600 1300\n2500 1900 1500\n");
    QList<QUrl> urls;
    for (const QString& n : names)
        urls << (n == "web" ? QUrl("https://example.org/a.dat")
                            : QUrl::fromLocalFile(dir.filePath(n)));
    QMimeData data;
    data.setUrls(urls);

    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    const QPoint at(w.body.width() / 2, 60);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.body, &enter);
    QCOMPARE(enter.isAccepted(), !i0s.isEmpty());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.body, &drop);
    // The drop is answered before anything is read.
    QCOMPARE(drop.isAccepted(), !i0s.isEmpty());
    QVERIFY(w.body.pointData().points.isEmpty());

    QCoreApplication::processEvents();
    QList<double> loaded;
    for (AMeasP* panel : w.body.pointData().points)
        loaded << panel->i0;
    QCOMPARE(loaded, i0s);
    QCOMPARE(w.body.pointData().fitted, !i0s.isEmpty());
}

void TestScanView::smallScreenTakesTheWindow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fits");
    QTest::newRow("the window's own size") << QSize(1536, 854) << false;
    QTest::newRow("too wide only") << QSize(4000, 100) << false;
    QTest::newRow("smaller than the screen") << QSize(300, 200) << true;
}

void TestScanView::smallScreenTakesTheWindow()
{
    QFETCH(QSize, size);
    QFETCH(bool, fits);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    QVERIFY(!available.contains(QRect(QPoint(), QSize(1536, 854))));

    QWidget window;
    window.resize(size);
    veskor::fitToScreen(window, screen);
    if (fits) {
        QCOMPARE(window.size(), size);
        QVERIFY(!window.isMaximized());
    } else {
        QCOMPARE(window.size(), size.boundedTo(available.size()));
        QCOMPARE(window.pos(), available.topLeft());
        QVERIFY(window.windowState() & Qt::WindowMaximized);
    }
}

// A scan file read through a column mapping and kept with --table: the
// window reads the table and saves the very files veskor-fit writes from
// the scan file itself.
void TestScanView::scanFileTableSavesAsTheTool_data()
{
    QTest::addColumn<QStringList>("mapping");
    QTest::addColumn<QString>("file");
    QTest::newRow("CSV") << QStringList{"--i0",  "I0",     "--icr",  "ICR{n}",
                                        "--sca", "SCA{n}", "--time", "Seconds"}
                         << "scan.csv";
    QTest::newRow("HDF5 [point, channel]")
        << QStringList{"--i0",          "I0",     "--icr",      "input_counts", "--sca",
                       "window_counts", "--time", "AcquireTime"}
        << "scan.h5";
}

void TestScanView::scanFileTableSavesAsTheTool()
{
    QFETCH(QStringList, mapping);
    QFETCH(QString, file);
    QTemporaryDir dir;
    const QString table = dir.filePath("table.dat");
    const QString fromTool = dir.filePath("tool.dat");
    const QString fromWindow = dir.filePath("window.dat");
    const ToolRun tool = veskor::test::runTool(
        QStringList{"-o", fromTool, "--undetermined", "quadratic", "--table", table} + mapping +
        QStringList{QStringLiteral(VESKOR_EXAMPLES_DIR) + "/formats/" + file});
    QVERIFY2(tool.exitCode == 0, qPrintable(tool.err));

    Window w;
    w.read({table});
    QCOMPARE(w.body.pointData().points.size(), 12);
    w.save(fromWindow);
    using veskor::test::contents;
    QVERIFY(!contents(fromTool).isEmpty());
    QCOMPARE(contents(fromWindow), contents(fromTool));
    QCOMPARE(contents(fromWindow + ".conf"), contents(fromTool + ".conf"));
}

VESKOR_GUI_TEST_MAIN(TestScanView)
#include "tst_scanview.moc"
