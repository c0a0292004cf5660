// The Japanese catalogue covers the window: every text the sources hand to
// the translator has a finished translation, and the window in Japanese,
// holding a scan, shows no English sentence anywhere a user reads.

#include "app/startup.h"
#include "mainwindow/body.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

// context + '\n' + source -> translation, or "<unfinished>" for an entry
// without a finished one.
QMap<QString, QString> messages(const QString& tsPath)
{
    QMap<QString, QString> out;
    QFile file(tsPath);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished");
            const QString text = xml.readElementText();
            out[context + '\n' + source] =
                unfinished || text.isEmpty() ? QStringLiteral("<unfinished>") : text;
        }
    }
    return out;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return QStringLiteral("<failed> ") + QString::fromLocal8Bit(p.readAll());
    return QString::fromLocal8Bit(p.readAll());
}

// Every text a user reads in the window: labels, buttons, tabs, choices,
// the table's headers and cells, menus and tool tips.
QStringList shownTexts(Body& body)
{
    QStringList texts{body.windowTitle()};
    for (auto* w : body.findChildren<QWidget*>()) {
        texts << w->toolTip();
        if (auto* l = qobject_cast<QLabel*>(w))
            texts << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            texts << b->text();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                texts << c->itemText(i);
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                texts << t->tabText(i);
        for (QAction* a : w->actions())
            texts << a->text();
        if (auto* v = qobject_cast<QTableView*>(w)) {
            const QAbstractItemModel* m = v->model();
            for (int c = 0; c < m->columnCount(); ++c) {
                texts << m->headerData(c, Qt::Horizontal).toString()
                      << m->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
                for (int r = 0; r < m->rowCount(); ++r)
                    texts << m->index(r, c).data().toString()
                          << m->index(r, c).data(Qt::ToolTipRole).toString();
            }
        }
    }
    return texts;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySourceTextIsTranslated();
    void windowShowsNoEnglish();
};

void TestCatalogue::everySourceTextIsTranslated()
{
    const QDir source(QStringLiteral(VESKOR_SOURCE_DIR));
    const QString catalogue = source.filePath("app/Veskor_ja_JP.ts");
    QTemporaryDir dir;
    const QString extracted = dir.filePath("extracted.ts");
    QStringList args{"-silent", "-locations", "none", "-I", source.path()};
    for (const char* folder : {"app", "mainwindow", "input", "analysis", "plot"})
        args << source.filePath(folder);
    const QString out = run(QStringLiteral(VESKOR_LUPDATE), args + QStringList{"-ts", extracted});
    QVERIFY2(!out.startsWith("<failed>"), qPrintable(out));

    const QMap<QString, QString> wanted = messages(extracted);
    const QMap<QString, QString> have = messages(catalogue);
    QVERIFY(wanted.size() > 80);
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const QString found = have.value(it.key(), QStringLiteral("<missing>"));
        QVERIFY2(!found.startsWith('<'), qPrintable(it.key() + ": " + found));
    }

    const QString release =
        run(QStringLiteral(VESKOR_LRELEASE), {catalogue, "-qm", dir.filePath("ja.qm")});
    QVERIFY2(release.contains(" finished and 0 unfinished"), qPrintable(release));
    QVERIFY2(!release.contains("Ignored"), qPrintable(release));
}

void TestCatalogue::windowShowsNoEnglish()
{
    QTranslator translator;
    veskor::installLanguage(translator, veskor::Language::Japanese);
    QStringList files;
    const QDir scan(QStringLiteral(VESKOR_EXAMPLES_DIR) + "/scan");
    for (const QString& name : scan.entryList({"*.mca"}, QDir::Files, QDir::Name))
        files << scan.filePath(name);
    // Three points of the scan and a row with one count above its input, so
    // that warnings of several kinds show.
    QTemporaryDir dir;
    const QString odd = dir.filePath("odd.dat");
    QFile f(odd);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("# Channels : 4\n0 10 10 10 10 20 20 20 20\n");
    f.close();

    // A word of three or more small letters standing alone is English; the
    // file names are the user's.
    static const QRegularExpression english(QStringLiteral("\\b[a-z]{3,}\\b"));
    const QWidgetList before = QApplication::topLevelWidgets();
    {
        Body body;
        QFileDialog* read = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!before.contains(w) && w->objectName() == QLatin1String("readDialog"))
                read = qobject_cast<QFileDialog*>(w);
        QVERIFY(read);
        Q_EMIT read->filesSelected(files.mid(0, 3) + QStringList{odd});
        auto* choice = body.findChild<QComboBox*>("ModelChoice");
        for (int m = 0; m < choice->count(); ++m) {
            choice->setCurrentIndex(m);
            for (QString text : shownTexts(body)) {
                for (const QString& path : files + QStringList{odd})
                    text.remove(QDir::toNativeSeparators(path));
                QVERIFY2(!english.match(text).hasMatch(), qPrintable(text));
            }
        }
        // The dialog that asks for a scan file's columns.
        const QString csv = QStringLiteral(VESKOR_EXAMPLES_DIR) + "/formats/scan.csv";
        Q_EMIT read->filesSelected({csv});
        auto* mapping = body.findChild<QDialog*>("ColumnMappingDialog");
        QVERIFY(mapping && mapping->isVisible());
        QStringList texts{mapping->windowTitle()};
        for (auto* w : mapping->findChildren<QWidget*>()) {
            texts << w->toolTip();
            if (auto* l = qobject_cast<QLabel*>(w))
                texts << l->text();
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                texts << b->text();
        }
        for (QString text : qAsConst(texts)) {
            text.remove(QDir::toNativeSeparators(csv));
            QVERIFY2(!english.match(text).hasMatch(), qPrintable(text));
        }
        mapping->reject();
    }
    QCoreApplication::removeTranslator(&translator);
}

VESKOR_GUI_TEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
