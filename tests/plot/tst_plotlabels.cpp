// The values and the legend that the window writes over a plot: the values
// of a zoomed view, and where the legend and the values' row leave the data.

#include "plot/chcoord.h"
#include "plot/plotcolors.h"
#include "plot/plotlabels.h"
#include "plot/plotscene.h"
#include "plot/plotsource.h"
#include "testsupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 240;

// A scan of evenly spaced I0 from x0 to x1: channel ch's ICR is
// k1 I0 + k2 I0^2 with k1 = 1 + 0.05 ch, its SCA 0.8 ICR - 2e-7 ICR^2, each
// with a little scatter, and the fit is those curves.
struct Scan
{
    QVector<QVector<double>> icrs;
    QVector<QVector<double>> scas;
    PlotSource source;

    Scan(int channels, int points, double x0, double x1, double k2) : icrs(points), scas(points)
    {
        source.nChannels = channels;
        for (int j = 0; j < points; ++j) {
            const double i0 = x0 + (x1 - x0) * j / (points - 1);
            for (int ch = 0; ch < channels; ++ch) {
                const double k1 = 1 + 0.05 * ch;
                const double scatter = 1 + 0.003 * std::sin(7.0 * j + ch);
                const double icr = (k1 * i0 + k2 * i0 * i0) * scatter;
                const double sca = (0.8 * icr - 2e-7 * icr * icr) * scatter;
                icrs[j].append(icr);
                scas[j].append(sca);
                source.icrRange.widen(icr);
                source.scaRange.widen(sca);
            }
            source.i0Range.widen(i0);
            source.points.append(PointView{i0, &icrs[j], &scas[j]});
        }
        source.fitted = true;
        for (int ch = 0; ch < channels; ++ch) {
            source.i0NinFits.append({1 + 0.05 * ch, k2});
            source.ninNoutFits.append({0.8, -2e-7});
        }
    }
    Scan(const Scan&) = delete;
};

const QString kTitle = QStringLiteral("ICR vs I0");

// A plot's scene and labels as the window works them out: the strips of
// room from the labels' font, on a mapper with the given scale when set.
struct Plot
{
    ChCoord coord;
    PlotScene scene;
    PlotLabels labels;

    Plot(const PlotSource& source, DeadTimeStage stage, PlotView view,
         const QVector<double>& zoom = {})
    {
        const QFont font = QGuiApplication::font();
        coord.setFrame(0, kHeight, kWidth, 0);
        if (zoom.size() == 4) {
            coord.setScale(zoom[0], zoom[2], zoom[1], zoom[3]);
            coord.xScaleSet = coord.yScaleSet = true;
        }
        const LabelRoom room =
            labelRoom(font, kWidth, kTitle, plottedChannels(source), plotColors());
        scene = viewScene(source, stage, view, plotColors(), coord, room);
        labels = plotLabels(scene, kWidth, kHeight, font, kTitle, plotColors());
    }
};

// The values along one axis of a zoomed view: at least two, each a
// multiple of one step of 1, 2 or 5 times a power of ten that is coarse
// for the span, within the span and on the surface, and each written with
// the digits that tell it from the next.
void checkNiceValues(const QVector<PlotLabels::Value>& values, double lo, double hi,
                     const char* axis)
{
    if (lo > hi)
        std::swap(lo, hi);
    QVERIFY2(values.size() >= 2, axis);
    const double span = hi - lo;
    const int magnitude = int(std::floor(std::log10(span)));
    double step = 0;
    for (int e = magnitude - 2; e <= magnitude + 1 && step == 0; ++e)
        for (const double m : {1.0, 2.0, 5.0}) {
            const double d = m * std::pow(10.0, e);
            if (d < span / 16)
                continue;
            bool all = true;
            for (const PlotLabels::Value& v : values)
                all = all && std::abs(v.value / d - std::round(v.value / d)) < 0.01;
            if (all) {
                step = d;
                break;
            }
        }
    QVERIFY2(step > 0, axis);
    QStringList texts;
    for (const PlotLabels::Value& v : values) {
        const QString what = QStringLiteral("%1 %2").arg(QLatin1String(axis), v.text);
        QVERIFY2(v.value >= lo && v.value <= hi, qPrintable(what));
        QVERIFY2(QRect(0, 0, kWidth, kHeight).contains(v.box), qPrintable(what));
        bool ok = false;
        const double read = v.text.toDouble(&ok);
        QVERIFY2(ok && std::abs(read - v.value) <= step / 100, qPrintable(what));
        QVERIFY2(!texts.contains(v.text), qPrintable(what));
        texts << v.text;
    }
}

// What the scene alone paints: no labels.
QImage sceneImage(const PlotScene& scene)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintScene(&p, scene);
    return image;
}

// Whether the scene's picture holds nothing but its background within r:
// white, the grid and the residuals' bands, no dot, curve or guide.
bool onlyBackground(const QImage& image, const QRect& r)
{
    const QRgb background[] = {qRgb(255, 255, 255), PlotScene::kGridColor,
                               PlotScene::kOuterBandColor, PlotScene::kInnerBandColor};
    const QRect inside = r & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (std::find(std::begin(background), std::end(background),
                          image.pixel(x, y) | 0xff000000u) == std::end(background))
                return false;
    return true;
}

} // namespace

class TestPlotLabels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zoomedValuesAreNiceSteps_data();
    void zoomedValuesAreNiceSteps();
    void ownScaleKeepsTheTenths();
    void labelsKeepOffTheData_data();
    void labelsKeepOffTheData();
};

void TestPlotLabels::zoomedValuesAreNiceSteps_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("stage");
    // The user's scale: x0, x1, y0, y1.
    QTest::addColumn<QVector<double>>("zoom");

    const int counts = int(PlotView::Counts), ratio = int(PlotView::Ratio);
    const int in = int(DeadTimeStage::Input), out = int(DeadTimeStage::Output);
    // The data's tenths lie at multiples of 9.7e4 of I0, of some 9.4e4 of
    // the ICR: none within these.
    QTest::newRow("counts, within a tenth of I0 and of the ICR")
        << counts << in << QVector<double>{4.12e5, 4.57e5, 3.1e5, 3.3e5};
    QTest::newRow("counts, panned past the data's largest values")
        << counts << in << QVector<double>{1.02e6, 1.9e6, 1.1e6, 2e6};
    QTest::newRow("counts, a few counts wide at 450000")
        << counts << in << QVector<double>{450000, 450003, 3.1e5, 3.100004e5};
    QTest::newRow("counts, y turned upside down")
        << counts << in << QVector<double>{2e5, 6e5, 5e5, 1e5};
    QTest::newRow("ratio, steps in the fifth digit")
        << ratio << in << QVector<double>{2e5, 8e5, 0.95001, 0.95027};
    // Two doubles apart: widened to the narrowest zoom, whose values still
    // differ in print; counting the steps by adding one would never end.
    QTest::newRow("ratio, two doubles wide at 1e6")
        << ratio << in << QVector<double>{1e6, 1e6 + 2.5e-10, 0.9, 1.0};
    // Too narrow for the mapper: the data's own span instead.
    QTest::newRow("ratio, subnormal width")
        << ratio << out << QVector<double>{0, 5e-320, 0, 5e-320};
}

void TestPlotLabels::zoomedValuesAreNiceSteps()
{
    QFETCH(int, view);
    QFETCH(int, stage);
    QFETCH(QVector<double>, zoom);

    const Scan scan(3, 12, 1.3e5, 9.7e5, -1e-7);
    const Plot plot(scan.source, DeadTimeStage(stage), PlotView(view), zoom);
    QVERIFY(plot.scene.drawn);
    checkNiceValues(plot.labels.bottom, plot.coord.scaleX0, plot.coord.scaleX1, "x");
    checkNiceValues(plot.labels.left, plot.coord.scaleY0, plot.coord.scaleY1, "y");
}

// At the data's own scale the counts view keeps its grid at tenths of the
// largest value, with three digits, also once a paint has set the scale.
void TestPlotLabels::ownScaleKeepsTheTenths()
{
    const Scan scan(3, 12, 1.3e5, 9.7e5, -1e-7);
    ChCoord coord;
    coord.setFrame(0, kHeight, kWidth, 0);
    const double largest = scan.source.i0Range.max;
    QVector<double> tenths;
    for (double v = 0; v < largest; v += largest / 10)
        tenths << v;
    for (int paint = 0; paint < 2; ++paint) {
        const PlotScene scene =
            viewScene(scan.source, DeadTimeStage::Input, PlotView::Counts, plotColors(), coord);
        QVERIFY(coord.xScaleSet);
        QCOMPARE(scene.verticalValues, tenths);
        const PlotLabels labels =
            plotLabels(scene, kWidth, kHeight, QGuiApplication::font(), kTitle, plotColors());
        QVERIFY(labels.bottom.size() >= 2);
        for (const PlotLabels::Value& v : labels.bottom)
            QCOMPARE(v.text, QString::asprintf("%.3g", v.value));
    }
}

void TestPlotLabels::labelsKeepOffTheData_data()
{
    QTest::addColumn<int>("channels");
    // The fit's k2: -1e-7 rises over the scan, -5e-6 rises to its top at
    // 1e5 and falls from there, which fills the top left corner.
    QTest::addColumn<double>("k2");
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("stage");
    // Whether the header stays in the top left corner, as wide as the plot.
    QTest::addColumn<bool>("topLeft");
    // Whether no point lies under the row of values either.
    QTest::addColumn<bool>("valuesClear");

    const int counts = int(PlotView::Counts), ratio = int(PlotView::Ratio),
              residuals = int(PlotView::Residuals);
    const int in = int(DeadTimeStage::Input), out = int(DeadTimeStage::Output);
    QTest::newRow("counts of a rising scan: the top left corner")
        << 4 << -1e-7 << counts << in << true << false;
    QTest::newRow("counts of a falling scan: another corner")
        << 4 << -5e-6 << counts << in << false << false;
    QTest::newRow("ratio of 19 channels, pre-amplifier")
        << 19 << -1e-7 << ratio << in << true << true;
    QTest::newRow("residuals of 19 channels") << 19 << -1e-7 << residuals << out << true << true;
}

void TestPlotLabels::labelsKeepOffTheData()
{
    QFETCH(int, channels);
    QFETCH(double, k2);
    QFETCH(int, view);
    QFETCH(int, stage);
    QFETCH(bool, topLeft);
    QFETCH(bool, valuesClear);

    const Scan scan(channels, 40, k2 < -1e-6 ? 1.1e5 : 1.3e5, k2 < -1e-6 ? 1.95e5 : 9.7e5, k2);
    const Plot plot(scan.source, DeadTimeStage(stage), PlotView(view));
    const QImage data = sceneImage(plot.scene);
    const QRect header = plot.labels.headerBox;
    QVERIFY(onlyBackground(data, header));
    if (topLeft) {
        QCOMPARE(header.topLeft(), QPoint(2, 2));
        QCOMPARE(plot.labels.headerWidth, kWidth - 4);
    } else {
        // The top left corner does hold data.
        QVERIFY(!onlyBackground(data, QRect(QPoint(2, 2), header.size())));
    }
    for (const PlotLabels::Value& v : plot.labels.bottom)
        QVERIFY2(!valuesClear || onlyBackground(data, v.box), qPrintable(v.text));

    // Painted, the labels change the picture where they were laid out, and
    // nowhere else.
    QImage painted = data;
    QPainter p(&painted);
    paintPlotLabels(&p, plot.scene, kWidth, kHeight, kTitle, plotColors());
    p.end();
    QRegion written(header);
    for (const auto* row : {&plot.labels.bottom, &plot.labels.left})
        for (const PlotLabels::Value& v : *row)
            written += v.box;
    bool headerDrawn = false;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool same = painted.pixel(x, y) == data.pixel(x, y);
            if (!written.contains(QPoint(x, y)))
                QVERIFY2(same, qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
            else if (header.contains(x, y) && !same)
                headerDrawn = true;
        }
    QVERIFY(headerDrawn);
}

VESKOR_GUI_TEST_MAIN(TestPlotLabels)
#include "tst_plotlabels.moc"
