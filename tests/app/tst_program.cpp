// The program as the user starts it: the real executable with its own
// main(), on the offscreen platform, clicked through by the test's input
// plugin (driver/), with a home and a configuration folder of its own.

#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QStringList lines;
    QByteArray errors;
};

// Runs the program with args, the driver taking steps, HOME and
// XDG_CONFIG_HOME in the given folders.
Run runProgram(const QStringList& args, const QString& steps, const QString& home,
               const QString& config)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_PLUGIN_PATH", VESKOR_TEST_PLUGINS);
    env.insert("QT_QPA_GENERIC_PLUGINS", "veskordriver:" + steps);
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", config);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(VESKOR_PROGRAM, args);
    Run run;
    // Generous: a sanitizer build on a busy machine starts slowly.
    run.finished = program.waitForFinished(120000);
    if (!run.finished) {
        program.kill();
        program.waitForFinished();
    }
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.lines = QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.errors = program.readAllStandardError();
    return run;
}

QStringList filesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAndQuits_data();
    void startsAndQuits();
    void writesNoSettings_data();
    void writesNoSettings();
};

void TestProgram::startsAndQuits_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("english");

    QTest::newRow("-e") << QStringList{"-e"} << true;
    QTest::newRow("-j") << QStringList{"-j"} << false;
    QTest::newRow("no arguments") << QStringList{} << false;
    QTest::newRow("-j then -e") << QStringList{"-j", "-e"} << true;
}

// The window comes up in the language asked for, and Quit ends the program
// with status 0.
void TestProgram::startsAndQuits()
{
    QFETCH(QStringList, args);
    QFETCH(bool, english);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkpath("home") && QDir(tmp.path()).mkpath("config"));
    const Run run = runProgram(args, "look+quit", tmp.filePath("home"), tmp.filePath("config"));
    QVERIFY2(run.finished, run.errors.constData());
    QVERIFY2(run.exitCode == 0, run.errors.constData());
    const QStringList buttons =
        english
            ? QStringList{"ReadFiles Read File(s)", "SaveResult Save", "Clear Clear", "Quit Quit"}
            : QStringList{QString::fromUtf8("ReadFiles ファイル読込"),
                          QString::fromUtf8("SaveResult 保存"), QString::fromUtf8("Clear クリア"),
                          QString::fromUtf8("Quit 終了")};
    // The window's own size, or the screen's where that is smaller (the
    // offscreen screen is 800 x 600).
    QVERIFY(!run.lines.isEmpty());
    const QStringList screen = run.lines.first().mid(7).split('x');
    QCOMPARE(screen.size(), 2);
    const QSize size = QSize(1536, 854).boundedTo(QSize(screen[0].toInt(), screen[1].toInt()));
    QCOMPARE(run.lines.mid(1),
             QStringList{
                 QStringLiteral("window Veskor %1x%2 shown").arg(size.width()).arg(size.height())} +
                 buttons);
}

void TestProgram::writesNoSettings_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("output");
    QTest::addColumn<bool>("settingsWritten");

    QTest::newRow("read dialog cancelled, then Quit")
        << "open-read+cancel+quit" << QStringList{"read dialog shown", "read dialog closed"}
        << false;
    QTest::newRow("Quit with the read dialog open")
        << "open-read+quit" << QStringList{"read dialog shown"} << false;
    // The check itself: a dialog that is destroyed does write, and the
    // folders watched here are where it writes.
    QTest::newRow("a destroyed dialog writes") << "drop-dialog+quit" << QStringList{} << true;
}

// Whatever the user does with the dialogs, nothing is left in the user's
// home or configuration folder for the next run to find.
void TestProgram::writesNoSettings()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, output);
    QFETCH(bool, settingsWritten);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir(tmp.path()).mkpath("home") && QDir(tmp.path()).mkpath("config"));
    const Run run = runProgram({"-e"}, steps, tmp.filePath("home"), tmp.filePath("config"));
    QVERIFY2(run.finished, run.errors.constData());
    QVERIFY2(run.exitCode == 0, run.errors.constData());
    QCOMPARE(run.lines, output);
    const QStringList written =
        filesUnder(tmp.filePath("home")) + filesUnder(tmp.filePath("config"));
    if (settingsWritten)
        QVERIFY(!filesUnder(tmp.filePath("config")).isEmpty());
    else
        QVERIFY2(written.isEmpty(), qPrintable(written.join(", ")));
}

VESKOR_CORE_TEST_MAIN(TestProgram)
#include "tst_program.moc"
