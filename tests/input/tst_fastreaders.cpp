// The readers take plain lines apart on their bytes and convert plain
// numbers without the toolkit; they must come out exactly as the plain
// reference readers do (every line through a text stream, a regular
// expression and the toolkit's conversions), on every input.

#include "input/asciinumber.h"
#include "input/counttable.h"
#include "input/mcareading.h"
#include "input/referencereaders.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>

#include <cmath>
#include <cstring>
#include <random>

using namespace veskor::test;

namespace {

quint64 bitsOf(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

bool sameBits(const QVector<double>& a, const QVector<double>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (bitsOf(a[i]) != bitsOf(b[i]))
            return false;
    return true;
}

bool sameReading(const McaReading& a, const McaReading& b)
{
    return a.ok == b.ok && bitsOf(a.i0) == bitsOf(b.i0) && sameBits(a.icrs, b.icrs) &&
           sameBits(a.scas, b.scas) && sameBits(a.windowLow, b.windowLow) &&
           sameBits(a.windowHigh, b.windowHigh);
}

bool sameRows(const QVector<Point>& a, const QVector<Point>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (bitsOf(a[i].i0) != bitsOf(b[i].i0) || !sameBits(a[i].icrs, b[i].icrs) ||
            !sameBits(a[i].scas, b[i].scas))
            return false;
    return true;
}

template <typename Read> void readBuffer(const QByteArray& bytes, Read read)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    read(buffer);
}

// Both readers of both formats over bytes; the first difference, if any,
// with the bytes shown so the case can be kept as a test of its own.
QByteArray differenceOn(const QByteArray& bytes)
{
    McaReading fast, reference;
    readBuffer(bytes, [&](QIODevice& d) { readMcaDevice(fast, d); });
    readBuffer(bytes, [&](QIODevice& d) { referenceReadMcaDevice(reference, d); });
    if (!sameReading(fast, reference))
        return "MCA spectrum reading differs on " + bytes.toPercentEncoding(" #:.,+-");

    QVector<Point> fastRows, referenceRows;
    const auto into = [](QVector<Point>& rows) {
        return [&rows](double i0, const QVector<double>& icrs, const QVector<double>& scas) {
            rows.append({i0, icrs, scas});
        };
    };
    readBuffer(bytes, [&](QIODevice& d) { readCountTableDevice(d, into(fastRows)); });
    readBuffer(bytes, [&](QIODevice& d) { referenceReadCountTableDevice(d, into(referenceRows)); });
    if (!sameRows(fastRows, referenceRows))
        return "count table rows differ: " + describe(fastRows) + " vs " + describe(referenceRows) +
               " on " + bytes.toPercentEncoding(" #:.,+-");
    return QByteArray();
}

// Awkward pieces the generated files are made of. Among the numbers: a
// minus sign, an Arabic-Indic and a fullwidth digit, broken UTF-8, a NUL,
// an ASCII control and tokens long enough to be converted late. Among the
// separators: no-break, ideographic, line-separator, next-line and
// byte-order-mark characters.
// clang-format off
const QList<QByteArray> kNumbers = {
    "0", "-0", "+1", "1e5", "1E-3", ".5", "5.", "-.5", "100.0", "007", "inf", "-INF", "+inf",
    "nan", "NaN", "-nan", "0x10", "1,5", "1e", "e5", "-", "+", ".", "1e400", "-1e400", "1e-400",
    "-1e-400", "1e-310", "4.9e-324", "1.7976931348623157e308", "1.7976931348623159e308",
    "2147483647", "2147483648", "-2147483649", "99999999999999999999", "0.1", "9007199254740993",
    "123456789012345678901234567890", "1e+05", "--1", "1..2", "1e5.5", "\xe2\x88\x92" "5",
    "\xd9\xa3", "\xef\xbc\x95", "1\xc3\xa9", "\xff", "\xc3", "\xed\xa0\x80", "\xc0\xaf",
    QByteArray("1\0" "2", 3), "\x1c", QByteArray(70, '0') + "3", QByteArray(80, '9') + ".5e-3"};

const QList<QByteArray> kSeparators = {
    " ", " ", " ", "  ", "\t", " \t ", "\v", "\f", ",", ", ", " ,, ", "\xc2\xa0", "\xe3\x80\x80",
    "\xe2\x80\xa8", "\xc2\x85", "\xef\xbb\xbf", "\r", "\x1f"};
// clang-format on

const QList<QByteArray> kLineEnds = {"\n", "\n", "\n", "\r\n", "\r\r\n", "\n\r"};

class Generator
{
public:
    explicit Generator(quint32 seed) : random(seed) {}

    int below(int n) { return int(random() % quint32(n)); }
    bool oneIn(int n) { return below(n) == 0; }
    template <typename T> const T& pick(const QList<T>& list)
    {
        return list.at(below(list.size()));
    }

    QByteArray number(bool awkward)
    {
        if (awkward)
            return pick(kNumbers);
        switch (below(4)) {
        case 0:
            return QByteArray::number(below(30)); // bins inside the windows
        case 1:
            return QByteArray::number(int(random() % 2000000) - 1000000);
        case 2:
            return QByteArray::number((double(random()) - 2e9) / 1e3 * below(1000), 'g',
                                      1 + below(17));
        default:
            return QByteArray::number(double(random()) * std::pow(10.0, below(60) - 30), 'e',
                                      below(20));
        }
    }

    QByteArray separator(bool awkward) { return awkward ? pick(kSeparators) : QByteArray(" "); }

    QByteArray tokens(int count, int awkwardness)
    {
        QByteArray out;
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += separator(oneIn(awkwardness));
            out += number(oneIn(awkwardness));
        }
        return out;
    }

    QByteArray header(int channels, int awkwardness)
    {
        QByteArray out;
        const QList<QByteArray> i0Prefixes = {
            "# I0 : ", "# i0 : ", "#I0 : ", "# I0 :", "#\t I0  :  "};
        const QList<QByteArray> channelPrefixes = {
            "# MCA Ch Info : ", "# mca ch info : ", "# MCA Ch Info :", "#  MCA\tCh Info : "};
        out += (oneIn(awkwardness) ? pick(i0Prefixes) : i0Prefixes[0]) + number(oneIn(awkwardness));
        out += pick(kLineEnds);
        for (int ch = 0; ch < channels; ++ch) {
            out += oneIn(awkwardness) ? pick(channelPrefixes) : channelPrefixes[0];
            out += tokens(5 + (oneIn(awkwardness) ? below(3) : 0), awkwardness) + " ";
            const int low = below(20);
            out += number(oneIn(awkwardness)) + " " + QByteArray::number(low) + " " +
                   QByteArray::number(low + below(15)) + pick(kLineEnds);
        }
        return out;
    }

    // A file of the given awkwardness (one piece in that many is awkward):
    // MCA header lines, a channel-count line, comments and rows of about the
    // length either format needs, in any order.
    QByteArray file(int awkwardness)
    {
        QByteArray out;
        if (oneIn(awkwardness))
            out += pick(QList<QByteArray>{"\xef\xbb\xbf", "\xef\xbb\xbf\xef\xbb\xbf", "\r",
                                          "\r\xef\xbb\xbf", "\xef\xbb", " \xef\xbb\xbf", "\xff\xfe",
                                          "\xfe\xff", "\n", QByteArray("\0", 1)});
        const int channels = 1 + below(4);
        if (!oneIn(4))
            out += header(channels, awkwardness);
        if (oneIn(3))
            out += "# Channels :" + QByteArray(oneIn(2) ? " " : "") +
                   (oneIn(awkwardness) ? number(true) : QByteArray::number(below(4))) +
                   (oneIn(3) ? " # channels" : "") + pick(kLineEnds);
        const int lines = below(40);
        for (int i = 0; i < lines; ++i) {
            if (oneIn(8))
                out += pick(QList<QByteArray>{"# comment # more", "#", "", "   ", "# I0 : 5",
                                              "# Channels : 2"});
            else
                out += tokens(2 * channels + below(3), awkwardness) + (oneIn(6) ? " # note" : "") +
                       (oneIn(awkwardness) ? "," : "");
            out += i + 1 == lines && oneIn(3) ? QByteArray() : pick(kLineEnds);
        }
        return out;
    }

    // Bytes of every value, as the readers may meet in a binary file.
    QByteArray noise()
    {
        QByteArray out(below(400), '\0');
        for (char& c : out)
            c = oneIn(3) ? pick(QList<QByteArray>{"1", " ", "\n", "#", ":", ",", "."}).at(0)
                         : char(random());
        return out;
    }

private:
    std::mt19937 random;
};

} // namespace

class TestFastReaders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbers_data();
    void numbers();
    void fixtures();
    void generatedFiles_data();
    void generatedFiles();
    void pathReadsAsDevice();
    void filesLargerThanOneRead();
    void otherLocaleEncoding();
};

// The conversions themselves, against the toolkit's on every token of a
// family.
void TestFastReaders::numbers_data()
{
    QTest::addColumn<QByteArrayList>("tokens");
    // Every text of up to five characters over digits, point, exponent and
    // signs: each shape the plain-number path takes or refuses.
    QByteArrayList shortOnes{""};
    QByteArrayList shorter{""};
    for (int length = 1; length <= 5; ++length) {
        QByteArrayList longer;
        for (const QByteArray& s : qAsConst(shorter))
            for (char c : QByteArray("0159.eE+-"))
                longer << s + c;
        shortOnes << longer;
        shorter = longer;
    }
    QTest::newRow("every short text over 0159.eE+-") << shortOnes;

    std::mt19937 random(99);
    QByteArrayList decimals;
    for (int i = 0; i < 100000; ++i) {
        QByteArray t = random() % 4 == 0 ? "-" : "";
        const int digits = 1 + int(random() % 25);
        const int point = int(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point)
                t += '.';
            t += char('0' + random() % 10);
        }
        if (random() % 2)
            t += "e" + QByteArray::number(int(random() % 700) - 350);
        decimals << t;
    }
    QTest::newRow("random decimals up to 25 digits and exponents to 350") << decimals;

    QByteArrayList edges;
    for (const char* base :
         {"2.2250738585072014e-308", "2.2250738585072011e-308", "4.9406564584124654e-324",
          "2.4703282292062328e-324", "1.7976931348623157e308", "1.7976931348623158e308",
          "9007199254740992", "9007199254740993", "9007199254740995", "2147483647", "2147483648",
          "999999999", "1000000000", "-2147483648", "0.000000000000000000000000000001e-300"})
        edges << base << "-" + QByteArray(base) << "+" + QByteArray(base);
    QTest::newRow("edges of double and int") << edges;
}

void TestFastReaders::numbers()
{
    QFETCH(QByteArrayList, tokens);
    for (const QByteArray& t : tokens) {
        const QString text = QString::fromLatin1(t);
        const char* end = t.constData() + t.size();
        if (bitsOf(asciiToDouble(t.constData(), end)) != bitsOf(text.toDouble()))
            QFAIL(QByteArray("as a real: " + t).constData());
        if (asciiToInt(t.constData(), end) != text.toInt(nullptr, 10))
            QFAIL(QByteArray("as an integer: " + t).constData());
    }
}

void TestFastReaders::fixtures()
{
    const QDir data(QFINDTESTDATA("data"));
    const QStringList files = data.entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files) {
        const QByteArray difference = differenceOn(fileBytes(data.filePath(name)));
        QVERIFY2(difference.isEmpty(), QByteArray(name.toUtf8() + ": " + difference).constData());
    }
}

void TestFastReaders::generatedFiles_data()
{
    QTest::addColumn<int>("awkwardness");
    QTest::addColumn<bool>("noise");
    QTest::newRow("plain files") << 1000000 << false;
    QTest::newRow("an awkward piece in ten") << 10 << false;
    QTest::newRow("an awkward piece in three") << 3 << false;
    QTest::newRow("every piece awkward") << 1 << false;
    QTest::newRow("bytes of every value") << 1 << true;
}

void TestFastReaders::generatedFiles()
{
    QFETCH(int, awkwardness);
    QFETCH(bool, noise);
    Generator generate(quint32(awkwardness) * 7919u + noise);
    for (int i = 0; i < 600; ++i) {
        const QByteArray bytes = noise ? generate.noise() : generate.file(awkwardness);
        const QByteArray difference = differenceOn(bytes);
        QVERIFY2(difference.isEmpty(), difference.constData());
    }
}

// Through a path the file is opened and read as the device is.
void TestFastReaders::pathReadsAsDevice()
{
    QTemporaryDir dir;
    Generator generate(5);
    for (int i = 0; i < 50; ++i) {
        const QByteArray bytes = generate.file(3);
        const QString path = dir.filePath(QString::number(i));
        QVERIFY(writeFile(path, bytes));
        McaReading fast, reference;
        readMcaFile(fast, path);
        referenceReadMcaFile(reference, path);
        QVERIFY2(sameReading(fast, reference), bytes.toPercentEncoding().constData());
        QVector<Point> fastRows, referenceRows;
        readCountTableFile(path,
                           [&](double i0, const QVector<double>& a, const QVector<double>& b) {
                               fastRows.append({i0, a, b});
                           });
        referenceReadCountTableFile(
            path, [&](double i0, const QVector<double>& a, const QVector<double>& b) {
                referenceRows.append({i0, a, b});
            });
        QVERIFY2(sameRows(fastRows, referenceRows), bytes.toPercentEncoding().constData());
    }
}

// Lines cross the boundaries of the chunks the readers read, and a line
// longer than a chunk makes the buffer grow.
void TestFastReaders::filesLargerThanOneRead()
{
    Generator generate(8);
    QByteArray bytes;
    while (bytes.size() < 600 * 1024) {
        bytes += generate.file(20);
        if (generate.oneIn(50))
            bytes += QByteArray(100 * 1024, '5') + " 1 2\n";
    }
    const QByteArray difference = differenceOn(bytes);
    QVERIFY2(difference.isEmpty(), difference.left(2000).constData());
}

// Where the locale's encoding is not UTF-8, non-ASCII bytes mean other
// characters; the readers must follow it as the text stream does.
void TestFastReaders::otherLocaleEncoding()
{
    QTextCodec* const before = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    Generator generate(6);
    QByteArray difference;
    for (int i = 0; i < 200 && difference.isEmpty(); ++i)
        difference = differenceOn(generate.file(3));
    QTextCodec::setCodecForLocale(before);
    QVERIFY2(difference.isEmpty(), difference.constData());
}

VESKOR_CORE_TEST_MAIN(TestFastReaders)
#include "tst_fastreaders.moc"
