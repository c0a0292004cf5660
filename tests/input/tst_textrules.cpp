#include "input/textrules.h"
#include "testsupport.h"

#include <QRegExp>

class TestTextRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void prefix_data();
    void prefix();
    void cuts_data();
    void cuts();
    void tokens_data();
    void tokens();
    void tokenCountStopsAtLimit();
};

void TestTextRules::prefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<bool>("expected");

    QTest::newRow("exact") << "# I0 : 5"
                           << "# I0 : " << true << true;
    QTest::newRow("lower case, ignoring case") << "# i0 : 5"
                                               << "# I0 : " << true << true;
    QTest::newRow("lower case, case counts") << "# i0 : 5"
                                             << "# I0 : " << false << false;
    QTest::newRow("no blank after the colon") << "# I0 :152340"
                                              << "# I0 : " << true << false;
    QTest::newRow("no blank after the hash") << "#I0 : 5"
                                             << "# I0 : " << true << false;
    QTest::newRow("text is the prefix") << "# I0 : "
                                        << "# I0 : " << true << true;
    QTest::newRow("text shorter than prefix") << "# I0 :"
                                              << "# I0 : " << true << false;
    QTest::newRow("empty text") << ""
                                << "# I0 : " << true << false;
    QTest::newRow("empty prefix") << "abc"
                                  << "" << true << true;
    QTest::newRow("channel count, no blank after colon") << "# Channels :2"
                                                         << "# Channels :" << true << true;
    QTest::newRow("channel line in upper case") << "# MCA CH INFO : 1"
                                                << "# MCA Ch Info : " << true << true;
    // Upper-casing maps the dotless i to I, so such a line matches as well.
    QTest::newRow("dotless i upper-cases to I") << QString::fromUtf8("# \u0131") + "0 : 5"
                                                << "# I0 : " << true << true;
}

void TestTextRules::prefix()
{
    QFETCH(QString, text);
    QFETCH(QString, prefix);
    QFETCH(bool, ignoreCase);
    QFETCH(bool, expected);
    QCOMPARE(hasPrefix(text, prefix, ignoreCase), expected);
}

void TestTextRules::cuts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("after4"); // textAfter with a 4-character prefix

    QTest::newRow("no hash") << "1 2 3"
                             << "1 2 3"
                             << "1 2 3"
                             << "3";
    QTest::newRow("one hash") << "1 2 # c"
                              << "1 2 "
                              << "1 2 # c"
                              << "# c";
    QTest::newRow("two hashes") << "# Channels : 2 # two"
                                << ""
                                << "# Channels : 2 "
                                << "annels : 2 # two";
    QTest::newRow("three hashes") << "a#b#c#d"
                                  << "a"
                                  << "a#b"
                                  << "c#d";
    QTest::newRow("adjacent hashes") << "##x"
                                     << ""
                                     << "#"
                                     << "";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "";
}

void TestTextRules::cuts()
{
    QFETCH(QString, text);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, after4);
    QCOMPARE(cutAtFirst(text, QLatin1Char('#')), first);
    QCOMPARE(cutAtSecond(text, QLatin1Char('#')), second);
    QCOMPARE(textAfter(text, QStringLiteral("# Ch")), after4);
}

void TestTextRules::tokens_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("one token") << "152340";
    QTest::newRow("simplified row") << "100 1.00 10 1.00 20";
    QTest::newRow("leading separator") << " 1 2 3";
    QTest::newRow("trailing separator") << "1000 500 ";
    QTest::newRow("only blanks") << "   ";
    QTest::newRow("runs of blanks from commas") << "2000  990  1005";
    QTest::newRow("tabs, CR and form feed") << "a\tb\r\nc\fd\ve";
    QTest::newRow("no-break and ideographic space") << QString::fromUtf8("1\u00a02\u30003\u20284");
    QTest::newRow("format characters are not space") << QString::fromUtf8("\ufeff1 \u200b2");
}

// The reference is the split the file grammar is written in: at every run
// of "\s", empty parts kept.
void TestTextRules::tokens()
{
    QFETCH(QString, text);
    const QStringList expected = text.split(QRegExp("\\s+"), Qt::KeepEmptyParts);

    QStringList walked;
    for (TokenCursor cursor(text); !cursor.atEnd();)
        walked << cursor.next().toString();
    QCOMPARE(walked, expected);
    QCOMPARE(countTokens(text, 1000), qint64(expected.size()));
}

void TestTextRules::tokenCountStopsAtLimit()
{
    const QString text = QStringLiteral("a b c d e");
    QCOMPARE(countTokens(text, 3), qint64(3));
    QCOMPARE(countTokens(text, 5), qint64(5));
    QCOMPARE(countTokens(text, 6), qint64(5));
    QCOMPARE(countTokens(text, 0), qint64(0));
    // A limit beyond any int: the count is the true one.
    QCOMPARE(countTokens(text, 2 * qint64(2147483647) + 1), qint64(5));
}

VESKOR_CORE_TEST_MAIN(TestTextRules)
#include "tst_textrules.moc"
