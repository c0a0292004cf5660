// The window from end to end: files chosen in the read dialog, the fit that
// follows, Save through the save dialog, and what the two plots show.

#include "analysis/debuglog.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "testsupport.h"
#include "windowdriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

namespace {

using veskor::test::Window;

QString fixture(const char* name)
{
    return QFINDTESTDATA(QStringLiteral("data/") + name);
}

QString writeTable(const QTemporaryDir& dir, const char* name, const QByteArray& text)
{
    return veskor::test::writeFile(dir, QString::fromLatin1(name), text);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int countPixels(const QImage& image, QColor color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color)
                ++n;
    return n;
}

// The same outside area: the plots' title and legend stand in their top
// left corner, the legend with a dot of each channel's colour.
int countPixelsOutside(const QImage& image, QColor color, const QRect& area)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!area.contains(x, y) && image.pixelColor(x, y) == color)
                ++n;
    return n;
}

bool allWhite(const QImage& image)
{
    return countPixels(image, Qt::white) == image.width() * image.height();
}

const QByteArray threePointsTwoChannels = "# Channels : 2\n"
                                          "1000 900 880 800 780\n"
                                          "2000 1600 1560 1300 1250\n"
                                          "3000 2100 2050 1600 1540\n";

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fitRunsAfterLoadsOfMoreThanOnePoint_data();
    void fitRunsAfterLoadsOfMoreThanOnePoint();
    void saveWritesTheFittedConstants();
    void plotsShowPointsFromThreeOn();
    void degeneratePlotsFinish_data();
    void degeneratePlotsFinish();
    void windowRefusesPointsBeyondItsRoom();
};

void TestWindow::fitRunsAfterLoadsOfMoreThanOnePoint_data()
{
    QTest::addColumn<QList<QStringList>>("loads");
    QTest::addColumn<QStringList>("fitLog"); // the "chs" lines, in order

    const QString a = fixture("spectrum_i0_1000.mca");
    const QString b = fixture("spectrum_i0_2000.mca");
    const QString table = fixture("two_points_tau_0.1.dat");
    QTest::newRow("one spectrum file") << QList<QStringList>{{a}} << QStringList();
    QTest::newRow("two spectrum files chosen together")
        << QList<QStringList>{{a, b}} << QStringList{"chs 1"};
    QTest::newRow("a second file chosen later")
        << QList<QStringList>{{a}, {b}} << QStringList{"chs 1"};
    QTest::newRow("a table of two rows fits once")
        << QList<QStringList>{{table}} << QStringList{"chs 1"};
    QTest::newRow("an empty selection after two points fits again")
        << QList<QStringList>{{a, b}, {}} << QStringList{"chs 1", "chs 1"};
    QTest::newRow("an unreadable file adds nothing to fit")
        << QList<QStringList>{{a, "/nonexistent/x.mca"}} << QStringList();
}

void TestWindow::fitRunsAfterLoadsOfMoreThanOnePoint()
{
    QFETCH(QList<QStringList>, loads);
    QFETCH(QStringList, fitLog);

    Window w;
    DebugLog log;
    for (const QStringList& load : loads)
        w.read(load);
    QStringList fits;
    for (const QString& line : log.lines)
        if (line.startsWith(QLatin1String("chs")))
            fits << line;
    QCOMPARE(fits, fitLog);
    QCOMPARE(w.body.pointData().fitted, !fitLog.isEmpty());
    QCOMPARE(w.body.findChild<QGridLayout*>("Tau0sLayout")->count(), fitLog.isEmpty() ? 0 : 1);
    QCOMPARE(w.body.findChild<QGridLayout*>("TausLayout")->count(), fitLog.isEmpty() ? 0 : 1);
}

void TestWindow::saveWritesTheFittedConstants()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString out = dir.filePath("out.dat");

    Window w;
    w.save(out); // nothing loaded, nothing fitted: nothing written
    QVERIFY(!QFile::exists(out));
    QVERIFY(!QFile::exists(out + ".conf"));

    // I0 1 and 2, ICR 0.9 and 1.6, SCA 0.819 and 1.344: tau0 = tau = 0.1.
    w.read({fixture("two_points_tau_0.1.dat")});
    auto* tau0Field = qobject_cast<QLineEdit*>(
        w.body.findChild<QGridLayout*>("Tau0sLayout")->itemAtPosition(0, 0)->widget());
    QVERIFY(tau0Field);
    QCOMPARE(tau0Field->text(), QString("0.1"));

    w.save(out);
    QCOMPARE(readAll(out), QByteArray("# Deadtime data\r\nPreamp: 0.1\r\nAmp: 0.1\r\n"));
    QByteArray conf = "          100000";
    for (int i = 0; i < 6; ++i)
        conf += " 100000";
    conf += "\nICR0      100000";
    for (int i = 1; i < 19; ++i)
        conf += "  0";
    conf += "\nS025      100000";
    for (int i = 1; i < 19; ++i)
        conf += "  0";
    conf += "\n";
    QCOMPARE(readAll(out + ".conf"), conf);

    // After Clear nothing is fitted, so a save leaves the files as they are.
    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    QVERIFY(QFile::remove(out));
    w.save(out);
    QVERIFY(!QFile::exists(out));
}

void TestWindow::plotsShowPointsFromThreeOn()
{
    QTemporaryDir dir;
    const QString table = writeTable(dir, "three.dat", threePointsTwoChannels);
    const QString firstTwo = writeTable(
        dir, "two.dat",
        threePointsTwoChannels.left(
            threePointsTwoChannels.lastIndexOf('\n', threePointsTwoChannels.size() - 2) + 1));
    QVERIFY(!table.isEmpty() && !firstTwo.isEmpty());

    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    const QColor channel0(0, 0, 0), channel1(255, 0, 0), grid(200, 200, 200);

    w.read({firstTwo});
    QVERIFY(w.body.pointData().fitted);
    QVERIFY(allWhite(w.plot("I0NinDisp")));
    QVERIFY(allWhite(w.plot("NinNoutDisp")));

    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    w.read({table});
    for (const char* surface : {"I0NinDisp", "NinNoutDisp"}) {
        const QImage image = w.plot(surface);
        QVERIFY2(countPixels(image, grid) > 0, surface);
        // Three dots of about 38 pixels each, and a curve across the width.
        QVERIFY2(countPixels(image, channel0) > image.width(), surface);
        QVERIFY2(countPixels(image, channel1) > image.width(), surface);
    }

    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    QVERIFY(allWhite(w.plot("I0NinDisp")));
    QVERIFY(allWhite(w.plot("NinNoutDisp")));
}

void TestWindow::degeneratePlotsFinish_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::newRow("every point at one I0") << QByteArray("5 100 90\n5 200 170\n5 300 240\n");
    QTest::newRow("every point at I0 0") << QByteArray("0 100 90\n0 200 170\n0 300 240\n");
    QTest::newRow("one input count") << QByteArray("1 100 90\n2 100 90\n3 100 90\n");
    QTest::newRow("all zero") << QByteArray("0 0 0\n0 0 0\n0 0 0\n");
}

void TestWindow::degeneratePlotsFinish()
{
    QFETCH(QByteArray, table);
    QTemporaryDir dir;
    const QString path = writeTable(dir, "degenerate.dat", table);

    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({path});
    QVERIFY(w.body.pointData().fitted);
    QElapsedTimer clock;
    clock.start();
    const QImage upper = w.plot("I0NinDisp");
    const QImage lower = w.plot("NinNoutDisp");
    // Not a timing test: a paint that loops on a zero step never returns.
    QVERIFY(clock.elapsed() < 60000);
    // The points are still shown (channel 0 is black), not only the legend.
    const QRect header(0, 0, 250, 40);
    QVERIFY(countPixelsOutside(upper, Qt::black, header) > 0);
    QVERIFY(countPixelsOutside(lower, Qt::black, header) > 0);
}

void TestWindow::windowRefusesPointsBeyondItsRoom()
{
    // The bound itself: some 1,300 points of 19 channels.
    QCOMPARE(Body::kPanelRoom, 60000);

    // Rows of 3 channels cost 8 + 6 widgets each: a room of 29 such rows and
    // one point of one channel (8 + 2) takes 29 rows of 30, and then still
    // the small point.
    QByteArray rows = "# Channels : 3\n";
    for (int r = 1; r <= 30; ++r) {
        QByteArray row = QByteArray::number(r * 1000);
        for (int k = 0; k < 6; ++k)
            row += ' ' + QByteArray::number(k + r);
        rows += row + '\n';
    }
    QTemporaryDir dir;
    const QString path = writeTable(dir, "rows.dat", rows);

    Window w;
    w.body.setPanelRoom(29 * 14 + 10);
    {
        DebugLog log;
        w.read({path, fixture("spectrum_i0_1000.mca")});
        QCOMPARE(log.lines, QStringList({"chs 1", "Points not loaded, the window is full: 1"}));
    }
    const PointSet& set = w.body.pointData();
    QCOMPARE(set.points.size(), 30);
    QCOMPARE(set.points[28]->i0, 29000.0);
    QCOMPARE(set.points.last()->i0, 1000.0);
    // The user sees it, and the constants say what they were fitted over.
    QCOMPARE(w.body.windowTitle(), QString::fromUtf8("Veskor — 30 of 31 points loaded"));
    QVERIFY(set.tauFields.first()->toolTip().endsWith("Fitted over 30 points."));

    // A later load, refused too, is counted with it until Clear.
    w.read({fixture("spectrum_i0_2000.mca")});
    QCOMPARE(w.body.windowTitle(), QString::fromUtf8("Veskor — 30 of 32 points loaded"));

    // Clear makes room again.
    QTest::mouseClick(w.body.findChild<QPushButton*>("Clear"), Qt::LeftButton);
    QCOMPARE(w.body.windowTitle(), QString("Veskor"));
    DebugLog log;
    w.read({fixture("spectrum_i0_1000.mca"), fixture("spectrum_i0_2000.mca")});
    QCOMPARE(log.lines, QStringList({"chs 1"}));
    QCOMPARE(w.body.pointData().points.size(), 2);
    QCOMPARE(w.body.windowTitle(), QString("Veskor"));
}

VESKOR_GUI_TEST_MAIN(TestWindow)
#include "tst_window.moc"
