// Scan files read in the window: the mapping dialog driven through its
// object names, the same points and saved files as veskor-fit with that
// mapping, the mapping offered again, the errors named, and the measured
// XDAC files against their derived count tables (skipped without them).

#include "input/ameasp.h"
#include "input/counttable.h"
#include "mainwindow/body.h"
#include "testsupport.h"
#include "toolrun.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

using veskor::test::contents;
using veskor::test::runTool;
using veskor::test::ToolRun;
using veskor::test::Window;
using veskor::test::writeFile;

namespace {

const QString kFormats = QStringLiteral(VESKOR_EXAMPLES_DIR) + "/formats/";
const QString kTable = QStringLiteral(VESKOR_EXAMPLES_DIR) + "/scan-table.dat";

// The dialog of a window, and its parts.
struct MappingDialog
{
    QDialog* dialog;
    QComboBox* combo(const char* name) const { return dialog->findChild<QComboBox*>(name); }
    // I0, ICR, SCA and time as shown; an empty time for "none".
    QStringList shown() const
    {
        QComboBox* time = combo("TimeColumn");
        return {combo("I0Column")->currentText(), combo("ICRColumn")->currentText(),
                combo("SCAColumn")->currentText(),
                time->currentText() == time->itemText(0) ? QString() : time->currentText()};
    }
    void set(const QStringList& mapping) const
    {
        combo("I0Column")->setEditText(mapping[0]);
        combo("ICRColumn")->setEditText(mapping[1]);
        combo("SCAColumn")->setEditText(mapping[2]);
        if (mapping[3].isEmpty())
            combo("TimeColumn")->setCurrentIndex(0);
        else
            combo("TimeColumn")->setEditText(mapping[3]);
    }
    QPushButton* ok() const
    {
        return dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    }
};

MappingDialog mappingDialog(Body& body)
{
    return {body.findChild<QDialog*>("ColumnMappingDialog")};
}

// veskor-fit's options for a mapping.
QStringList options(const QStringList& mapping, const QString& scan)
{
    QStringList args{"--i0", mapping[0], "--icr", mapping[1], "--sca", mapping[2]};
    if (!mapping[3].isEmpty())
        args << "--time" << mapping[3];
    if (!scan.isEmpty())
        args << "--scan" << scan;
    return args;
}

struct Row
{
    double i0;
    QVector<double> icrs;
    QVector<double> scas;
};

QVector<Row> tableRows(const QString& path)
{
    QVector<Row> rows;
    readCountTableFile(path,
                       [&](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
                           rows.append({i0, icrs, scas});
                       });
    return rows;
}

QString problemsShown(Body& body)
{
    auto* box = body.findChild<QMessageBox*>("ScanFileProblems");
    return box && box->isVisible() ? box->informativeText() : QString();
}

} // namespace

class TestScanFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savesAsTheTool_data();
    void savesAsTheTool();
    void mappingOfferedAgain();
    void selectionsWaitForTheDialog();
    void problemsNamed_data();
    void problemsNamed();
    void measuredXdac_data();
    void measuredXdac();
};

// Each example file through the dialog: pre-filled with the guess, set to
// the mapping, the points of veskor-fit's --table bit for bit with their
// times and origins, and the files of veskor-fit -o byte for byte.
void TestScanFiles::savesAsTheTool_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("scan");
    QTest::addColumn<QStringList>("guess");
    QTest::addColumn<QStringList>("mapping");
    QTest::addColumn<QString>("origin"); // the first panel's tool tip after the path

    const QStringList spec{"I0", "ICR_{n}", "SCA_{n}", "Seconds"};
    const QStringList xdi{"i0", "icr{n}", "roi{n}", "time"};
    const QStringList xdac{"I0", "Iffast{n}", "Ifch{n}", "IntTime"};
    const QStringList csv{"I0", "ICR{n}", "SCA{n}", "Seconds"};
    const QStringList h5{"I0", "CHAN{n}SCA3", "CHAN{n}SCA5", "AcquireTime"};
    QTest::newRow("SPEC, the second of two scans")
        << "scan.spec"
        << "2" << spec << spec << ", scan 2, row 1, line 20";
    QTest::newRow("XDI") << "scan.xdi"
                         << "" << xdi << xdi << ", row 1, line 19";
    QTest::newRow("XDAC") << "scan.001"
                          << "" << xdac << xdac << ", row 1, line 10";
    QTest::newRow("CSV without a time")
        << "scan.csv"
        << "" << csv << QStringList{"I0", "ICR{n}", "SCA{n}", ""} << ", row 1, line 3";
    QTest::newRow("HDF5, a dataset per channel") << "scan.h5"
                                                 << "" << h5 << h5 << ", point 1";
    QTest::newRow("HDF5 [point, channel]")
        << "scan.h5"
        << "" << h5
        << QStringList{"entry/instrument/scaler/I0", "input_counts", "window_counts", "AcquireTime"}
        << ", point 1";
}

void TestScanFiles::savesAsTheTool()
{
    QFETCH(QString, file);
    QFETCH(QString, scan);
    QFETCH(QStringList, guess);
    QFETCH(QStringList, mapping);
    QFETCH(QString, origin);
    QTemporaryDir dir;
    const QString path = kFormats + file;

    Window w;
    w.body.show();
    w.read({path});
    const MappingDialog d = mappingDialog(w.body);
    QVERIFY(d.dialog && d.dialog->isVisible());
    QCOMPARE(d.dialog->windowModality(), Qt::WindowModal);
    QVERIFY(w.body.pointData().points.isEmpty());
    QCOMPARE(d.shown(), guess);
    QComboBox* scans = d.combo("ScanNumber");
    QCOMPARE(scans->isVisible(), !scan.isEmpty());
    if (!scan.isEmpty()) {
        QCOMPARE(scans->count(), 2);
        QCOMPARE(scans->currentData().toString(), scan);
        QCOMPARE(scans->currentText(), QString("2: attscan 12 1 (rows: 12)"));
    }
    auto* datasets = d.dialog->findChild<QTreeWidget*>("Datasets");
    if (file.endsWith(".h5")) {
        const auto found = datasets->findItems("entry/data/input_counts", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0]->text(1), QString("12 × 4"));
    }
    QCOMPARE(datasets->isVisible(), file.endsWith(".h5"));
    d.set(mapping);
    d.ok()->click();
    QVERIFY(!d.dialog->isVisible());

    const QString fromTool = dir.filePath("tool.dat");
    const QString table = dir.filePath("table.dat");
    const QString fromWindow = dir.filePath("window.dat");
    const ToolRun tool =
        runTool(QStringList{"-o", fromTool, "--undetermined", "quadratic", "--table", table} +
                options(mapping, scan) << path);
    QVERIFY2(tool.exitCode == 0, qPrintable(tool.err));
    const QVector<Row> rows = tableRows(table);
    const QVector<AMeasP*> panels = w.body.pointData().points;
    QCOMPARE(panels.size(), 12);
    QCOMPARE(rows.size(), panels.size());
    for (int k = 0; k < panels.size(); ++k) {
        QCOMPARE(panels[k]->i0, rows[k].i0);
        QCOMPARE(panels[k]->icrs, rows[k].icrs);
        QCOMPARE(panels[k]->scas, rows[k].scas);
        // The example counts over 1, 2 and 4 s in turn.
        QCOMPARE(panels[k]->view().time, mapping[3].isEmpty() ? 1.0 : double(1 << (k % 3)));
    }
    QCOMPARE(panels[0]->findChild<QLineEdit*>("I0")->toolTip(),
             QDir::toNativeSeparators(path) + origin);
    QVERIFY(problemsShown(w.body).isEmpty());

    w.save(fromWindow);
    QVERIFY(!contents(fromTool).isEmpty());
    QCOMPARE(contents(fromWindow), contents(fromTool));
    QCOMPARE(contents(fromWindow + ".conf"), contents(fromTool + ".conf"));
}

// The mapping accepted for a file is offered for the next file of the same
// names, not for a file of others; the read dialog lists every file first.
void TestScanFiles::mappingOfferedAgain()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("copy.txt");
    QVERIFY(QFile::copy(kFormats + "scan.csv", copy));
    Window w;
    QCOMPARE(w.readDialog->nameFilters().value(0), QString("All files (*)"));
    QCOMPARE(w.readDialog->selectedNameFilter(), QString("All files (*)"));
    w.read({kFormats + "scan.csv"});
    MappingDialog d = mappingDialog(w.body);
    const QStringList chosen{"I0", "ICR{n}", "ICR{n}", ""};
    d.set(chosen);
    d.ok()->click();

    w.read({copy});
    QVERIFY(d.dialog->isVisible());
    QCOMPARE(d.shown(), chosen);
    d.dialog->reject();
    w.read({kFormats + "scan.xdi"});
    QCOMPARE(d.shown(), QStringList({"i0", "icr{n}", "roi{n}", "time"}));
    d.dialog->reject();
    QCOMPARE(w.body.pointData().points.size(), 12);
}

// A selection chosen while the dialog asks waits, and the points keep the
// order of the choices.
void TestScanFiles::selectionsWaitForTheDialog()
{
    Window w;
    w.read({kFormats + "scan.csv"});
    w.read({kTable});
    QVERIFY(w.body.pointData().points.isEmpty());
    mappingDialog(w.body).ok()->click();
    const QVector<AMeasP*> panels = w.body.pointData().points;
    QCOMPARE(panels.size(), 24);
    QCOMPARE(panels[0]->originFile, kFormats + "scan.csv");
    QCOMPARE(panels[12]->originFile, kTable);
    QVERIFY(w.body.pointData().fitted);
}

// A scan file beside the example count table: what it adds, and what the
// window says about it. A refused file adds nothing; the table loads.
void TestScanFiles::problemsNamed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("mapping"); // empty: the guess; "cancel": cancelled
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("said"); // %1: the file's path; empty: nothing said

    const QByteArray csv = "I0,Seconds,ICR1,ICR2,SCA1,SCA2\n100,1,90,91,80,81\n"
                           "200,1,170,171,150,151\n300,2,240,241,200,201\n";
    QTest::newRow("the guess") << csv << QStringList() << 3 << QString();
    QTest::newRow("cancelled: a file of labels is not read as a count table")
        << csv << QStringList{"cancel"} << 0 << QString();
    QTest::newRow("a column missing") << csv << QStringList{"I0", "ICR{n}", "OCR{n}", "Seconds"}
                                      << 0 << "%1 has no column “OCR1” for SCA.";
    QTest::newRow("channels that do not match")
        << csv << QStringList{"I0", "ICR{n}", "SCA1", ""} << 0
        << "In %1, ICR gives 2 channels but SCA gives 1.";
    QTest::newRow("every time 0: no point")
        << QByteArray("I0 ICR SCA Time\n100 90 80 0\n200 170 150 0\n") << QStringList() << 0
        << "%1 gives no measurement point.";
    QTest::newRow("a row skipped") << csv + "400,2,300\n"
                                   << QStringList() << 3
                                   << "Some rows or points of %1 were skipped; the others are "
                                      "loaded.";
    QTest::newRow("HDF5 that cannot be read")
        << QByteArray("\x89HDF\r\n\x1a\n").append(600, '\x07') << QStringList() << 0
        << "%1 cannot be read as an HDF5 file.";
}

void TestScanFiles::problemsNamed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, mapping);
    QFETCH(int, points);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "scan", bytes);
    Window w;
    w.body.show();
    w.read({path, kTable});
    const MappingDialog d = mappingDialog(w.body);
    if (d.dialog && d.dialog->isVisible()) {
        if (mapping.value(0) == "cancel") {
            d.dialog->reject();
        } else {
            if (!mapping.isEmpty())
                d.set(mapping);
            d.ok()->click();
        }
    }
    QCOMPARE(w.body.pointData().points.size(), points + 12);
    QCOMPARE(w.body.pointData().points.last()->originFile, kTable);
    const QString shown = problemsShown(w.body);
    if (said.isEmpty())
        QCOMPARE(shown, QString());
    else
        QVERIFY2(shown.contains(said.arg(QDir::toNativeSeparators(path))), qPrintable(shown));
}

// The measured files open with the guessed mapping (the output counts of
// every event, divided by the counting time) and give the constants of the
// count tables derived from them, to the six digits the tables hold.
void TestScanFiles::measuredXdac_data()
{
    QTest::addColumn<QString>("scanFile");
    QTest::addColumn<QString>("derived");
    QTest::newRow("cu") << "cudata.dat"
                        << "cu_icr_ocr_table.dat";
    QTest::newRow("txrf") << "LSCF_LAO_asdep_TXRF.018"
                          << "txrf_icr_ocr_table.dat";
}

void TestScanFiles::measuredXdac()
{
    QFETCH(QString, scanFile);
    QFETCH(QString, derived);
    const QDir data(QStringLiteral(VESKOR_REALDATA));
    if (!data.exists(scanFile) || !data.exists("derived/" + derived))
        QSKIP("the measured data are not beside the repository");

    Window scan;
    scan.read({data.filePath(scanFile)});
    const MappingDialog d = mappingDialog(scan.body);
    QCOMPARE(d.shown(), QStringList({"I0", "Iffast{n}", "Ifslow{n}", "IntTime"}));
    d.ok()->click();
    Window table;
    table.read({data.filePath("derived/" + derived)});
    const PointSet& got = scan.body.pointData();
    const PointSet& want = table.body.pointData();
    QCOMPARE(got.points.size(), want.points.size());
    QVERIFY(got.fitted && want.fitted);
    QCOMPARE(got.tau0s.size(), 4);
    QCOMPARE(got.taus.size(), 4);
    // The tables round every rate to six digits; the constants move by up
    // to 2.3e-5 of their value with it (cu; txrf's not at all).
    const auto close = [](double a, double b) { return qAbs(a - b) <= 1e-4 * qAbs(b); };
    for (int ch = 0; ch < 4; ++ch) {
        QVERIFY2(close(got.tau0s[ch], want.tau0s[ch]), qPrintable(QString::number(ch)));
        QVERIFY2(close(got.taus[ch], want.taus[ch]), qPrintable(QString::number(ch)));
    }
}

VESKOR_GUI_TEST_MAIN(TestScanFiles)
#include "tst_scanfiles.moc"
