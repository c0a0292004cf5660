#include "input/pointextent.h"
#include "readertestutil.h"
#include "testsupport.h"

using namespace veskor::test;

namespace {

// Any record with the four members the rule needs, as a headless tool has.
struct Extent
{
    int nChannels = -7; // whatever it held before the first point
    ValueRange i0Range;
    ValueRange icrRange;
    ValueRange scaRange;
};

struct Bounds
{
    double min;
    double max;
};

} // namespace

Q_DECLARE_METATYPE(Bounds)

class TestPointExtent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ofASet_data();
    void ofASet();
};

void TestPointExtent::ofASet_data()
{
    QTest::addColumn<QVector<Point>>("points");
    QTest::addColumn<int>("nChannels");
    QTest::addColumn<Bounds>("i0");
    QTest::addColumn<Bounds>("icr");
    QTest::addColumn<Bounds>("sca");
    using P = QVector<Point>;
    const Point four{1, {1, 2, 3, 4}, {1, 2, 3, 4}};
    const Point two{2, {1, 2}, {1, 2}};
    const Point three{3, {1, 2, 3}, {1, 2, 3}};

    // The smallest count wins in any order of loading.
    const Bounds i0{1, 3}, v{1, 4};
    QTest::newRow("4, 2, 3 channels") << P{four, two, three} << 2 << i0 << v << v;
    QTest::newRow("2, 4, 3 channels") << P{two, four, three} << 2 << i0 << v << v;
    QTest::newRow("3, 4, 2 channels") << P{three, four, two} << 2 << i0 << v << v;
    QTest::newRow("ICRs 100 to 500 into an empty set")
        << P{{10, {300, 100, 500}, {90, 250}}} << 2 << Bounds{10, 10} << Bounds{100, 500}
        << Bounds{90, 250};
    QTest::newRow("a point without values widens by -1 and 1")
        << P{{10, {}, {}}} << 0 << Bounds{10, 10} << Bounds{-1, 1} << Bounds{-1, 1};
    QTest::newRow("-1 and 1 also join real values")
        << P{{10, {5, 6}, {2}}, {20, {}, {}}} << 0 << Bounds{10, 20} << Bounds{-1, 6}
        << Bounds{-1, 2};
    QTest::newRow("fewer SCAs than ICRs")
        << P{{10, {5, 6}, {2}}} << 1 << Bounds{10, 10} << Bounds{5, 6} << Bounds{2, 2};
    QTest::newRow("a NaN never moves an end")
        << P{{10, {5, 6}, {2, 3}}, {qQNaN(), {qQNaN(), 7}, {1, qQNaN()}}} << 2 << Bounds{10, 10}
        << Bounds{5, 7} << Bounds{1, 3};
}

void TestPointExtent::ofASet()
{
    QFETCH(QVector<Point>, points);
    QFETCH(int, nChannels);
    QFETCH(Bounds, i0);
    QFETCH(Bounds, icr);
    QFETCH(Bounds, sca);

    Extent set;
    bool empty = true;
    for (const Point& p : points) {
        addToExtent(set, empty, pointExtent(p.i0, p.icrs, p.scas));
        empty = false;
    }
    QCOMPARE(set.nChannels, nChannels);
    for (auto [range, bounds] :
         {qMakePair(set.i0Range, i0), qMakePair(set.icrRange, icr), qMakePair(set.scaRange, sca)}) {
        QVERIFY(range.valid);
        QCOMPARE(range.min, bounds.min);
        QCOMPARE(range.max, bounds.max);
    }
}

VESKOR_CORE_TEST_MAIN(TestPointExtent)
#include "tst_pointextent.moc"
