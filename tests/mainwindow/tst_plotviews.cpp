// The plots' views and exports, through the window as a user drives it.

#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "testsupport.h"
#include "windowdriver.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <cmath>
#include <random>

using veskor::test::scanTable;
using veskor::test::settle;
using veskor::test::Window;
using veskor::test::writeFile;
using veskor::test::doubleClick;
using veskor::test::drag;
using veskor::test::mouse;
using veskor::test::wheel;

namespace {

const char* const kPlots[] = {"I0NinDisp", "NinNoutDisp"};

// The rows of a plot's data export: series, channel (from 1), x, y.
struct CsvRow
{
    QString series;
    int channel;
    double x;
    double y;
};

QVector<CsvRow> readCsv(const QString& path, QString& comment)
{
    QVector<CsvRow> rows;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return rows;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    comment = lines.value(0);
    if (lines.value(1) != "series,channel,x,y")
        return rows;
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(',');
        if (cells.size() == 4)
            rows.append({cells[0], cells[1].toInt(), cells[2].toDouble(), cells[3].toDouble()});
    }
    return rows;
}

// Triggers one entry of a plot's menu; the file dialog it opens, if any,
// is answered with path.
void export_(Window& w, const char* plot, const char* action, const QString& path = {})
{
    QAction* a = w.surface(plot)->findChild<QAction*>(action);
    QVERIFY2(a, action);
    a->trigger();
    if (path.isEmpty())
        return;
    QFileDialog* dialog =
        w.dialog(QByteArray(action) == "SaveImage" ? "imageDialog" : "dataDialog");
    QVERIFY(dialog && dialog->isVisible());
    Q_EMIT dialog->fileSelected(path);
    dialog->hide();
}

// A scan drawn from the paralysable model with Poisson counts: each point
// counted for 1 s, so the counts are the rates.
QByteArray poissonScan(int rows, int channels, unsigned seed)
{
    std::mt19937_64 random(seed);
    QByteArray out = "# Channels : " + QByteArray::number(channels) + "\n";
    for (int r = 0; r < rows; ++r) {
        const double i0 = 2e5 * std::pow(25.0, r / double(rows - 1));
        QByteArray icrs, scas;
        for (int ch = 0; ch < channels; ++ch) {
            const double n0 = (0.3 + 0.02 * ch) * i0;
            const double icr = n0 * std::exp(-n0 * 4e-7);
            const double n = double(std::poisson_distribution<long>(icr)(random));
            const double sca =
                double(std::poisson_distribution<long>(0.7 * n * std::exp(-n * 2e-6))(random));
            icrs += ' ' + QByteArray::number(n, 'g', 12);
            scas += ' ' + QByteArray::number(sca, 'g', 12);
        }
        out += QByteArray::number(i0, 'g', 12) + icrs + scas + '\n';
    }
    return out;
}

} // namespace

class TestPlotViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewsChangeBothPlots();
    void exportsReadBack();
    void rightClickKeepsTheView();
    void residualsOfAModelScan();
};

void TestPlotViews::viewsChangeBothPlots()
{
    QTemporaryDir dir;
    const QString table = writeFile(dir, "scan.dat", scanTable(12, 3));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    auto* box = w.body.findChild<QComboBox*>(QStringLiteral("PlotView"));
    QVERIFY(box);
    QCOMPARE(box->currentData().toString(), QString("counts"));
    QCOMPARE(box->count(), 3);
    w.read({table});
    settle();

    QImage counts[2];
    for (int i = 0; i < 2; ++i)
        counts[i] = w.plot(kPlots[i]);
    QImage seen[2][2];
    const QString views[] = {"ratio", "residuals"};
    for (int v = 0; v < 2; ++v) {
        chooseView(w, views[v]);
        for (int i = 0; i < 2; ++i) {
            seen[v][i] = w.plot(kPlots[i]);
            QVERIFY2(seen[v][i] != counts[i], kPlots[i]);
        }
    }
    for (int i = 0; i < 2; ++i)
        QVERIFY2(seen[0][i] != seen[1][i], kPlots[i]);

    // Back to the counts, after a zoom in another view: the counts view as
    // it was, pixel for pixel.
    DispA* plot = w.surface("I0NinDisp");
    QWheelEvent e(QPointF(plot->width() / 2, plot->height() / 2), QPointF(), QPoint(),
                  QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &e);
    chooseView(w, "counts");
    for (int i = 0; i < 2; ++i)
        QVERIFY2(w.plot(kPlots[i]) == counts[i], kPlots[i]);
}

void TestPlotViews::exportsReadBack()
{
    QTemporaryDir dir;
    const QByteArray text = scanTable(6, 2);
    const QString table = writeFile(dir, "scan.dat", text);
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    settle();

    for (const char* plot : kPlots) {
        const QImage shown = w.plot(plot);
        export_(w, plot, "CopyImage");
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 shown);

        const QString png = dir.filePath(QString(plot) + ".png");
        export_(w, plot, "SaveImage", png);
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), shown);

        // The vector file draws the same: as large, and its dots in the
        // channels' colours (channel 2 red).
        const QString svg = dir.filePath(QString(plot) + ".svg");
        export_(w, plot, "SaveImage", svg);
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox().size(), shown.size());
        QImage drawn(shown.size(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();
        int red = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                red += (drawn.pixel(x, y) & 0xffffff) == 0xff0000;
        QVERIFY2(red > 6 * 20, qPrintable(QString::number(red)));
    }

    // The counts view's numbers are the points as the file has them.
    QVector<QVector<double>> points;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QVector<double> v;
        for (const QByteArray& cell : line.split(' '))
            v.append(cell.toDouble());
        points.append(v);
    }
    const QString csv = dir.filePath("counts.csv");
    export_(w, "NinNoutDisp", "SaveData", csv);
    QString comment;
    const QVector<CsvRow> rows = readCsv(csv, comment);
    QVERIFY2(comment.contains("view counts") && comment.contains("model quadratic"),
             qPrintable(comment));
    int dots = 0, curve = 0;
    for (const CsvRow& r : rows) {
        if (r.series == "curve") {
            ++curve;
            continue;
        }
        QCOMPARE(r.series, QString("point"));
        const QVector<double>& p = points[dots % 6];
        // Columns: I0, ICR 1..2, SCA 1..2.
        QCOMPARE(r.channel, dots / 6 + 1);
        QCOMPARE(r.x, p[r.channel]);
        QCOMPARE(r.y, p[2 + r.channel]);
        ++dots;
    }
    QCOMPARE(dots, 12);
    QVERIFY(curve >= 2 * 100);

    // An export never replaces a file the points came from.
    export_(w, "I0NinDisp", "SaveData", table);
    QFile f(table);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), text);
    QVERIFY(w.body.findChild<QMessageBox*>("exportRefused"));
}

// A right click without a drag opens the menu and leaves a zoomed view as
// it is, for the menu to copy.
void TestPlotViews::rightClickKeepsTheView()
{
    QTemporaryDir dir;
    const QString table = writeFile(dir, "scan.dat", scanTable(8, 2));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    settle();
    DispA* plot = w.surface("I0NinDisp");
    const QPoint mid(plot->width() / 2, plot->height() / 2);
    QWheelEvent e(mid, plot->mapToGlobal(mid), QPoint(), QPoint(0, 120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &e);
    const QImage zoomed = w.plot("I0NinDisp");
    auto* menu = plot->findChild<QMenu*>("I0NinDispMenu");
    QVERIFY(menu && !menu->isVisible());
    mouse(plot, QEvent::MouseButtonPress, mid, Qt::RightButton, Qt::RightButton);
    mouse(plot, QEvent::MouseButtonRelease, mid + QPoint(1, 0), Qt::RightButton, Qt::NoButton);
    QVERIFY(menu->isVisible());
    menu->hide();
    QCOMPARE(w.plot("I0NinDisp"), zoomed);
}

// Residuals of a scan drawn from the model it is fitted with are those of
// a standard normal: mean about 0, spread about 1.
void TestPlotViews::residualsOfAModelScan()
{
    QTemporaryDir dir;
    const QString table = writeFile(dir, "model.dat", poissonScan(30, 4, 20240611));
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    w.read({table});
    auto* model = w.body.findChild<QComboBox*>("ModelChoice");
    model->setCurrentIndex(model->findData("paralyzable"));
    chooseView(w, "residuals");
    for (const char* plot : kPlots) {
        const QString csv = dir.filePath(QString(plot) + ".csv");
        export_(w, plot, "SaveData", csv);
        QString comment;
        const QVector<CsvRow> rows = readCsv(csv, comment);
        QVERIFY(comment.contains("view residuals") && comment.contains("model paralyzable"));
        double sum = 0, squares = 0;
        int n = 0;
        for (const CsvRow& r : rows) {
            QCOMPARE(r.series, QString("point"));
            sum += r.y;
            squares += r.y * r.y;
            ++n;
        }
        QCOMPARE(n, 120);
        const double mean = sum / n;
        const double spread = std::sqrt(squares / n - mean * mean);
        // Within about three standard errors of 0 and of 1.
        QVERIFY2(std::abs(mean) < 0.3, qPrintable(QString::number(mean)));
        QVERIFY2(spread > 0.8 && spread < 1.2, qPrintable(QString::number(spread)));
    }
}

VESKOR_GUI_TEST_MAIN(TestPlotViews)
#include "tst_plotviews.moc"
