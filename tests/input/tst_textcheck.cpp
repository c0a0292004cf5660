#include "input/counttable.h"
#include "input/mcareading.h"
#include "input/textcheck.h"
#include "testsupport.h"

#include <QBuffer>

namespace {

// Each finding in a line of its own.
QStringList described(const QVector<TextFinding>& findings)
{
    QStringList out;
    for (const TextFinding& f : findings) {
        if (f.kind == TextFinding::Kind::NulCharacter)
            out << QStringLiteral("nul line %1").arg(f.line);
        else
            out << QStringLiteral("value line %1 column %2 \"%3\" more %4")
                       .arg(f.line)
                       .arg(f.column)
                       .arg(f.token)
                       .arg(f.moreLines);
    }
    return out;
}

// The rows the count table reader accepts in bytes, then what the check
// finds on them: "value line 3 column 2 \"abc\" more 0", "nul line 4".
QStringList checkTable(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QVector<CountTableRow> rows;
    readNumberedCountTableDevice(
        buffer, [&](qint64 line, double, const QVector<double>& icrs, const QVector<double>&) {
            rows.append({line, int(icrs.size())});
        });
    buffer.seek(0);
    return described(checkCountTableText(buffer, rows));
}

QStringList checkMca(const QByteArray& bytes)
{
    // The check is made on files the reader accepted.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    McaReading reading;
    readMcaDevice(reading, buffer);
    if (!reading.ok)
        return {"not accepted"};
    buffer.seek(0);
    return described(checkMcaText(buffer));
}

QByteArray nul()
{
    return QByteArray(1, '\0');
}

const QByteArray mcaHead = "# I0 : 152340\n"
                           "# MCA Ch Info : 1 0 0 0 0 48213.5 100 102\n"
                           "# MCA Ch Info : 2 0 0 0 0 47001 101 103\n";

} // namespace

class TestTextCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countTable_data();
    void countTable();
    void mcaSpectrum_data();
    void mcaSpectrum();
    void longLinesAreLeftAlone();
};

void TestTextCheck::countTable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("findings");

    QTest::newRow("plain numbers") << QByteArray("# Channels : 2\n1000 900 910 800 810\n"
                                                 "2e3, 1.6e3, 1.7e3, 1300, 1400 # a note\n")
                                   << QStringList{};
    QTest::newRow("CSV header row") << QByteArray("I0,ICR,SCA\n1000,900,800\n2000,1600,1300\n")
                                    << QStringList{"value line 1 column 1 \"I0\" more 0"};
    QTest::newRow("leading comma: an empty first value")
        << QByteArray(",1,2,3\n") << QStringList{"value line 1 column 1 \"\" more 0"};
    QTest::newRow("a unit after the SCA count")
        << QByteArray("1000 900 800cps\n")
        << QStringList{"value line 1 column 3 \"800cps\" more 0"};
    QTest::newRow("words beyond the row's values are not read")
        << QByteArray("1000 900 800 counts per second\n") << QStringList{};
    // Lines of three words or more are rows of one channel.
    QTest::newRow("a notes file")
        << QByteArray("Beam was unstable\n\nafter the refill the\nmonitor drifted\n")
        << QStringList{"value line 1 column 1 \"Beam\" more 1"};
    QTest::newRow("comment and channel lines are not rows")
        << QByteArray("# I0 ICR1 ICR2 SCA1 SCA2\n# Channels : 2\n1 2 3 4 5\n") << QStringList{};
    QTest::newRow("not a number, not infinite: those convert")
        << QByteArray("1000 nan inf\n") << QStringList{};
    QTest::newRow("binary bytes") << QByteArray("\x7f"
                                                "ELF \x01\x02 \x03\x04\n") +
                                         nul() + nul() + " \x05 \x06\n"
                                  << QStringList{"value line 1 column 1 \"\\x7fELF\" more 1",
                                                 "nul line 2"};
    QTest::newRow("a NUL character in a comment")
        << QByteArray("# written by") + nul() + " the DAQ\n1000 900 800\n"
        << QStringList{"nul line 1"};
    QTest::newRow("UTF-16 text has zero bytes but no NUL character") << QByteArray("\xff\xfe"
                                                                                   "1\x00"
                                                                                   "0\x00 \x00"
                                                                                   "9\x00 \x00"
                                                                                   "8\x00\n\x00",
                                                                                   16)
                                                                     << QStringList{};
}

void TestTextCheck::countTable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, findings);
    QCOMPARE(checkTable(bytes), findings);
}

void TestTextCheck::mcaSpectrum_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("findings");

    QTest::newRow("the worked example")
        << mcaHead + "99 0.99 4 0.99 5\n100 1.00 10 1.00 20\n101 1.01 11 1.01 21\n"
        << QStringList{};
    QTest::newRow("an ICR with its unit")
        << QByteArray("# I0 : 152340\n# MCA Ch Info : 1 0 0 0 0 48213.5cps 100 102\n"
                      "100 1.00 10\n")
        << QStringList{"value line 2 column 6 \"48213.5cps\" more 0"};
    QTest::newRow("a window bound written as a real")
        << QByteArray("# I0 : 152340\n# MCA Ch Info : 1 0 0 0 0 48213.5 100.0 102\n"
                      "100 1.00 10\n")
        << QStringList{"value line 2 column 7 \"100.0\" more 0"};
    QTest::newRow("a column header among the rows")
        << mcaHead + "bin E1 C1 E2 C2\n100 1.00 10 1.00 20\n"
        << QStringList{"value line 4 column 1 \"bin\" more 0"};
    QTest::newRow("a count in a window that did not convert")
        << mcaHead + "101 1.01 11 1.01 2l\n102 1.02 x 1.02 22\n"
        << QStringList{"value line 4 column 5 \"2l\" more 1"};
    QTest::newRow("outside every window nothing is read") << mcaHead + "50 0.50 junk 0.50 junk\n"
                                                          << QStringList{};
    QTest::newRow("a NUL character") << mcaHead + "100 1.00 10 1.00 20" + nul() + "\n"
                                     << QStringList{"nul line 4"};
}

void TestTextCheck::mcaSpectrum()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, findings);
    QCOMPARE(checkMca(bytes), findings);
}

// A row a reader takes apart on its bytes may go on for a long way; the
// check leaves such a line alone rather than build a string of it (which
// could take gigabytes), and goes on with the next.
void TestTextCheck::longLinesAreLeftAlone()
{
    QByteArray bytes = "1000 900 8oo ";
    bytes += QByteArray(3 << 20, 'x');
    bytes += "\nI0 ICR SCA\n";
    QCOMPARE(checkTable(bytes), QStringList{"value line 2 column 1 \"I0\" more 0"});
}

VESKOR_CORE_TEST_MAIN(TestTextCheck)
#include "tst_textcheck.moc"
