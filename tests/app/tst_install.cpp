// What `cmake --install` puts in place, used as an installed copy is used:
// the programs from the installed folder, the menu entry and its metadata
// through the validators the desktops use, the manual pages through man.

#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>

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
    void iconsFitTheirFolders_data();
    void iconsFitTheirFolders();
    void nothingElse();
    void menuEntryIsValid();
    void metadataIsValid();
    void manualPagesFormatCleanly_data();
    void manualPagesFormatCleanly();
    void fitToolRunsFromTheInstalledFolder();
    void examplesGiveTheTablesConstants_data();
    void examplesGiveTheTablesConstants();
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

// The icon the menu entry names, in every folder of the icon theme it is
// installed to, as the theme's rules want it: a bitmap as large as its
// folder says, a scalable one an SVG document.
void TestInstall::iconsFitTheirFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("size"); // 0: scalable
    QTest::newRow("48x48") << "48x48" << 48;
    QTest::newRow("128x128") << "128x128" << 128;
    QTest::newRow("scalable") << "scalable" << 0;
}

void TestInstall::iconsFitTheirFolders()
{
    QFETCH(QString, folder);
    QFETCH(int, size);
    QFile entry(path("share/applications/org.veskor.veskor.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QString name;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split('\n'))
        if (line.startsWith("Icon="))
            name = line.mid(5);
    QVERIFY(!name.isEmpty());
    const QString icon =
        path("share/icons/hicolor/" + folder + "/apps/" + name + (size ? ".png" : ".svg"));
    if (size) {
        const QImage image(icon);
        QVERIFY2(!image.isNull(), qPrintable(icon));
        QCOMPARE(image.size(), QSize(size, size));
        return;
    }
    QFile svg(icon);
    QVERIFY2(svg.open(QIODevice::ReadOnly), qPrintable(icon));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name().toString(), QString("svg"));
    QCOMPARE(xml.namespaceUri().toString(), QString("http://www.w3.org/2000/svg"));
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

// Neither the test suite, nor benchmarks, nor the libraries they share,
// nor anything outside the folders where a system looks for programs,
// menu entries, icons, manual pages and the examples.
void TestInstall::nothingElse()
{
    const QStringList places{"bin/",
                             "share/applications/",
                             "share/metainfo/",
                             "share/icons/hicolor/",
                             "share/man/man1/",
                             "share/veskor/examples/"};
    QStringList found;
    QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(prefix.path()).relativeFilePath(it.next());
    QVERIFY(!found.isEmpty());
    for (const QString& f : found) {
        QVERIFY2(!f.contains("tst_") && !f.contains("bench") && !f.endsWith(".a"), qPrintable(f));
        QVERIFY2(std::any_of(places.begin(), places.end(),
                             [&](const QString& place) { return f.startsWith(place); }),
                 qPrintable(f));
        if (f.startsWith("bin/"))
            QVERIFY2(QFileInfo(path(f)).isExecutable(), qPrintable(f));
    }
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
}

// Each installed example, read by the installed tool, gives the constants
// of the example count table: the files are there, whole, and the tool
// finds what it needs (the HDF5 library among it) where it is installed.
void TestInstall::examplesGiveTheTablesConstants_data()
{
    QTest::addColumn<QStringList>("files"); // below share/veskor/examples
    QTest::addColumn<QStringList>("mapping");
    QStringList spectra;
    for (int i = 1; i <= 12; ++i)
        spectra << QStringLiteral("scan/point%1.mca").arg(i, 2, 10, QLatin1Char('0'));
    QTest::newRow("count table") << QStringList{"scan-table.dat"} << QStringList{};
    QTest::newRow("MCA spectra") << spectra << QStringList{};
    QTest::newRow("SPEC") << QStringList{"formats/scan.spec"}
                          << QStringList{"--scan",  "2",     "--i0",    "I0",     "--icr",
                                         "ICR_{n}", "--sca", "SCA_{n}", "--time", "Seconds"};
    QTest::newRow("XDI") << QStringList{"formats/scan.xdi"}
                         << QStringList{"--i0",  "i0",     "--icr",  "icr{n}",
                                        "--sca", "roi{n}", "--time", "time"};
    QTest::newRow("XDAC") << QStringList{"formats/scan.001"}
                          << QStringList{"--i0",  "I0",      "--icr",  "Iffast{n}",
                                         "--sca", "Ifch{n}", "--time", "IntTime"};
    QTest::newRow("CSV") << QStringList{"formats/scan.csv"}
                         << QStringList{"--i0",  "I0",     "--icr",  "ICR{n}",
                                        "--sca", "SCA{n}", "--time", "Seconds"};
    QTest::newRow("HDF5") << QStringList{"formats/scan.h5"}
                          << QStringList{"--i0",  "I0",          "--icr",  "CHAN{n}SCA3",
                                         "--sca", "CHAN{n}SCA5", "--time", "AcquireTime"};
}

void TestInstall::examplesGiveTheTablesConstants()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, mapping);
    const QString fit = path("bin/veskor-fit");
    const QString examples = path("share/veskor/examples/");
    const auto constants = [&](const QStringList& names, const QStringList& options) {
        QStringList args = QStringList{"--json"} + options;
        for (const QString& n : names)
            args << examples + n;
        const Run r = run(fit, args);
        QStringList texts;
        if (!r.finished || r.exitCode != 0) {
            texts << r.err;
            return texts;
        }
        const QJsonObject report = QJsonDocument::fromJson(r.out.toUtf8()).object();
        texts << QString::number(report["points"].toInt());
        for (const QJsonValue v : report["results"].toArray())
            texts << v.toObject()["tau0Text"].toString() << v.toObject()["tauText"].toString();
        return texts;
    };
    const QStringList table = constants({"scan-table.dat"}, {});
    QCOMPARE(table.size(), 1 + 2 * 4);
    QCOMPARE(table[0], QString("12"));
    QCOMPARE(constants(files, mapping), table);
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
