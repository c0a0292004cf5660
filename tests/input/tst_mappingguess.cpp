// The mapping guessed from a scan file's names, family by family: which
// names win, which spellings are taken, and what is never guessed.

#include "input/mappingguess.h"

#include <QtTest>

class TestMappingGuess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void guess_data();
    void guess();
    void clockTicks_data();
    void clockTicks();
};

void TestMappingGuess::guess_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("paths");
    // I0, ICR, SCA, time; then "ticks" or "rates" when the guess says so.
    QTest::addColumn<QStringList>("want");

    const QString nd = "entry/instrument/NDAttributes/";
    QTest::newRow("CSV: ICR{n} with SCA{n} (SCA3 and SCA4 their channels), Seconds")
        << QStringList{"Point", "Seconds", "I0",   "ICR1", "ICR2", "ICR3",
                       "ICR4",  "SCA1",    "SCA2", "SCA3", "SCA4"}
        << false << QStringList{"I0", "ICR{n}", "SCA{n}", "Seconds"};
    QTest::newRow("OCR{n} before SCA{n}") << QStringList{"I0", "ICR1", "SCA1", "OCR1", "Time"}
                                          << false << QStringList{"I0", "ICR{n}", "OCR{n}", "Time"};
    QTest::newRow("SPEC: i0, ICR_{n}, Seconds before Time")
        << QStringList{"Two Theta", "Time", "Seconds", "i0", "ICR_1", "ICR_2", "SCA_1", "SCA_2"}
        << false << QStringList{"i0", "ICR_{n}", "SCA_{n}", "Seconds"};
    QTest::newRow("XDI: IC0, icr{n} with roi{n}, time")
        << QStringList{"setting", "time", "IC0", "icr1", "icr2", "roi1", "roi2"} << false
        << QStringList{"IC0", "icr{n}", "roi{n}", "time"};
    QTest::newRow("XDAC: Iffast{n} with Ifslow{n} before Ifch{n}")
        << QStringList{"Energy",  "I0",      "It",      "Ifch1",   "Ifch2",
                       "Ifslow1", "Ifslow2", "Iffast1", "Iffast2", "IntTime"}
        << false << QStringList{"I0", "Iffast{n}", "Ifslow{n}", "IntTime"};
    QTest::newRow("XDAC without Ifslow: Ifch{n}")
        << QStringList{"Mot_pos", "IntTime", "Io", "Iffast1", "Ifch1"} << false
        << QStringList{"Io", "Iffast{n}", "Ifch{n}", "IntTime"};
    QTest::newRow("Xspress: CHAN{n}SCA3 with SCA4, a time in seconds before the clock")
        << QStringList{nd + "CHAN1SCA0", nd + "CHAN1SCA3",   nd + "CHAN1SCA4",
                       nd + "CHAN1SCA5", nd + "CHAN2SCA3",   nd + "CHAN2SCA4",
                       nd + "CHAN2SCA5", nd + "AcquireTime", "entry/instrument/scaler/I0"}
        << true << QStringList{"I0", "CHAN{n}SCA3", "CHAN{n}SCA4", "AcquireTime"};
    QTest::newRow("Xspress: the window SCA5 without SCA4; the clock in ticks")
        << QStringList{nd + "CHAN1SCA0", nd + "CHAN1SCA3", nd + "CHAN1SCA5", "I0"} << true
        << QStringList{"I0", "CHAN{n}SCA3", "CHAN{n}SCA5", "CHAN1SCA0", "ticks"};
    QTest::newRow("Xspress, newer per-channel names")
        << QStringList{"I0",
                       "xs_chan1_clock_ticks",
                       "xs_chan1_all_event",
                       "xs_chan1_all_good",
                       "xs_chan2_all_event",
                       "xs_chan2_all_good"}
        << false
        << QStringList{"I0", "xs_chan{n}_all_event", "xs_chan{n}_all_good", "xs_chan1_clock_ticks",
                       "ticks"};
    QTest::newRow("InputCountRate with OutputCountRate: rates, no time")
        << QStringList{"I0",
                       "dxp1:InputCountRate",
                       "dxp1:OutputCountRate",
                       "dxp2:InputCountRate",
                       "dxp2:OutputCountRate",
                       "Seconds"}
        << false
        << QStringList{"I0", "dxp{n}:InputCountRate", "dxp{n}:OutputCountRate", "", "rates"};
    QTest::newRow("HDF5 [point, channel]: names without a number")
        << QStringList{"entry/scaler/I0", "entry/data/ICR", "entry/data/SCA", "entry/data/Seconds"}
        << true << QStringList{"I0", "ICR", "SCA", "Seconds"};
    QTest::newRow("a complete pair of a later family before half of an earlier one")
        << QStringList{"I0", "CHAN1SCA3", "ICR1", "SCA1"} << false
        << QStringList{"I0", "ICR{n}", "SCA{n}", ""};
    QTest::newRow("input counts without output counts")
        << QStringList{"I0", "ICR1", "ICR2", "Seconds"} << false
        << QStringList{"I0", "ICR{n}", "", "Seconds"};
    QTest::newRow("a basename found twice is not guessed")
        << QStringList{"entry/a/I0",      "entry/b/I0",   "entry/a/Seconds",
                       "entry/b/Seconds", "entry/x/ICR1", "entry/x/SCA1"}
        << true << QStringList{"", "ICR{n}", "SCA{n}", ""};
    QTest::newRow("a channel found twice leaves its template out, and channel 1 alone too")
        << QStringList{"a/I0", "a/ICR1", "a/ICR2", "b/ICR2", "a/SCA1", "a/SCA2"} << true
        << QStringList{"I0", "", "", ""};
    QTest::newRow("a label held twice is not guessed")
        << QStringList{"I0", "I0", "ICR1", "SCA1", "Time"} << false
        << QStringList{"", "ICR{n}", "SCA{n}", "Time"};
    QTest::newRow("nothing known")
        << QStringList{"Energy", "mu", "ICR10"} << false << QStringList{"", "", "", ""};
}

void TestMappingGuess::guess()
{
    QFETCH(QStringList, names);
    QFETCH(bool, paths);
    QFETCH(QStringList, want);
    const MappingGuess g = guessMapping(names, paths);
    QCOMPARE((QStringList{g.mapping.i0, g.mapping.icr, g.mapping.sca, g.mapping.time}),
             want.mid(0, 4));
    QCOMPARE(g.timeInTicks, want.value(4) == "ticks");
    QCOMPARE(g.rates, want.value(4) == "rates");
}

void TestMappingGuess::clockTicks_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<bool>("ticks");
    QTest::newRow("CHAN1SCA0") << "CHAN1SCA0" << true;
    QTest::newRow("a path to Chan1_SCA_0") << "entry/x/Chan1_SCA_0" << true;
    QTest::newRow("clock_ticks") << "xs_chan1_clock_ticks" << true;
    QTest::newRow("CHAN1SCA00") << "CHAN1SCA00" << false;
    QTest::newRow("Seconds") << "Seconds" << false;
}

void TestMappingGuess::clockTicks()
{
    QFETCH(QString, time);
    QFETCH(bool, ticks);
    QCOMPARE(countsClockTicks(time), ticks);
}

QTEST_GUILESS_MAIN(TestMappingGuess)
#include "tst_mappingguess.moc"
