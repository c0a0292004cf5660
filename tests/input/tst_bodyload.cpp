#include "analysis/debuglog.h"
#include "input/ameasp.h"
#include "input/le.h"
#include "mainwindow/body.h"
#include "plot/dispa.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace veskor::test;

namespace {

// A main window with its own read dialog: the dialog has no parent, so it is
// the file dialog that was not there before the window was built.
struct Window
{
    QWidgetList before = QApplication::topLevelWidgets();
    Body body;
    QFileDialog* readDialog = nullptr;

    Window()
    {
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget* w : tops)
            if (!before.contains(w) && w->objectName() == QLatin1String("readDialog"))
                readDialog = qobject_cast<QFileDialog*>(w);
    }

    // What the user's accepting the dialog with these files sends.
    void choose(const QStringList& paths) { Q_EMIT readDialog->filesSelected(paths); }

    const PointSet& set() const { return body.pointData(); }
    QGridLayout* column() const { return body.findChild<QGridLayout*>("MCALayout"); }

    // The panels by row of MCALayout, checking they stand in column 0 alone.
    QList<AMeasP*> panelsByRow() const
    {
        QList<AMeasP*> panels;
        QGridLayout* grid = column();
        for (int r = 0; r < grid->count(); ++r) {
            QLayoutItem* item = grid->itemAtPosition(r, 0);
            panels << (item ? qobject_cast<AMeasP*>(item->widget()) : nullptr);
        }
        return panels;
    }
};

// The texts a panel shows: I0, then the ICR fields, then the SCA fields.
QStringList shownTexts(const AMeasP* panel)
{
    QStringList texts{panel->findChild<QLineEdit*>("I0")->text()};
    for (const char* base : {"ICRsBase", "SCAsBase"}) {
        auto* grid = panel->findChild<QGridLayout*>(base);
        for (int k = 0; k < grid->count(); ++k)
            texts << qobject_cast<QLineEdit*>(grid->itemAtPosition(0, k)->widget())->text();
    }
    return texts;
}

QString fixture(const char* name)
{
    return QFINDTESTDATA(QStringLiteral("data/") + name);
}

// A count table file of one row with the given channel count.
QString tableOfChannels(const QTemporaryDir& dir, int channels)
{
    QByteArray row = QByteArray::number(channels * 100);
    for (int k = 0; k < 2 * channels; ++k)
        row += " " + QByteArray::number(k + 1);
    const QString path = dir.filePath(QString("channels%1.dat").arg(channels));
    writeFile(path, "# Channels : " + QByteArray::number(channels) + "\n" + row + "\n");
    return path;
}

void compareRange(const ValueRange& range, bool valid, double min, double max)
{
    QCOMPARE(range.valid, valid);
    QCOMPARE(range.min, min);
    QCOMPARE(range.max, max);
}

} // namespace

class TestBodyLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void spectrumFile();
    void countTableRowsInReadingOrder();
    void loadsAddUp();
    void smallestChannelCount_data();
    void smallestChannelCount();
    void repaintsEvenForAnEmptySelection();
    void clearEmptiesEverything();
    void clearTwiceAndOnEmpty();
    void readingAfterClearStartsAfresh();
    void badInputLeavesEarlierPoints_data();
    void badInputLeavesEarlierPoints();
    void panelsGoWithTheWindow();
    void channelLimit_data();
    void channelLimit();
    void shownWindowEndsAsIfLoadedHidden();
    void loadKeepsTheFocus_data();
    void loadKeepsTheFocus();
};

void TestBodyLoad::spectrumFile()
{
    Window w;
    QVERIFY(w.readDialog);
    w.choose({fixture("mca_two_channels_worked_example.mca")});

    const QList<AMeasP*> panels = w.panelsByRow();
    QCOMPARE(panels.size(), 1);
    QCOMPARE(w.set().points, QVector<AMeasP*>({panels[0]}));
    QCOMPARE(panels[0]->parentWidget()->objectName(), QString("frame_3"));
    QCOMPARE(shownTexts(panels[0]), QStringList({"152340", "48213.5", "47001", "33", "66"}));
    QCOMPARE(w.set().nChannels, 2);
    compareRange(w.set().i0Range, true, 152340, 152340);
    compareRange(w.set().icrRange, true, 47001, 48213.5);
    compareRange(w.set().scaRange, true, 33, 66);
    QVERIFY(!w.set().fitted);
}

void TestBodyLoad::countTableRowsInReadingOrder()
{
    Window w;
    w.choose({fixture("count_table_five_rows.dat")});
    const QList<AMeasP*> panels = w.panelsByRow();
    QCOMPARE(panels.size(), 5);
    QCOMPARE(w.set().points.toList(), panels);
    QCOMPARE(shownTexts(panels[0]), QStringList({"1000", "900", "850"}));
    QCOMPARE(shownTexts(panels[4]), QStringList({"1.23457e+06", "5", "1.2e-05"}));
    QCOMPARE(w.set().nChannels, 1);
    compareRange(w.set().i0Range, true, 1000, 1234567);
    compareRange(w.set().icrRange, true, 5, 3000);
    compareRange(w.set().scaRange, true, 0.000012, 2400);
}

// Each load adds rows under those already there; the same file twice adds
// its points twice.
void TestBodyLoad::loadsAddUp()
{
    Window w;
    const QString table = fixture("count_table_two_channels_worked_example.dat");
    const QString spectrum = fixture("mca_two_channels_worked_example.mca");
    w.choose({table, spectrum});
    w.choose({table});
    const QList<AMeasP*> panels = w.panelsByRow();
    QCOMPARE(panels.size(), 5);
    QCOMPARE(w.set().points.toList(), panels);
    const QStringList i0s = {shownTexts(panels[0])[0], shownTexts(panels[1])[0],
                             shownTexts(panels[2])[0], shownTexts(panels[3])[0],
                             shownTexts(panels[4])[0]};
    QCOMPARE(i0s, QStringList({"1000", "2000", "152340", "1000", "2000"}));
    compareRange(w.set().i0Range, true, 1000, 152340);
    compareRange(w.set().icrRange, true, 500, 48213.5);
    compareRange(w.set().scaRange, true, 33, 810);
}

void TestBodyLoad::smallestChannelCount_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<bool>("oneSelection");
    QTest::newRow("4, 2, 3 in one selection") << QList<int>{4, 2, 3} << true;
    QTest::newRow("2, 3, 4 in one selection") << QList<int>{2, 3, 4} << true;
    QTest::newRow("3, 4, 2 in three loads") << QList<int>{3, 4, 2} << false;
    QTest::newRow("4, 2, 3 in three loads") << QList<int>{4, 2, 3} << false;
}

void TestBodyLoad::smallestChannelCount()
{
    QFETCH(QList<int>, counts);
    QFETCH(bool, oneSelection);
    QTemporaryDir dir;
    QStringList paths;
    for (int c : counts)
        paths << tableOfChannels(dir, c);

    Window w;
    if (oneSelection) {
        w.choose(paths);
    } else {
        for (const QString& p : qAsConst(paths))
            w.choose({p});
    }
    QCOMPARE(w.set().points.size(), 3);
    QCOMPARE(w.set().nChannels, 2);
    compareRange(w.set().i0Range, true, 200, 400);
    compareRange(w.set().icrRange, true, 1, 4);
    compareRange(w.set().scaRange, true, 3, 8);
}

void TestBodyLoad::repaintsEvenForAnEmptySelection()
{
    qRegisterMetaType<QPainter*>();
    Window w;
    w.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.body));
    QSignalSpy upper(w.body.findChild<DispA*>("I0NinDisp"), SIGNAL(drawImage2(QPainter*)));
    QSignalSpy lower(w.body.findChild<DispA*>("NinNoutDisp"), SIGNAL(drawImage2(QPainter*)));
    // Nothing left to paint from showing the window, so any paint below is
    // one that the action asked for.
    QCoreApplication::processEvents();
    upper.clear();
    lower.clear();
    QCoreApplication::processEvents();
    QCOMPARE(upper.count() + lower.count(), 0);

    w.choose({});
    QTRY_VERIFY(upper.count() > 0 && lower.count() > 0);
    QVERIFY(w.set().points.isEmpty());

    QCoreApplication::processEvents();
    upper.clear();
    lower.clear();
    QTest::mouseClick(w.body.findChild<QWidget*>("Clear"), Qt::LeftButton);
    QTRY_VERIFY(upper.count() > 0 && lower.count() > 0);
}

void TestBodyLoad::clearEmptiesEverything()
{
    Window w;
    w.choose({fixture("mca_two_channels_worked_example.mca"),
              fixture("count_table_two_channels_worked_example.dat")});
    QCOMPARE(w.panelsByRow().size(), 3);
    QList<QPointer<AMeasP>> panels;
    for (AMeasP* p : w.set().points)
        panels << p;
    // Three points of two channels: the fit ran and made two fields per channel.
    QVERIFY(w.set().fitted);
    QCOMPARE(w.set().tauFields.size(), 4);
    QList<QPointer<LE>> fields;
    for (LE* f : w.set().tauFields)
        fields << f;
    auto* background = w.body.findChild<QLineEdit*>("lineEdit");
    background->setText("12.5");

    QTest::mouseClick(w.body.findChild<QWidget*>("Clear"), Qt::LeftButton);
    for (const QPointer<AMeasP>& p : qAsConst(panels))
        QVERIFY(!p); // deleted, not merely taken out of the layout
    for (const QPointer<LE>& f : qAsConst(fields))
        QVERIFY(!f);
    QCOMPARE(w.column()->count(), 0);
    QCOMPARE(w.body.findChild<QGridLayout*>("Tau0sLayout")->count(), 0);
    QCOMPARE(w.body.findChild<QGridLayout*>("TausLayout")->count(), 0);
    QVERIFY(w.body.findChildren<AMeasP*>().isEmpty());
    QVERIFY(w.set().points.isEmpty());
    QVERIFY(!w.set().fitted);
    QVERIFY(w.set().tauFields.isEmpty());
    QVERIFY(w.set().tau0s.isEmpty());
    QVERIFY(w.set().taus.isEmpty());
    QVERIFY(w.set().i0NinFits.isEmpty());
    QVERIFY(w.set().ninNoutFits.isEmpty());
    compareRange(w.set().i0Range, false, 1e300, -1e300);
    compareRange(w.set().icrRange, false, 1e300, -1e300);
    compareRange(w.set().scaRange, false, 1e300, -1e300);
    QCOMPARE(background->text(), QString("12.5"));
}

void TestBodyLoad::clearTwiceAndOnEmpty()
{
    Window w;
    auto* clear = w.body.findChild<QWidget*>("Clear");
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(w.set().points.isEmpty());
    compareRange(w.set().icrRange, false, 1e300, -1e300);

    w.choose({fixture("count_table_five_rows.dat")});
    QTest::mouseClick(clear, Qt::LeftButton);
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(w.column()->count(), 0);
    QVERIFY(w.set().points.isEmpty());
    compareRange(w.set().i0Range, false, 1e300, -1e300);
}

// The first point after Clear takes row 0 and sets the channel count, even
// a larger one than before; the ranges forget the earlier points.
void TestBodyLoad::readingAfterClearStartsAfresh()
{
    Window w;
    w.choose({fixture("count_table_five_rows.dat")});
    QCOMPARE(w.set().nChannels, 1);
    QTest::mouseClick(w.body.findChild<QWidget*>("Clear"), Qt::LeftButton);

    w.choose({fixture("mca_two_channels_worked_example.mca")});
    const QList<AMeasP*> panels = w.panelsByRow();
    QCOMPARE(panels.size(), 1);
    QCOMPARE(w.set().points.toList(), panels);
    QCOMPARE(shownTexts(panels[0])[0], QString("152340"));
    QCOMPARE(w.set().nChannels, 2);
    compareRange(w.set().i0Range, true, 152340, 152340);
    compareRange(w.set().icrRange, true, 47001, 48213.5);
    compareRange(w.set().scaRange, true, 33, 66);
}

void TestBodyLoad::badInputLeavesEarlierPoints_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("added"); // points the bad file adds; -1: any number
    // What the debug log says: "open" for the note of a file that cannot be
    // opened, else what follows the path.
    QTest::addColumn<QString>("report");

    QByteArray noise(16 * 1024, '\0');
    quint32 state = 12345;
    for (char& b : noise) {
        state = state * 1664525u + 1013904223u;
        b = char(state >> 24);
    }
    QByteArray crlf = fileBytes(fixture("mca_two_channels_worked_example.mca"));
    crlf.replace("\n", "\r\n");

    QTest::newRow("missing file") << "missing" << QByteArray() << 0 << "open";
    QTest::newRow("directory") << "directory" << QByteArray() << 0 << "open";
    QTest::newRow("empty file") << "file" << QByteArray() << 0 << "";
    QTest::newRow("binary file") << "file" << noise << -1 << "";
    // Built in the test function: a row's data stays alive for the whole run.
    QTest::newRow("one 100 MB line") << "100 MB line" << QByteArray() << 1 << "";
    QTest::newRow("channel count 1500000000")
        << "file" << QByteArray("# Channels : 1500000000\n1 2 3 4 5\n") << 0 << "";
    QTest::newRow("channel count 2147483647")
        << "file" << QByteArray("# Channels : 2147483647\n1 2 3 4 5\n") << 0 << "";
    QTest::newRow("NaN and infinity")
        << "file" << QByteArray("nan 1 inf\n-inf nan 2\n") << 0
        << ", line 1: I0 is nan; point skipped (and 1 more point like it)";
    QTest::newRow("CRLF line ends") << "file" << crlf << 1 << "";
    QTest::newRow("UTF-8 byte-order mark")
        << "file"
        << "\xEF\xBB\xBF" + fileBytes(fixture("count_table_five_rows.dat")) << 5 << "";
}

void TestBodyLoad::badInputLeavesEarlierPoints()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, added);
    QFETCH(QString, report);

    QTemporaryDir dir;
    QString path = dir.filePath("input");
    if (kind == "directory")
        path = dir.path();
    else if (kind == "file")
        QVERIFY(writeFile(path, bytes));
    else if (kind == "100 MB line")
        QVERIFY(writeFile(path, QByteArray("1 ").repeated(50 * 1000 * 1000)));

    Window w;
    w.choose({fixture("mca_two_channels_worked_example.mca")});
    const QPointer<AMeasP> first = w.set().points.value(0);
    QVERIFY(first);

    DebugLog log;
    w.choose({path});
    // The fit logs its channel count too whenever it runs.
    QStringList reports;
    for (const QString& line : qAsConst(log.lines))
        if (!line.startsWith(QLatin1String("chs ")))
            reports << line;
    const QStringList expected = report.isEmpty()   ? QStringList()
                                 : report == "open" ? QStringList("Cannot open \"" + path + "\"")
                                                    : QStringList(path + report);
    QCOMPARE(reports, expected);

    const QList<AMeasP*> panels = w.panelsByRow();
    QCOMPARE(w.set().points.toList(), panels);
    if (added >= 0)
        QCOMPARE(panels.size(), 1 + added);
    QCOMPARE(panels.value(0), first.data());
    QCOMPARE(shownTexts(first), QStringList({"152340", "48213.5", "47001", "33", "66"}));
    QCOMPARE(first->icrs, QVector<double>({48213.5, 47001}));
    QCOMPARE(first->scas, QVector<double>({33, 66}));
    QCOMPARE(w.set().i0Range.valid, true);
}

void TestBodyLoad::panelsGoWithTheWindow()
{
    QList<QPointer<AMeasP>> panels;
    {
        Window w;
        w.choose({fixture("count_table_five_rows.dat")});
        for (AMeasP* p : w.set().points)
            panels << p;
        QCOMPARE(panels.size(), 5);
    }
    for (const QPointer<AMeasP>& p : qAsConst(panels))
        QVERIFY(!p);
}

// A point of too many channels makes no panel; the files after it still load.
void TestBodyLoad::channelLimit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("channels"); // of the one panel made; 0: none
    QTest::addColumn<QStringList>("messages");
    const QStringList refused{"Point not loaded: 1025 channels, more than 1024"};
    QTest::newRow("count table row of 1024 channels")
        << tableOfChannels(1024) << 1024 << QStringList();
    QTest::newRow("count table row of 1025 channels") << tableOfChannels(1025) << 0 << refused;
    QTest::newRow("spectrum of 1025 channels") << spectrumOfChannels(1025) << 0 << refused;
}

void TestBodyLoad::channelLimit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, channels);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    const QString path = dir.filePath("wide");
    QVERIFY(writeFile(path, bytes));

    Window w;
    DebugLog log;
    w.choose({path, fixture("count_table_five_rows.dat")});
    QStringList reports;
    for (const QString& line : qAsConst(log.lines))
        if (!line.startsWith(QLatin1String("chs ")))
            reports << line;
    QCOMPARE(reports, messages);

    const QList<AMeasP*> panels = w.panelsByRow();
    QCOMPARE(panels.size(), (channels ? 1 : 0) + 5);
    QCOMPARE(shownTexts(panels.last()), QStringList({"1.23457e+06", "5", "1.2e-05"}));
    if (channels) {
        QCOMPARE(panels[0]->icrs.size(), channels);
        QCOMPARE(panels[0]->findChild<QGridLayout*>("SCAsBase")->count(), channels);
    }
}

// A shown window keeps the frames that receive the new fields hidden while
// it loads; it must end up as a window loaded before it was shown.
void TestBodyLoad::shownWindowEndsAsIfLoadedHidden()
{
    const QStringList files = {fixture("count_table_five_rows.dat"),
                               fixture("mca_two_channels_worked_example.mca")};
    Window shown;
    shown.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown.body));
    shown.choose(files);
    shown.choose(files);
    Window hidden;
    hidden.choose(files);
    hidden.choose(files);
    hidden.body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&hidden.body));
    QCoreApplication::processEvents();

    const auto fields = shown.body.findChildren<QLineEdit*>();
    QCOMPARE(fields.size(), hidden.body.findChildren<QLineEdit*>().size());
    for (const QLineEdit* field : fields)
        QVERIFY(field->isVisible());
    QCOMPARE(shown.body.size(), hidden.body.size());
    QCOMPARE(shown.body.grab().toImage(), hidden.body.grab().toImage());
}

// Hiding a frame would move the focus out of it.
void TestBodyLoad::loadKeepsTheFocus_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("on the read button") << "ReadFiles";
    QTest::newRow("on a panel's I0 field") << "I0";
}

void TestBodyLoad::loadKeepsTheFocus()
{
    QFETCH(QString, focus);
    Window w;
    w.body.show();
    QApplication::setActiveWindow(&w.body);
    QVERIFY(QTest::qWaitForWindowActive(&w.body));
    w.choose({fixture("count_table_five_rows.dat")});
    auto* target = w.body.findChild<QWidget*>(focus);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);

    w.choose({fixture("count_table_five_rows.dat")});
    QCOMPARE(w.set().points.size(), 10);
    QCOMPARE(QApplication::focusWidget(), target);
}

VESKOR_GUI_TEST_MAIN(TestBodyLoad)
#include "tst_bodyload.moc"
