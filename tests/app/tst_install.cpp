// What `cmake --install` puts in place, used as an installed copy is used:
// the programs from the installed folder, the menu entry and its metadata
// through the validators the desktops use, the manual pages through man.

#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    r.finished = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A tool the check needs; the test suite's set-up installs it.
QString tool(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void files_data();
    void files();
    void nothingElse();
    void menuEntryIsValid();
    void metadataIsValid();
    void manualPagesFormatCleanly_data();
    void manualPagesFormatCleanly();
    void fitToolRunsFromTheInstalledFolder();
    void windowWithoutDisplaySaysSoInOneLine_data();
    void windowWithoutDisplaySaysSoInOneLine();

private:
    QTemporaryDir prefix;
    QString path(const QString& relative) const { return prefix.filePath(relative); }
};

void TestInstall::initTestCase()
{
    QVERIFY(prefix.isValid());
    const Run r = run(QStringLiteral("cmake"),
                      {"--install", QStringLiteral(VESKOR_BUILD_DIR), "--prefix", prefix.path()});
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.err));
}

void TestInstall::files_data()
{
    QTest::addColumn<QString>("file");
    for (const char* f :
         {"bin/veskor", "bin/veskor-fit", "share/applications/org.veskor.veskor.desktop",
          "share/metainfo/org.veskor.veskor.metainfo.xml",
          "share/icons/hicolor/scalable/apps/org.veskor.veskor.svg",
          "share/icons/hicolor/48x48/apps/org.veskor.veskor.png",
          "share/icons/hicolor/128x128/apps/org.veskor.veskor.png", "share/man/man1/veskor.1",
          "share/man/man1/veskor-fit.1", "share/veskor/examples/scan-table.dat",
          "share/veskor/examples/scan/point01.mca", "share/veskor/examples/scan/point12.mca",
          "share/veskor/examples/formats/scan.spec", "share/veskor/examples/formats/scan.h5"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TestInstall::files()
{
    QFETCH(QString, file);
    QVERIFY(QFileInfo(path(file)).isFile());
    if (file.startsWith("bin/"))
        QVERIFY(QFileInfo(path(file)).isExecutable());
}

// Neither the test suite, nor benchmarks, nor the libraries they share.
void TestInstall::nothingElse()
{
    QStringList found;
    QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(prefix.path()).relativeFilePath(it.next());
    QCOMPARE(found.size(), 27);
    for (const QString& f : found)
        QVERIFY2(!f.contains("tst_") && !f.contains("bench") && !f.endsWith(".a"), qPrintable(f));
}

void TestInstall::menuEntryIsValid()
{
    const QString validate = tool("desktop-file-validate");
    QVERIFY2(!validate.isEmpty(), "desktop-file-validate (desktop-file-utils) is missing");
    const QString entry = path("share/applications/org.veskor.veskor.desktop");
    const Run r = run(validate, {entry});
    QVERIFY(r.finished);
    QCOMPARE(r.out + r.err, QString());
    QCOMPARE(r.exitCode, 0);

    QFile f(entry);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    QVERIFY(lines.contains("Categories=Science;Physics;"));
    QVERIFY(lines.contains("Exec=veskor"));
    QVERIFY(lines.contains("Icon=org.veskor.veskor"));
    QVERIFY(lines.contains("Name=Veskor"));
    QVERIFY(lines.contains("Name[ja]=Veskor"));
    QVERIFY(lines.contains(QString::fromUtf8("GenericName[ja]=検出器デッドタイム測定")));
}

void TestInstall::metadataIsValid()
{
    const QString appstream = tool("appstreamcli");
    QVERIFY2(!appstream.isEmpty(), "appstreamcli (appstream) is missing");
    const QString metainfo = path("share/metainfo/org.veskor.veskor.metainfo.xml");
    const Run r = run(appstream, {"validate", "--pedantic", "--no-net", "--no-color", metainfo});
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    // Not a single hint, pedantic ones included.
    QVERIFY2(r.out.trimmed() == QStringLiteral("\u2714 Validation was successful."),
             qPrintable(r.out));

    QFile f(metainfo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    QVERIFY(xml.contains("<release version=\"" VESKOR_VERSION "\""));
    QVERIFY(xml.contains("<screenshot type=\"default\">"));
    QVERIFY(!xml.contains('@'));
}

void TestInstall::manualPagesFormatCleanly_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("mentions"); // every option and exit status
    QTest::newRow("veskor") << "veskor.1" << QStringList{"-j",    "-e",      "EXIT STATUS",
                                                         "FILES", "EXAMPLE", "DISPLAY"};
    QTest::newRow("veskor-fit") << "veskor-fit.1"
                                << QStringList{
                                       "--output", "--json",    "--plot",
                                       "--help",   "--version", "--i0",
                                       "--icr",    "--sca",     "--time",
                                       "--scan",   "--table",   "EXIT STATUS",
                                       "FILES",    "EXAMPLE",   "4      A requested output file"};
}

void TestInstall::manualPagesFormatCleanly()
{
    QFETCH(QString, page);
    QFETCH(QStringList, mentions);
    const QString man = tool("man");
    QVERIFY2(!man.isEmpty(), "man is missing");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    env.insert("LC_ALL", "C.UTF-8");
    const Run r = run(man, {"--warnings", "-l", path("share/man/man1/" + page)}, env);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    // man hyphenates and uses typographic dashes; compare on plain words.
    QString text = r.out;
    text.replace(QChar(0x2010), '-').replace(QChar(0x2212), '-');
    for (const QString& m : mentions)
        QVERIFY2(text.contains(m), qPrintable(m));
    // The example names the examples where the configured prefix puts them.
    QVERIFY(text.contains(QStringLiteral(VESKOR_INSTALL_DATADIR) + "/veskor/examples"));
}

void TestInstall::fitToolRunsFromTheInstalledFolder()
{
    const QString fit = path("bin/veskor-fit");
    Run r = run(fit, {"--version"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("veskor-fit " VESKOR_VERSION "\n"));

    r = run(fit, {"--help"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("Usage: veskor-fit"));
    QVERIFY(r.out.contains("--version"));

    QStringList scan;
    const QDir dir(path("share/veskor/examples/scan"));
    for (const QString& f : dir.entryList({"*.mca"}, QDir::Files, QDir::Name))
        scan << dir.filePath(f);
    QCOMPARE(scan.size(), 12);
    r = run(fit, scan);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith("# 12 points from 12 files, 4 channels"), qPrintable(r.out));

    // The HDF5 library goes with it: the installed example in that format.
    r = run(fit, {"--i0", "I0", "--icr", "CHAN{n}SCA3", "--sca", "CHAN{n}SCA5", "--time",
                  "AcquireTime", path("share/veskor/examples/formats/scan.h5")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith("# 12 points from 1 file, 4 channels"), qPrintable(r.out + r.err));
}

void TestInstall::windowWithoutDisplaySaysSoInOneLine_data()
{
    QTest::addColumn<QString>("display"); // empty: none named
    QTest::newRow("no display named") << QString();
    QTest::newRow("a display that is not there") << QStringLiteral(":97");
}

void TestInstall::windowWithoutDisplaySaysSoInOneLine()
{
    QFETCH(QString, display);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    if (!display.isEmpty())
        env.insert("DISPLAY", display);
    const Run r = run(path("bin/veskor"), {"-e"}, env);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, QStringLiteral("veskor needs a display (X11 or Wayland); veskor-fit does the "
                                   "same analysis without one\n"));
}

VESKOR_GUI_TEST_MAIN(TestInstall)
#include "tst_install.moc"
