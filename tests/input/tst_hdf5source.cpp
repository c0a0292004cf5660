#include "hdf5write.h"
#include "input/hdf5source.h"
#include "input/scanfile.h"
#include "readertestutil.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <functional>
#include <limits>

using namespace veskor::test;

namespace {

using Build = std::function<bool(Hdf5Writer&)>;

Build datasets(const QVector<Hdf5Dataset>& list, const Hdf5Layout& layout = Hdf5Layout())
{
    return [list, layout](Hdf5Writer& w) {
        for (const Hdf5Dataset& d : list)
            if (!w.addDataset(d, layout))
                return false;
        return true;
    };
}

Build chunked(const Hdf5Dataset& d, const QVector<hsize_t>& chunk,
              const QVector<hsize_t>& maxDims = {}, bool deflate = false)
{
    Hdf5Layout layout;
    layout.kind = Hdf5Layout::Chunked;
    layout.chunk = chunk;
    layout.maxDims = maxDims;
    layout.deflate = deflate;
    return datasets({d}, layout);
}

Hdf5Layout deflated(const QVector<hsize_t>& chunk)
{
    Hdf5Layout layout;
    layout.kind = Hdf5Layout::Chunked;
    layout.chunk = chunk;
    layout.deflate = true;
    return layout;
}

Build bomb(int chunks, hsize_t chunkValues, quint64 inflatedBytes)
{
    return
        [=](Hdf5Writer& w) { return w.addDeflateBomb("bomb", chunks, chunkValues, inflatedBytes); };
}

// The path of a dataset below depth nested groups g/g/...
QString nestedPath(int depth, const QString& name)
{
    return QString("g/").repeated(depth) + name;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString ndAttributes = "entry/instrument/NDAttributes/";

} // namespace

Q_DECLARE_METATYPE(Build)

class TestHdf5Source : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void read_data();
    void read();
    void signature_data();
    void signature();
    void notHdf5_data();
    void notHdf5();
    void truncated();
    void imageReadsAsFile();
    void namesInOrderWithNestedGroups();
    void linksAreNotFollowed();
    void partlyWrittenWarns();
    void unpackedBytesBoundedPerFile();
    void nestingDepth_data();
    void nestingDepth();
    void hardLinkCycleWalkedOnce();
    void userBlock_data();
    void userBlock();
    void writeHdf5FileRefusesWrongCounts();

private:
    QTemporaryDir dir_;
    int files_ = 0;
    QString nextPath() { return dir_.filePath(QString("scan%1.h5").arg(++files_)); }
};

void TestHdf5Source::init()
{
    QVERIFY(dir_.isValid());
}

void TestHdf5Source::read_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("lookup");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("twoDimensional");
    QTest::addColumn<bool>("scalar");
    QTest::addColumn<QVector<double>>("values");
    // For Failed: what the error must say (besides the file's name).
    QTest::addColumn<QStringList>("errorParts");

    const int found = int(ColumnSource::Lookup::Found);
    const int missing = int(ColumnSource::Lookup::Missing);
    const int failed = int(ColumnSource::Lookup::Failed);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QString sca = ndAttributes + "CHAN1SCA3";
    using V = QVector<double>;

    QTest::newRow("1-D: one value per point")
        << datasets({{sca, {4}, {1.5, 2.5, 3.25, -4}}}) << sca << found << 4 << 1 << false << false
        << V{1.5, 2.5, 3.25, -4} << QStringList();
    QTest::newRow("1-D keeps NaN and infinities")
        << datasets({{sca, {3}, {nan, inf, -inf}}}) << sca << found << 3 << 1 << false << false
        << V{nan, inf, -inf} << QStringList();
    QTest::newRow("2-D: [point, channel], row-major")
        << datasets({{"entry/data/sca", {3, 2}, {1, 2, 3, 4, 5, 6}}}) << "entry/data/sca" << found
        << 3 << 2 << true << false << V{1, 2, 3, 4, 5, 6} << QStringList();
    QTest::newRow("2-D of one point")
        << datasets({{"entry/data/sca", {1, 3}, {7, 8, 9}}}) << "entry/data/sca" << found << 1 << 3
        << true << false << V{7, 8, 9} << QStringList();
    QTest::newRow("2-D of 1024 channels, the most")
        << datasets({{"icr", {2, 1024}, V(2048, 3.0)}}) << "icr" << found << 2 << 1024 << true
        << false << V(2048, 3.0) << QStringList();
    QTest::newRow("scalar") << datasets({{"entry/i0", {}, {42.5}}}) << "entry/i0" << found << 1
                            << 1 << false << true << V{42.5} << QStringList();
    QTest::newRow("compact layout")
        << datasets({{"c", {3}, {1, 2, 3}}}, Hdf5Layout{Hdf5Layout::Compact, {}, {}, false}) << "c"
        << found << 3 << 1 << false << false << V{1, 2, 3} << QStringList();
    QTest::newRow("chunked and deflated, written whole")
        << chunked({"z", {5, 2}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, {2, 2}, {}, true) << "z" << found
        << 5 << 2 << true << false << V{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << QStringList();
    // More chunks than one read of the library covers: read in slabs.
    V counting(6000);
    for (int i = 0; i < counting.size(); ++i)
        counting[i] = i;
    QTest::newRow("1-D of 6000 chunks, deflated")
        << datasets({{"s", {6000}, counting}}, deflated({1})) << "s" << found << 6000 << 1 << false
        << false << counting << QStringList();
    QTest::newRow("2-D of 2000 x 3 chunks")
        << chunked({"s", {2000, 3}, counting}, {1, 1}) << "s" << found << 2000 << 3 << true << false
        << counting << QStringList();
    Hdf5Layout checked = deflated({2, 2});
    checked.shuffle = true;
    checked.fletcher32 = true;
    QTest::newRow("shuffled, deflated and checksummed")
        << datasets({{"z", {5, 2}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}}, checked) << "z" << found << 5
        << 2 << true << false << V{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << QStringList();
    Hdf5Layout packed = deflated({2});
    packed.scaleOffset = true;
    QTest::newRow("scale-offset integers, deflated")
        << datasets({{"n", {5}, {-5, 0, 7, 1000, 123456}, H5T_STD_I32LE}}, packed) << "n" << found
        << 5 << 1 << false << false << V{-5, 0, 7, 1000, 123456} << QStringList();
    Hdf5Layout szip;
    szip.kind = Hdf5Layout::Chunked;
    szip.chunk = {8};
    szip.szip = true;
    QTest::newRow("szip, whose output is not bounded")
        << datasets({{"q", {8}, V(8, 2.0)}}, szip) << "q" << failed << 0 << 0 << false << false
        << V() << QStringList{"filter 4 (szip)", "cannot bound"};
    // Deflate streams of 64 MB of zeros in place of each chunk's values.
    QTest::newRow("deflate bomb: streams larger than their chunks")
        << bomb(3, 1024, quint64(64) << 20) << "bomb" << failed << 0 << 0 << false << false << V()
        << QStringList{"dataset 'bomb'", "is not read", "stored in", "more than the 8192",
                       "hostile"};
    QTest::newRow("deflate bomb: streams within their chunks")
        << bomb(3, 65536, quint64(64) << 20) << "bomb" << failed << 0 << 0 << false << false << V()
        << QStringList{"is not read", "unpacks to more than the 524288 bytes", "hostile"};

    // Whole numbers of every integer type arrive exactly, extremes included.
    const struct
    {
        const char* row;
        hid_t type;
        V values;
    } integers[] = {
        {"int8", H5T_STD_I8LE, {-128, 0, 127}},
        {"uint8", H5T_STD_U8LE, {0, 1, 255}},
        {"int16 big-endian", H5T_STD_I16BE, {-32768, 1000, 32767}},
        {"uint16", H5T_STD_U16LE, {0, 40000, 65535}},
        {"int32", H5T_STD_I32LE, {-2147483648.0, 123456789, 2147483647.0}},
        {"uint32", H5T_STD_U32LE, {0, 3000000000.0, 4294967295.0}},
        {"int64", H5T_STD_I64LE, {-9007199254740992.0, -1, 9007199254740992.0}},
        {"uint64", H5T_STD_U64LE, {0, 1e15, 9007199254740992.0}},
    };
    for (const auto& t : integers)
        QTest::newRow(qPrintable(QString("integer type converted exactly: ") + t.row))
            << datasets({{"counts", {3}, t.values, t.type}}) << "counts" << found << 3 << 1 << false
            << false << t.values << QStringList();
    QTest::newRow("float32 converted exactly")
        << datasets({{"f", {3}, {0.5, -1048576.5, 1e-3f}, H5T_IEEE_F32LE}}) << "f" << found << 3
        << 1 << false << false << V{0.5, -1048576.5, double(1e-3f)} << QStringList();

    // Names.
    const Build two = datasets({{sca, {2}, {1, 2}}, {"entry/other/ICR", {2}, {3, 4}}});
    QTest::newRow("full path") << two << "entry/other/ICR" << found << 2 << 1 << false << false
                               << V{3, 4} << QStringList();
    QTest::newRow("full path with leading /") << two << "/" + sca << found << 2 << 1 << false
                                              << false << V{1, 2} << QStringList();
    QTest::newRow("basename found once") << two << "CHAN1SCA3" << found << 2 << 1 << false
                                         << false << V{1, 2} << QStringList();
    QTest::newRow("basename found twice")
        << datasets({{"entry/a/I0", {2}, {1, 2}}, {"entry/b/I0", {2}, {3, 4}}}) << "I0" << failed
        << 0 << 0 << false << false << V()
        << QStringList{"'I0'", "2 datasets", "entry/a/I0", "entry/b/I0", "full path"};
    QTest::newRow("basename twice, one at the top")
        << datasets({{"I0", {2}, {1, 2}}, {"entry/I0", {2}, {3, 4}}}) << "I0" << failed << 0 << 0
        << false << false << V() << QStringList{"I0, entry/I0"};
    QTest::newRow("full path of a basename found twice")
        << datasets({{"entry/a/I0", {2}, {1, 2}}, {"entry/b/I0", {2}, {3, 4}}}) << "entry/b/I0"
        << found << 2 << 1 << false << false << V{3, 4} << QStringList();
    QTest::newRow("missing basename") << two << "CHAN2SCA3" << missing << 0 << 0 << false << false
                                      << V() << QStringList();
    QTest::newRow("missing full path") << two << "entry/ICR" << missing << 0 << 0 << false << false
                                       << V() << QStringList();
    QTest::newRow("a group is not a dataset")
        << two << "entry/other" << missing << 0 << 0 << false << false << V() << QStringList();
    QTest::newRow("a group's basename is not a dataset")
        << two << "NDAttributes" << missing << 0 << 0 << false << false << V() << QStringList();
    QTest::newRow("a path's tail is no full path")
        << two << "other/ICR" << missing << 0 << 0 << false << false << V() << QStringList();
    QTest::newRow("empty name") << two << "" << missing << 0 << 0 << false << false << V()
                                << QStringList();

    // Not numbers.
    QTest::newRow("fixed-length strings")
        << Build([](Hdf5Writer& w) { return w.addStrings("entry/title", {"scan 1", "Cu K"}); })
        << "title" << failed << 0 << 0 << false << false << V()
        << QStringList{"dataset 'entry/title'", "holds text, not numbers"};
    QTest::newRow("variable-length strings")
        << Build([](Hdf5Writer& w) { return w.addStrings("names", {"a", "bcd"}, true); })
        << "names" << failed << 0 << 0 << false << false << V()
        << QStringList{"dataset 'names'", "holds text, not numbers"};
    QTest::newRow("compound records")
        << Build([](Hdf5Writer& w) { return w.addCompound("records", 3); }) << "records" << failed
        << 0 << 0 << false << false << V() << QStringList{"compound", "not numbers"};

    // Shapes refused.
    QTest::newRow("rank 3") << datasets({{"cube", {2, 3, 4}, V(24, 1.0)}}) << "cube" << failed
                            << 0 << 0 << false << false << V()
                            << QStringList{"3 dimensions", "2 x 3 x 4"};
    QTest::newRow("zero points") << datasets({{"none", {0}, {}}}) << "none" << failed << 0 << 0
                                 << false << false << V() << QStringList{"empty", "shape 0"};
    QTest::newRow("zero channels") << datasets({{"none", {3, 0}, {}}}) << "none" << failed << 0
                                   << 0 << false << false << V()
                                   << QStringList{"empty", "shape 3 x 0"};
    QTest::newRow("1025 channels")
        << datasets({{"wide", {1, 1025}, V(1025, 1.0)}}) << "wide" << failed << 0 << 0 << false
        << false << V() << QStringList{"1025 channels", "more than 1024", "1 x 1025"};
    QTest::newRow("huge declared extent, nothing stored")
        << chunked({"huge", {hsize_t(1) << 40}, {}}, {1024}) << "huge" << failed << 0 << 0 << false
        << false << V() << QStringList{"too large", "1099511627776", "4194304"};
    QTest::newRow("huge 2-D extent of few channels")
        << chunked({"huge", {hsize_t(1) << 21, 4}, {}}, {64, 4}) << "huge" << failed << 0 << 0
        << false << false << V() << QStringList{"too large", "2097152 x 4"};
    QTest::newRow("huge unlimited extent")
        << chunked({"huge", {hsize_t(1) << 23}, {}}, {16}, {H5S_UNLIMITED}) << "huge" << failed
        << 0 << 0 << false << false << V() << QStringList{"too large", "8388608"};
    QTest::newRow("the most values, never written")
        << chunked({"big", {hsize_t(1) << 22}, {}}, {4096}) << "big" << failed << 0 << 0 << false
        << false << V() << QStringList{"holds no data"};
    QTest::newRow("more chunks than a dataset is read in")
        << chunked({"c", {(hsize_t(1) << 18) + 1}, {}}, {1}) << "c" << failed << 0 << 0 << false
        << false << V() << QStringList{"262145 chunks", "more than the 262144"};
    QTest::newRow("chunks too large to read")
        << chunked({"c", {4}, {}}, {hsize_t(1) << 23}, {H5S_UNLIMITED}) << "c" << failed << 0 << 0
        << false << false << V() << QStringList{"chunks too large"};
    QTest::newRow("values kept in another file")
        << Build([this](Hdf5Writer& w) { return w.addExternal("ext", 4, dir_.filePath("raw")); })
        << "ext" << failed << 0 << 0 << false << false << V() << QStringList{"other files"};
}

void TestHdf5Source::read()
{
    QFETCH(Build, build);
    QFETCH(QString, name);
    QFETCH(int, lookup);
    QFETCH(int, points);
    QFETCH(int, columns);
    QFETCH(bool, twoDimensional);
    QFETCH(bool, scalar);
    QFETCH(QVector<double>, values);
    QFETCH(QStringList, errorParts);

    const QString path = nextPath();
    {
        Hdf5Writer writer(path);
        QVERIFY2(build(writer), qPrintable(writer.error()));
        QVERIFY2(writer.close(), qPrintable(writer.error()));
    }
    // The file on disk, and its bytes in memory under another name.
    for (const bool image : {false, true}) {
        QString error;
        const QString label = image ? QString("memory.h5") : path;
        const std::unique_ptr<ColumnSource> source =
            image ? openHdf5Image(fileBytes(path), label, error) : openHdf5File(path, error);
        QVERIFY2(source, qPrintable(error));
        QCOMPARE(source->path(), label);
        QCOMPARE(source->formatName(), QString("HDF5"));
        QCOMPARE(source->line(0), qint64(0));

        NamedArray array;
        array.points = -1;
        QString readError;
        const ColumnSource::Lookup result = source->read(name, array, readError);
        QCOMPARE(int(result), lookup);
        if (result == ColumnSource::Lookup::Found) {
            QVERIFY2(readError.isEmpty(), qPrintable(readError));
            QCOMPARE(array.points, points);
            QCOMPARE(array.columns, columns);
            QCOMPARE(array.twoDimensional, twoDimensional);
            QCOMPARE(array.scalar, scalar);
            VESKOR_COMPARE_VALUES(array.values, values);
            QVERIFY(source->names().contains(name.mid(name.startsWith('/') ? 1 : 0)) ||
                    !name.contains('/'));
        } else if (result == ColumnSource::Lookup::Failed) {
            QCOMPARE(array.points, -1);
            QVERIFY2(readError.contains(label), qPrintable(readError));
            for (const QString& part : qAsConst(errorParts))
                QVERIFY2(readError.contains(part), qPrintable(readError + " lacks " + part));
        } else {
            QCOMPARE(array.points, -1);
            QVERIFY(!source->names().contains(name));
        }
        QVERIFY2(source->warnings().isEmpty(), qPrintable(source->warnings().join('\n')));
    }
}

void TestHdf5Source::signature_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("hdf5");
    const QByteArray sig("\x89HDF\r\n\x1a\n", 8);
    QTest::newRow("at 0") << sig + QByteArray(100, 'x') << true;
    QTest::newRow("exactly the signature") << sig << true;
    QTest::newRow("at 512") << QByteArray(512, '\0') + sig << true;
    QTest::newRow("at 1024") << QByteArray(1024, ' ') + sig << true;
    QTest::newRow("at 4096") << QByteArray(4096, ' ') + sig + "rest" << true;
    QTest::newRow("at 256") << QByteArray(256, ' ') + sig << false;
    QTest::newRow("at 513") << QByteArray(513, ' ') + sig << false;
    QTest::newRow("at 1536") << QByteArray(1536, ' ') + sig << false;
    QTest::newRow("cut short") << sig.left(7) << false;
    QTest::newRow("cut short at 512") << QByteArray(512, ' ') + sig.left(7) << false;
    QTest::newRow("one byte wrong") << QByteArray("\x89HDF\r\n\x1a\r", 8) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestHdf5Source::signature()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, hdf5);
    QCOMPARE(looksLikeHdf5(head), hdf5);
}

void TestHdf5Source::notHdf5_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text") << QByteArray("# I0 ICR SCA\n1 2 3\n") << "is not an HDF5 file";
    QTest::newRow("empty") << QByteArray() << "is not an HDF5 file";
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                         << "is not an HDF5 file";
    QTest::newRow("signature alone") << QByteArray("\x89HDF\r\n\x1a\n", 8) << "cannot read";
    QTest::newRow("signature and garbage")
        << QByteArray("\x89HDF\r\n\x1a\n", 8) + QByteArray(600, '\xff') << "cannot read";
}

void TestHdf5Source::notHdf5()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString path = nextPath();
    QVERIFY(writeBytes(path, bytes));
    QString error;
    QVERIFY(!openHdf5File(path, error));
    QVERIFY2(error.contains(path) && error.contains(expected), qPrintable(error));
    error.clear();
    QVERIFY(!openHdf5Image(bytes, "bytes.h5", error));
    QVERIFY2(error.contains("bytes.h5") && error.contains(expected), qPrintable(error));

    // Neither a missing file nor a folder.
    error.clear();
    QVERIFY(!openHdf5File(dir_.filePath("absent.h5"), error));
    QVERIFY2(error.contains("absent.h5"), qPrintable(error));
    error.clear();
    QVERIFY(!openHdf5File(dir_.path(), error));
    QVERIFY2(error.contains("folder"), qPrintable(error));
}

// Every cut of a file opens or fails cleanly; what opens reads each name as
// Found or Failed, never Missing, and never crashes.
void TestHdf5Source::truncated()
{
    Hdf5Writer writer;
    QVERIFY(writer.addDataset({ndAttributes + "CHAN1SCA3", {40}, QVector<double>(40, 2.0)}));
    QVERIFY(writer.addDataset({"entry/data/sca", {20, 4}, QVector<double>(80, 1.0)}));
    QVERIFY(writer.addStrings("entry/title", {"scan"}));
    const QByteArray bytes = writer.image();
    QVERIFY2(writer.close(), qPrintable(writer.error()));
    QVERIFY(bytes.size() > 2000);

    int opened = 0;
    int refused = 0;
    for (int cut = 8; cut < bytes.size(); cut += cut < 1000 ? 37 : 211) {
        const QByteArray part = bytes.left(cut);
        const QString path = nextPath();
        QVERIFY(writeBytes(path, part));
        QString error;
        for (const bool image : {false, true}) {
            const std::unique_ptr<ColumnSource> source =
                image ? openHdf5Image(part, "cut.h5", error) : openHdf5File(path, error);
            if (!source) {
                QVERIFY2(!error.isEmpty(), qPrintable(QString::number(cut)));
                ++refused;
                continue;
            }
            ++opened;
            const QStringList names = source->names();
            for (const QString& name : names) {
                NamedArray array;
                QString readError;
                const ColumnSource::Lookup result = source->read(name, array, readError);
                QVERIFY(result != ColumnSource::Lookup::Missing);
                if (result == ColumnSource::Lookup::Found)
                    QCOMPARE(array.values.size(), array.points * array.columns);
                else
                    QVERIFY(!readError.isEmpty());
            }
        }
    }
    // An HDF5 file keeps its superblock's end-of-file address: every cut
    // is refused at once.
    QVERIFY(refused > 0);
    QCOMPARE(opened, 0);
}

void TestHdf5Source::imageReadsAsFile()
{
    const QString path = nextPath();
    QVERIFY(writeHdf5File(path, {{"b/sca", {3, 2}, {1, 2, 3, 4, 5, 6}},
                                 {"a/icr", {3}, {7, 8, 9}, H5T_STD_U32LE},
                                 {"i0", {}, {0.25}}}));
    QString error;
    const auto file = openHdf5File(path, error);
    QVERIFY2(file, qPrintable(error));
    const auto image = openHdf5Image(fileBytes(path), "copy.h5", error);
    QVERIFY2(image, qPrintable(error));
    QCOMPARE(image->names(), file->names());
    QCOMPARE(file->names(), (QStringList{"a/icr", "b/sca", "i0"}));
    for (const QString& name : file->names()) {
        NamedArray a, b;
        QString ea, eb;
        QCOMPARE(int(file->read(name, a, ea)), int(ColumnSource::Lookup::Found));
        QCOMPARE(int(image->read(name, b, eb)), int(ColumnSource::Lookup::Found));
        QCOMPARE(a.points, b.points);
        QCOMPARE(a.columns, b.columns);
        QCOMPARE(a.scalar, b.scalar);
        QCOMPARE(a.twoDimensional, b.twoDimensional);
        VESKOR_COMPARE_VALUES(a.values, b.values);
    }
}

void TestHdf5Source::namesInOrderWithNestedGroups()
{
    // Created out of order, with empty groups and a name of odd characters.
    const QString odd = QString::fromUtf8("entry/µ-ch #1 (Å), a b");
    Hdf5Writer writer;
    QVERIFY(writer.addDataset({"z", {1}, {1}}));
    QVERIFY(writer.addDataset({"m/x/y/deep", {1}, {2}}));
    QVERIFY(writer.addGroup("empty/inner"));
    QVERIFY(writer.addDataset({"a/b2", {1}, {3}}));
    QVERIFY(writer.addDataset({"a/b/c", {1}, {4}}));
    QVERIFY(writer.addDataset({"a/a", {1}, {5}}));
    QVERIFY(writer.addDataset({odd, {1}, {6}}));
    QVERIFY(writer.addDataset({"B", {1}, {7}}));
    const QByteArray bytes = writer.image();
    QVERIFY2(writer.close(), qPrintable(writer.error()));

    // Depth first, each group's links in byte order of their names.
    const QStringList expected{"B", "a/a", "a/b/c", "a/b2", odd, "m/x/y/deep", "z"};
    for (int run = 0; run < 2; ++run) {
        QString error;
        const auto source = openHdf5Image(bytes, "names.h5", error);
        QVERIFY2(source, qPrintable(error));
        QCOMPARE(source->names(), expected);
        NamedArray array;
        QCOMPARE(int(source->read(odd, array, error)), int(ColumnSource::Lookup::Found));
        VESKOR_COMPARE_VALUES(array.values, QVector<double>{6});
        QCOMPARE(int(source->read(odd.mid(6), array, error)), int(ColumnSource::Lookup::Found));
        VESKOR_COMPARE_VALUES(array.values, QVector<double>{6});
    }
}

// Soft and external links are not walked: a name reached only through one
// is missing, and the other file is never opened.
void TestHdf5Source::linksAreNotFollowed()
{
    const QString other = nextPath();
    QVERIFY(writeHdf5File(other, {{"secret", {2}, {1, 2}}}));
    Hdf5Writer writer;
    QVERIFY(writer.addDataset({"data/sca", {2}, {3, 4}}));
    QVERIFY(writer.addSoftLink("links/soft", "/data/sca"));
    QVERIFY(writer.addSoftLink("links/dangling", "/nowhere"));
    QVERIFY(writer.addExternalLink("links/external", other, "/secret"));
    const QByteArray bytes = writer.image();
    QVERIFY2(writer.close(), qPrintable(writer.error()));

    QString error;
    const auto source = openHdf5Image(bytes, "links.h5", error);
    QVERIFY2(source, qPrintable(error));
    QCOMPARE(source->names(), QStringList{"data/sca"});
    for (const char* name : {"links/soft", "soft", "links/external", "external", "secret",
                             "links/dangling"}) {
        NamedArray array;
        QCOMPARE(int(source->read(name, array, error)), int(ColumnSource::Lookup::Missing));
    }
}

void TestHdf5Source::partlyWrittenWarns()
{
    // Compressed, the chunks never written are passed over by the check of
    // the stored ones.
    for (const bool deflate : {false, true}) {
        Hdf5Writer writer;
        Hdf5Layout layout;
        layout.kind = Hdf5Layout::Chunked;
        layout.chunk = {2};
        layout.deflate = deflate;
        QVERIFY(writer.addDataset({"scan/sca", {5}, {1, 2}}, layout));
        const QByteArray bytes = writer.image();
        QVERIFY2(writer.close(), qPrintable(writer.error()));
        QString error;
        const auto source = openHdf5Image(bytes, "part.h5", error);
        QVERIFY2(source, qPrintable(error));
        QVERIFY(source->warnings().isEmpty());
        NamedArray array;
        QCOMPARE(int(source->read("sca", array, error)), int(ColumnSource::Lookup::Found));
        VESKOR_COMPARE_VALUES(array.values, (QVector<double>{1, 2, 0, 0, 0}));
        QCOMPARE(source->warnings().size(), 1);
        QVERIFY2(source->warnings().first().contains("part.h5: dataset 'scan/sca' is only partly"),
                 qPrintable(source->warnings().first()));
    }
}

// Every read of a file counts against one budget: reads of 32 MB each fit
// it exactly eight times.
void TestHdf5Source::unpackedBytesBoundedPerFile()
{
    const hsize_t n = hsize_t(maxArrayValues);
    QCOMPARE(qint64(n * sizeof(double)) * 8, maxHdf5UnpackedBytes);
    Hdf5Writer writer;
    QVERIFY(writer.addDataset({"zeros", {n}, QVector<double>(int(n), 0.0)},
                              deflated({hsize_t(1) << 16})));
    const QByteArray bytes = writer.image();
    QVERIFY2(writer.close(), qPrintable(writer.error()));
    QVERIFY(bytes.size() < (1 << 20));

    QString error;
    const auto source = openHdf5Image(bytes, "zeros.h5", error);
    QVERIFY2(source, qPrintable(error));
    // The values a file's reads may give are bounded too, below this; here
    // the unpacked bytes alone are to stop the ninth read.
    source->setBudget(qint64(n) * 9);
    for (int read = 1; read <= 9; ++read) {
        NamedArray array;
        QString readError;
        const ColumnSource::Lookup result = source->read("zeros", array, readError);
        if (read <= 8) {
            QVERIFY2(result == ColumnSource::Lookup::Found, qPrintable(readError));
            QCOMPARE(array.values.size(), int(n));
        } else {
            QCOMPARE(int(result), int(ColumnSource::Lookup::Failed));
            QVERIFY2(readError.contains("compressed data of zeros.h5 unpack to more than 256 MB"),
                     qPrintable(readError));
        }
    }
}

void TestHdf5Source::nestingDepth_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("refused");
    QTest::newRow("32 groups deep, the most") << 32 << false;
    QTest::newRow("33 groups deep") << 33 << true;
}

void TestHdf5Source::nestingDepth()
{
    QFETCH(int, depth);
    QFETCH(bool, refused);
    Hdf5Writer writer;
    QVERIFY(writer.addDataset({"top", {1}, {1}}));
    QVERIFY(writer.addNestedGroups("g", depth));
    QVERIFY(writer.addDataset({nestedPath(depth, "sca"), {2}, {3, 4}}));
    const QByteArray bytes = writer.image();
    QVERIFY2(writer.close(), qPrintable(writer.error()));
    QString error;
    const auto source = openHdf5Image(bytes, "deep.h5", error);
    if (refused) {
        QVERIFY(!source);
        QVERIFY2(error.contains("deep.h5 is not read: its groups nest more than 32 deep"),
                 qPrintable(error));
    } else {
        QVERIFY2(source, qPrintable(error));
        QCOMPARE(source->names(), (QStringList{nestedPath(depth, "sca"), "top"}));
    }
}

// A group linked from inside itself and a group or dataset of two names are
// walked once, under the first name met.
void TestHdf5Source::hardLinkCycleWalkedOnce()
{
    Hdf5Writer writer;
    QVERIFY(writer.addDataset({"a/b/x", {2}, {1, 2}}));
    QVERIFY(writer.addHardLink("a/b/loop", "/a"));
    QVERIFY(writer.addHardLink("a/y", "/a/b/x"));
    QVERIFY(writer.addHardLink("c", "/a/b"));
    QVERIFY(writer.addHardLink("a/b/root", "/"));
    QVERIFY(writer.addDataset({"z", {1}, {3}}));
    const QByteArray bytes = writer.image();
    QVERIFY2(writer.close(), qPrintable(writer.error()));
    QString error;
    const auto source = openHdf5Image(bytes, "cycle.h5", error);
    QVERIFY2(source, qPrintable(error));
    QCOMPARE(source->names(), (QStringList{"a/b/x", "z"}));
    QVERIFY2(source->warnings().isEmpty(), qPrintable(source->warnings().join('\n')));
    NamedArray array;
    QCOMPARE(int(source->read("x", array, error)), int(ColumnSource::Lookup::Found));
    VESKOR_COMPARE_VALUES(array.values, (QVector<double>{1, 2}));
}

void TestHdf5Source::userBlock_data()
{
    QTest::addColumn<int>("userBlock");
    // Not HDF5: the signature after that many bytes of text.
    QTest::addColumn<int>("fakeAt");
    for (int size : {512, 1024, 4096, 8192, 65536, 1 << 20})
        QTest::newRow(qPrintable(QString("user block of %1 bytes").arg(size))) << size << -1;
    QTest::newRow("signature at 3072, no power of two") << 0 << 3072;
    QTest::newRow("signature at 256, below the first user block") << 0 << 256;
}

// Whatever precedes the HDF5 data, detection finds the signature where the
// library does, and the file reads.
void TestHdf5Source::userBlock()
{
    QFETCH(int, userBlock);
    QFETCH(int, fakeAt);
    const QString path = nextPath();
    if (fakeAt >= 0) {
        QVERIFY(writeBytes(path, QByteArray(fakeAt, ' ') + QByteArray("\x89HDF\r\n\x1a\n", 8) +
                                     QByteArray(8192, 'x')));
    } else {
        Hdf5Writer writer(path, hsize_t(userBlock));
        QVERIFY(writer.addDataset({"entry/sca", {3}, {1, 2, 3}}));
        QVERIFY2(writer.close(), qPrintable(writer.error()));
        QCOMPARE(fileBytes(path).indexOf("\x89HDF\r\n\x1a\n"), userBlock);
    }
    const bool hdf5 = fakeAt < 0;
    QCOMPARE(labelledFormatOf(path) == "HDF5", hdf5);
    QString error;
    const auto source = openHdf5File(path, error);
    QCOMPARE(bool(source), hdf5);
    if (!hdf5) {
        QVERIFY2(error.contains("is not an HDF5 file"), qPrintable(error));
        return;
    }
    NamedArray array;
    QCOMPARE(int(source->read("sca", array, error)), int(ColumnSource::Lookup::Found));
    VESKOR_COMPARE_VALUES(array.values, (QVector<double>{1, 2, 3}));
}

void TestHdf5Source::writeHdf5FileRefusesWrongCounts()
{
    QString error;
    QVERIFY(!writeHdf5File(nextPath(), {{"x", {3}, {1, 2}}}, &error));
    QVERIFY2(error.contains("2 values"), qPrintable(error));
    error.clear();
    QVERIFY(!writeHdf5File(dir_.filePath("no/such/folder.h5"), {{"x", {1}, {1}}}, &error));
    QVERIFY(!error.isEmpty());
}

VESKOR_CORE_TEST_MAIN(TestHdf5Source)
#include "tst_hdf5source.moc"
