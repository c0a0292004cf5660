#include "analysis/deadtimefit.h"
#include "debuglog.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/pointset.h"
#include "referencearithmetic.h"
#include "testsupport.h"

#include <QGridLayout>
#include <QPointer>
#include <cstring>

namespace {

using veskor::reference::printfNumber;
using Table = QVector<QVector<double>>;

// The part of the main window the fit works on: a point set whose two
// result grids sit on a widget, and panels owned by that widget.
struct Window
{
    QWidget host;
    QGridLayout* tau0Grid = new QGridLayout;
    QGridLayout* tauGrid = new QGridLayout;
    PointSet set;

    Window()
    {
        auto* outer = new QGridLayout(&host);
        outer->addLayout(tau0Grid, 0, 0);
        outer->addLayout(tauGrid, 1, 0);
        set.tau0sLayout = tau0Grid;
        set.tausLayout = tauGrid;
    }

    void addPoint(double i0, const QVector<double>& icrs, const QVector<double>& scas)
    {
        set.points.append(new AMeasP(i0, icrs, scas, &host));
    }

    DeadTimeFit coreFit() const
    {
        QVector<PointView> views;
        for (const AMeasP* p : set.points)
            views.append(p->view());
        return fitDeadTimeConstants(views, set.nChannels);
    }

    QWidget* tau0Field(int col) const { return widgetAt(tau0Grid, col); }
    QWidget* tauField(int col) const { return widgetAt(tauGrid, col); }

    static QWidget* widgetAt(QGridLayout* grid, int col)
    {
        QLayoutItem* item = grid->itemAtPosition(0, col);
        return item ? item->widget() : nullptr;
    }
};

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Three points of three channels with clearly different constants.
void addThreePoints(Window& w)
{
    w.addPoint(1e5, {9.1e3, 1.15e4, 7.9e3}, {7.2e3, 8.0e3, 7.1e3});
    w.addPoint(2.5e5, {2.2e4, 2.7e4, 1.95e4}, {1.62e4, 1.7e4, 1.68e4});
    w.addPoint(5e5, {4.1e4, 4.8e4, 3.8e4}, {2.7e4, 2.6e4, 3.0e4});
    w.set.nChannels = 3;
}

} // namespace

class TestPointSetFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void refitReplacesResultsAndFields_data();
    void refitReplacesResultsAndFields();
    void noChannelsChangesNothing();
    void singularFitShowsNan();
};

void TestPointSetFit::workedExample()
{
    Window w;
    w.addPoint(1, {0.9}, {0.819});
    w.addPoint(2, {1.6}, {1.344});
    w.set.nChannels = 1;

    DebugLog log;
    w.set.fitDeadTimes();
    QCOMPARE(log.lines, QStringList{"chs 1"});

    QVERIFY(w.set.fitted);
    QCOMPARE(w.set.tau0s.size(), 1);
    QCOMPARE(w.set.taus.size(), 1);
    QCOMPARE(w.set.i0NinFits.size(), 1);
    QCOMPARE(w.set.ninNoutFits.size(), 1);
    QCOMPARE(w.set.tauFields.size(), 2);
    QCOMPARE(w.tau0Grid->count(), 1);
    QCOMPARE(w.tauGrid->count(), 1);
    QCOMPARE(w.tau0Field(0), w.set.tauFields[0]);
    QCOMPARE(w.tauField(0), w.set.tauFields[1]);

    const QSizePolicy lineEditPolicy = QLineEdit().sizePolicy();
    for (LE* field : qAsConst(w.set.tauFields)) {
        QCOMPARE(field->text(), QString("0.1"));
        QCOMPARE(field->parentWidget(), &w.host);
        QVERIFY(field->isReadOnly());
        QCOMPARE(field->alignment(), Qt::Alignment(Qt::AlignRight));
        QCOMPARE(field->styleSheet(), QString("background-color: rgb(255, 255, 224);"));
        QCOMPARE(field->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
        QCOMPARE(field->sizePolicy().verticalPolicy(), lineEditPolicy.verticalPolicy());
    }
}

void TestPointSetFit::refitReplacesResultsAndFields_data()
{
    QTest::addColumn<int>("channelsNow");
    QTest::newRow("fourth point, same channels") << 3;
    QTest::newRow("fourth point lowers the channel count") << 2;
}

// Reading more files without clearing refits over all points: every result
// and field is replaced, tau0 and tau of channel 0 first, then channel 1 and
// so on, each in its channel's column, with the core fit's values.
void TestPointSetFit::refitReplacesResultsAndFields()
{
    QFETCH(int, channelsNow);
    Window w;
    addThreePoints(w);
    w.set.fitDeadTimes();
    const double firstTau0 = w.set.tau0s[0];
    QVector<QPointer<LE>> oldFields;
    for (LE* f : qAsConst(w.set.tauFields))
        oldFields.append(f);

    w.addPoint(8e5, {6.0e4, 7.0e4, 5.6e4}, {3.4e4, 3.1e4, 3.9e4});
    w.set.nChannels = channelsNow;
    DebugLog log;
    w.set.fitDeadTimes();
    QCOMPARE(log.lines, QStringList{QString("chs %1").arg(channelsNow)});

    for (const QPointer<LE>& f : qAsConst(oldFields))
        QVERIFY(f.isNull());
    QCOMPARE(w.set.tauFields.size(), 2 * channelsNow);
    QCOMPARE(w.tau0Grid->count(), channelsNow);
    QCOMPARE(w.tauGrid->count(), channelsNow);
    QCOMPARE(w.set.tau0s.size(), channelsNow);
    QCOMPARE(w.set.taus.size(), channelsNow);
    QCOMPARE(w.set.i0NinFits.size(), channelsNow);
    QCOMPARE(w.set.ninNoutFits.size(), channelsNow);

    const DeadTimeFit want = w.coreFit();
    QVERIFY(!sameBits(want.tau0s[0], firstTau0)); // the new point does change the fit
    for (int i = 0; i < channelsNow; ++i) {
        QVERIFY(sameBits(w.set.tau0s[i], want.tau0s[i]));
        QVERIFY(sameBits(w.set.taus[i], want.taus[i]));
        QCOMPARE(w.tau0Field(i), w.set.tauFields[2 * i]);
        QCOMPARE(w.tauField(i), w.set.tauFields[2 * i + 1]);
        QCOMPARE(w.set.i0NinFits[i], want.i0NinFits[i]);
        QCOMPARE(w.set.ninNoutFits[i], want.ninNoutFits[i]);
        QCOMPARE(w.set.tauFields[2 * i]->text(), printfNumber(want.tau0s[i], 'g', 6));
        QCOMPARE(w.set.tauFields[2 * i + 1]->text(), printfNumber(want.taus[i], 'g', 6));
    }
    // Distinct channels give distinct constants, so a mix-up would show.
    QVERIFY(w.set.tauFields[0]->text() != w.set.tauFields[2]->text());
    QVERIFY(w.set.tauFields[1]->text() != w.set.tauFields[3]->text());
}

void TestPointSetFit::noChannelsChangesNothing()
{
    Window w;
    addThreePoints(w);
    w.set.fitDeadTimes();
    const QVector<double> tau0s = w.set.tau0s;
    const QVector<LE*> fields = w.set.tauFields;
    QVector<QPointer<LE>> alive;
    for (LE* f : fields)
        alive.append(f);

    w.set.nChannels = 0;
    DebugLog log;
    w.set.fitDeadTimes();
    QVERIFY(log.lines.isEmpty());
    QVERIFY(w.set.fitted);
    QCOMPARE(w.set.tau0s, tau0s);
    QCOMPARE(w.set.tauFields, fields);
    for (const QPointer<LE>& f : qAsConst(alive))
        QVERIFY(!f.isNull());

    Window fresh;
    fresh.addPoint(1, {}, {});
    fresh.addPoint(2, {}, {});
    fresh.set.nChannels = 0;
    fresh.set.fitDeadTimes();
    QVERIFY(!fresh.set.fitted);
    QVERIFY(fresh.set.tauFields.isEmpty());
    QCOMPARE(fresh.tau0Grid->count(), 0);
}

// Two points at the same I0: the input fit is singular and tau0 shows
// "nan"; the output fit passes through (100, 90) and (200, 170), so
// tau = 5e-4 / 0.95.
void TestPointSetFit::singularFitShowsNan()
{
    Window w;
    w.addPoint(5, {100}, {90});
    w.addPoint(5, {200}, {170});
    w.set.nChannels = 1;
    w.set.fitDeadTimes();
    QVERIFY(w.set.fitted);
    QCOMPARE(w.tau0Field(0)->property("text").toString(), QString("nan"));
    QCOMPARE(w.tauField(0)->property("text").toString(), QString("0.000526316"));
}

VESKOR_GUI_TEST_MAIN(TestPointSetFit)
#include "tst_pointsetfit.moc"
