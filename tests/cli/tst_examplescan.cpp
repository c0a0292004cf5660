#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString examples = QStringLiteral(VESKOR_EXAMPLES_DIR);

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QStringList scanFiles(const QString& root)
{
    const QDir dir(root + "/scan");
    return dir.entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestExampleScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regeneratesByteForByte();
};

// The checked-in files are what the generator makes, so anyone can see how
// they came about and make them again.
void TestExampleScan::regeneratesByteForByte()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess gen;
    gen.start(QStringLiteral(VESKOR_EXAMPLE_GENERATOR), {dir.path()});
    QVERIFY(gen.waitForFinished(120000));
    QCOMPARE(gen.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gen.exitCode(), 0);

    const QStringList names = scanFiles(examples);
    QCOMPARE(names.size(), 12);
    QCOMPARE(scanFiles(dir.path()), names);
    for (const QString& name : names)
        QVERIFY2(contents(dir.path() + "/scan/" + name) == contents(examples + "/scan/" + name),
                 qPrintable(name));
    QCOMPARE(contents(dir.path() + "/scan-table.dat"), contents(examples + "/scan-table.dat"));
}

VESKOR_CORE_TEST_MAIN(TestExampleScan)
#include "tst_examplescan.moc"
