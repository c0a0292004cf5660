#include "debuglog.h"
#include "mainwindow/body.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

namespace {

// The window's save dialog: a parentless dialog that did not exist before
// the window was built.
QFileDialog* saveDialogOf(const QWidgetList& before)
{
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops) {
        auto* d = qobject_cast<QFileDialog*>(w);
        if (d && !before.contains(w) && d->objectName() == QLatin1String("saveDialog"))
            return d;
    }
    return nullptr;
}

} // namespace

class TestBodySave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nothingWrittenBeforeAFit();
};

// Before any fit, choosing a name in the save dialog creates no file and
// leaves an earlier save alone.
void TestBodySave::nothingWrittenBeforeAFit()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray earlier = "# Deadtime data\r\nPreamp: 1e-07\r\nAmp: 1e-06\r\n";
    {
        QFile f(dir.filePath("kept.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }

    const QWidgetList before = QApplication::topLevelWidgets();
    Body body;
    QFileDialog* dialog = saveDialogOf(before);
    QVERIFY(dialog);

    DebugLog log;
    emit dialog->fileSelected(dir.filePath("new.dat"));
    emit dialog->fileSelected(dir.filePath("kept.dat"));
    QVERIFY(log.lines.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"kept.dat"});
    QFile kept(dir.filePath("kept.dat"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), earlier);
}

VESKOR_GUI_TEST_MAIN(TestBodySave)
#include "tst_bodysave.moc"
