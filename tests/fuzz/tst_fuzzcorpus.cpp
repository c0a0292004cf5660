#include "checks.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

namespace {

using Check = QString (*)(const QByteArray&);

const struct
{
    const char* target;
    Check check;
} targets[] = {
    {"mcareading", &veskor::fuzz::checkMcaReader},
    {"counttable", &veskor::fuzz::checkCountTableReader},
    {"loadfitsave", &veskor::fuzz::checkLoadFitSave},
    {"labelledtext", &veskor::fuzz::checkLabelledText},
    {"hdf5", &veskor::fuzz::checkHdf5Recipe},
};

} // namespace

Q_DECLARE_METATYPE(Check)

class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
};

// One row per file: the checked-in seeds of each fuzz target and the inputs
// that once failed it, kept under tests/fuzz/regressions/<target>/.
void TestFuzzCorpus::replay_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Check>("check");
    int seeds = 0;
    for (const auto& t : targets) {
        for (const QString root : {VESKOR_FUZZ_CORPUS, VESKOR_FUZZ_REGRESSIONS}) {
            const QDir dir(root + "/" + t.target);
            const QStringList files = dir.entryList(QDir::Files, QDir::Name);
            for (const QString& file : files) {
                const QString row = QString(t.target) + "/" + file;
                QTest::newRow(qPrintable(row)) << dir.filePath(file) << t.check;
                if (root == QLatin1String(VESKOR_FUZZ_CORPUS))
                    ++seeds;
            }
        }
    }
    // The seeds are found, or this test would pass having checked nothing.
    QVERIFY(seeds > 0);
}

void TestFuzzCorpus::replay()
{
    QFETCH(QString, path);
    QFETCH(Check, check);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString error = check(file.readAll());
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

VESKOR_CORE_TEST_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
