#include "app/startup.h"
#include "input/ameasp.h"
#include "mainwindow/body.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResource>
#include <QTranslator>

#include <vector>

namespace {

// argv as the entry point sees it after the application took its options:
// the program name first.
veskor::Language scan(const QStringList& args)
{
    std::vector<QByteArray> storage;
    storage.push_back("veskor");
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : storage)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    return veskor::languageFromArguments(int(storage.size()), argv.data());
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void language_data();
    void language();
    void untranslatedMessagesShowSource();
    void catalogueResource();
    void catalogueMessages_data();
    void catalogueMessages();
};

void TestStartup::language_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("readFiles");
    QTest::addColumn<QString>("quit");
    QTest::addColumn<QString>("tau0Label");

    const QString jaRead = QString::fromUtf8("ファイル読込");
    const QString jaQuit = QString::fromUtf8("終了");
    const QString jaTau0 = QString::fromUtf8("τ0 (preAmp)");
    auto ja = [&](const char* name, const QStringList& args) {
        QTest::newRow(name) << args << jaRead << jaQuit << jaTau0;
    };
    auto en = [&](const char* name, const QStringList& args) {
        QTest::newRow(name) << args << QString("Read File(s)") << QString("Quit")
                            << QString("Tau0s (preAmp)");
    };
    ja("no arguments", {});
    en("-e", {"-e"});
    ja("-j", {"-j"});
    en("-j then -e", {"-j", "-e"});
    ja("-e then -j", {"-e", "-j"});
    ja("upper-case -E is ignored", {"-E"});
    ja("--e is ignored", {"--e"});
    ja("e without dash is ignored", {"e"});
    ja("-en is ignored", {"-en"});
    en("-e then anything else", {"-e", "file.dat"});
    en("other words around -e", {"x", "-e", "-x"});
    ja("-e followed by -j among others", {"-e", "y", "-j", "z"});
}

void TestStartup::language()
{
    QFETCH(QStringList, args);
    QFETCH(QString, readFiles);
    QFETCH(QString, quit);
    QFETCH(QString, tau0Label);

    QTranslator translator;
    veskor::installLanguage(translator, scan(args));
    {
        Body body;
        QCOMPARE(body.findChild<QPushButton*>("ReadFiles")->text(), readFiles);
        QCOMPARE(body.findChild<QPushButton*>("Quit")->text(), quit);
        QCOMPARE(body.findChild<QLabel*>("label_4")->text(), tau0Label);
        QCOMPARE(body.windowTitle(), QString("Veskor"));
    }
    QCoreApplication::removeTranslator(&translator);
}

void TestStartup::untranslatedMessagesShowSource()
{
    QTranslator translator;
    veskor::installLanguage(translator, veskor::Language::Japanese);
    QVERIFY(!translator.isEmpty());
    {
        Body body;
        QCOMPARE(body.findChild<QPushButton*>("SaveResult")->text(), QString::fromUtf8("保存"));
        QCOMPARE(body.findChild<QPushButton*>("Clear")->text(), QString::fromUtf8("クリア"));
        QCOMPARE(body.findChild<QLabel*>("label")->text(), QString::fromUtf8("I0バックグラウンド"));
        QCOMPARE(body.findChild<QLabel*>("label_5")->text(), QString::fromUtf8("τ (Amp)"));
        QCOMPARE(body.findChild<QLineEdit*>("lineEdit")->text(), QString("0"));
        QCOMPARE(body.windowTitle(), QString("Veskor"));

        AMeasP panel(5, {1}, {2});
        QCOMPARE(panel.windowTitle(), QString::fromUtf8("測定点"));
        QCOMPARE(panel.findChild<QLabel*>("label")->text(), QString("I0"));
        QCOMPARE(panel.findChild<QLabel*>("label_2")->text(), QString("ICRs"));
        QCOMPARE(panel.findChild<QLabel*>("label_3")->text(), QString("SCAs"));
    }
    QCoreApplication::removeTranslator(&translator);
}

void TestStartup::catalogueResource()
{
    QResource qm(QStringLiteral(":/Veskor_ja_JP.qm"));
    QVERIFY(qm.isValid());
    QCOMPARE(qm.compressionAlgorithm(), QResource::NoCompression);
    QVERIFY(qm.size() > 0);
    // Found without the suffix, as the start-up loads it.
    QTranslator t;
    QVERIFY(t.load(QStringLiteral(":Veskor_ja_JP"), QCoreApplication::applicationDirPath()));
    QCOMPARE(t.language(), QString("ja_JP"));
    QCOMPARE(t.translate("Body", "Read File(s)"), QString::fromUtf8("ファイル読込"));
    QCOMPARE(t.translate("AMeasP", "A Meas Point"), QString::fromUtf8("測定点"));
}

// Every message of the interface is in the catalogue; those without a
// Japanese text give their source text.
void TestStartup::catalogueMessages_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("japanese");
    const char* table[][3] = {
        {"AMeasP", "0", "0"},
        {"AMeasP", "A Meas Point", "測定点"},
        {"AMeasP", "I0", "I0"},
        {"AMeasP", "ICRs", "ICRs"},
        {"AMeasP", "SCAs", "SCAs"},
        {"Body", "0", "0"},
        {"Body", "Clear", "クリア"},
        {"Body", "Veskor", "Veskor"},
        {"Body", "I0 Back Ground", "I0バックグラウンド"},
        {"Body", "Quit", "終了"},
        {"Body", "Read File(s)", "ファイル読込"},
        {"Body", "Save", "保存"},
        {"Body", "Tau0s (preAmp)", "τ0 (preAmp)"},
        {"Body", "Taus (Amp)", "τ (Amp)"},
        {"AMeasP", "%1, line %2", "%1、%2 行目"},
        {"Body", "Veskor — %1 of %2 points loaded", "Veskor — %2 点中 %1 点を読込"},
        {"PointSet", "Fitted over %1 points.", "%1 点でフィット。"},
    };
    for (const auto& m : table)
        QTest::addRow("%s: %s", m[0], m[1])
            << QString(m[0]) << QString::fromUtf8(m[1]) << QString::fromUtf8(m[2]);
}

void TestStartup::catalogueMessages()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, japanese);
    QTranslator t;
    QVERIFY(t.load(QStringLiteral(":Veskor_ja_JP")));
    QCOMPARE(t.translate(context.toUtf8(), source.toUtf8()), japanese);
}

VESKOR_GUI_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
