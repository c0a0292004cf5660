#pragma once

// Writes HDF5 files for the tests (and the HDF5 fuzz target's recipes)
// through the HDF5 C library. Header only. The library prints nothing on
// stderr while these run; failures come back as messages.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>

#include "input/hdf5errors.h"

#include <hdf5.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

// One dataset of writeHdf5File: dims empty for a scalar, values row-major
// (as many as the dims' product), written from doubles into fileType (the
// library converts; e.g. H5T_STD_I32LE for integers).
struct Hdf5Dataset
{
    QString path;
    QVector<hsize_t> dims;
    QVector<double> values;
    hid_t fileType = H5T_IEEE_F64LE;
};

// How Hdf5Writer::addDataset stores a dataset. Chunked: chunk (as many as
// the dims) gives the chunk's shape and maxDims (empty: the dims;
// H5S_UNLIMITED allowed) the most each dimension may grow to. A chunked
// dataset is written whole when values holds the dims' product, only its
// first chunk when values holds the chunk's product (the chunk no larger
// than the dims), not at all when values is empty: a dataset of any declared
// extent costs a few bytes.
struct Hdf5Layout
{
    enum Kind
    {
        Contiguous,
        Compact,
        Chunked,
    };
    Kind kind = Contiguous;
    QVector<hsize_t> chunk;
    QVector<hsize_t> maxDims;
    bool deflate = false;
    // What a chunk never written reads as, when set (the library's 0
    // otherwise).
    bool hasFill = false;
    double fill = 0.0;
    // Filters around deflate, in the order they run when writing:
    // scale-offset (integers, lossless) and shuffle before it, a Fletcher-32
    // checksum after it.
    bool scaleOffset = false;
    bool shuffle = false;
    bool fletcher32 = false;
    // szip in place of deflate.
    bool szip = false;
};

// An HDF5 file being written: on disk, or (path empty) in memory alone
// (the core driver without a backing store; image() hands its bytes).
// userBlock (0, or a power of two from 512) puts that many bytes before the
// HDF5 data, as other software may. Every add creates the groups its path
// needs. After the first failure every call fails and error() says what
// went wrong first.
class Hdf5Writer
{
public:
    explicit Hdf5Writer(const QString& path = QString(), hsize_t userBlock = 0)
    {
        Hdf5QuietErrors quiet;
        const hid_t access = H5Pcreate(H5P_FILE_ACCESS);
        if (path.isEmpty())
            H5Pset_fapl_core(access, 1 << 16, false);
        const hid_t creation = H5Pcreate(H5P_FILE_CREATE);
        if (userBlock > 0 && H5Pset_userblock(creation, userBlock) < 0)
            fail("cannot set a user block of " + QString::number(quint64(userBlock)) + " bytes");
        const QByteArray name = path.isEmpty() ? QByteArray("memory.h5") : QFile::encodeName(path);
        if (ok())
            file_ = H5Fcreate(name.constData(), H5F_ACC_TRUNC, creation, access);
        H5Pclose(creation);
        H5Pclose(access);
        if (file_ < 0)
            fail("cannot create " + (path.isEmpty() ? QString("a file in memory") : path));
    }
    Hdf5Writer(const Hdf5Writer&) = delete;
    Hdf5Writer& operator=(const Hdf5Writer&) = delete;
    ~Hdf5Writer() { close(); }

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    // Goes on after a failure (the fuzz recipes build whatever the library
    // accepts); false when the file itself could not be made.
    bool forgetError()
    {
        if (file_ >= 0)
            error_.clear();
        return file_ >= 0;
    }

    bool addGroup(const QString& path)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hid_t links = linkCreation();
        const hid_t group = H5Gcreate2(file_, path.toUtf8().constData(), links, H5P_DEFAULT,
                                       H5P_DEFAULT);
        H5Pclose(links);
        if (group < 0)
            return fail("cannot create group " + path);
        H5Gclose(group);
        return true;
    }

    bool addDataset(const Hdf5Dataset& d, const Hdf5Layout& layout = Hdf5Layout())
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hsize_t count = product(d.dims);
        const bool chunked = layout.kind == Hdf5Layout::Chunked;
        if (chunked && (layout.chunk.size() != d.dims.size() || d.dims.isEmpty()))
            return fail(d.path + ": a chunked dataset needs a chunk shape of its rank");
        if (!layout.maxDims.isEmpty() && layout.maxDims.size() != d.dims.size())
            return fail(d.path + ": maxDims of another rank");
        const hsize_t chunkCount = chunked ? product(layout.chunk) : 0;
        const bool whole = hsize_t(d.values.size()) == count;
        const bool firstChunk = !whole && chunked && hsize_t(d.values.size()) == chunkCount;
        if (!whole && !firstChunk && !(chunked && d.values.isEmpty()))
            return fail(d.path + ": " + QString::number(d.values.size()) +
                        " values for the shape");

        const hid_t space = d.dims.isEmpty()
                                ? H5Screate(H5S_SCALAR)
                                : H5Screate_simple(d.dims.size(), d.dims.constData(),
                                                   layout.maxDims.isEmpty()
                                                       ? nullptr
                                                       : layout.maxDims.constData());
        const hid_t create = H5Pcreate(H5P_DATASET_CREATE);
        // Without times in the object headers the same datasets give the
        // same bytes: checked-in files can be made again and compared.
        H5Pset_obj_track_times(create, false);
        makeParents(d.path);
        if (layout.kind == Hdf5Layout::Compact)
            H5Pset_layout(create, H5D_COMPACT);
        if (chunked) {
            H5Pset_chunk(create, layout.chunk.size(), layout.chunk.constData());
            if (layout.scaleOffset)
                H5Pset_scaleoffset(create, H5Z_SO_INT, H5Z_SO_INT_MINBITS_DEFAULT);
            if (layout.shuffle)
                H5Pset_shuffle(create);
            if (layout.deflate)
                H5Pset_deflate(create, 6);
            if (layout.szip)
                H5Pset_szip(create, H5_SZIP_NN_OPTION_MASK, 8);
            if (layout.fletcher32)
                H5Pset_fletcher32(create);
        }
        if (layout.hasFill)
            H5Pset_fill_value(create, H5T_NATIVE_DOUBLE, &layout.fill);
        const hid_t links = linkCreation();
        const hid_t dataset = space < 0 ? -1
                                        : H5Dcreate2(file_, d.path.toUtf8().constData(),
                                                     d.fileType, space, links, create, H5P_DEFAULT);
        H5Pclose(links);
        H5Pclose(create);
        bool written = dataset >= 0;
        if (written && whole && count > 0)
            written = H5Dwrite(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT,
                               d.values.constData()) >= 0;
        else if (written && firstChunk && chunkCount > 0) {
            const QVector<hsize_t> start(d.dims.size(), 0);
            const hid_t memory = H5Screate_simple(layout.chunk.size(), layout.chunk.constData(),
                                                  nullptr);
            written = H5Sselect_hyperslab(space, H5S_SELECT_SET, start.constData(), nullptr,
                                          layout.chunk.constData(), nullptr) >= 0 &&
                      H5Dwrite(dataset, H5T_NATIVE_DOUBLE, memory, space, H5P_DEFAULT,
                               d.values.constData()) >= 0;
            H5Sclose(memory);
        }
        if (dataset >= 0)
            H5Dclose(dataset);
        if (space >= 0)
            H5Sclose(space);
        // A failed add leaves no dataset behind.
        if (dataset >= 0 && !written)
            H5Ldelete(file_, d.path.toUtf8().constData(), H5P_DEFAULT);
        return written || fail("cannot write dataset " + d.path);
    }

    // A 1-D dataset of text: fixed-length strings as long as the longest,
    // or of variable length.
    bool addStrings(const QString& path, const QStringList& values, bool variable = false)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        QVector<QByteArray> utf8;
        size_t longest = 1;
        for (const QString& v : values) {
            utf8 << v.toUtf8();
            longest = qMax(longest, size_t(utf8.last().size()));
        }
        const hid_t type = H5Tcopy(H5T_C_S1);
        H5Tset_size(type, variable ? H5T_VARIABLE : longest);
        H5Tset_cset(type, H5T_CSET_UTF8);
        std::vector<const char*> pointers;
        QByteArray fixed(int(longest) * utf8.size(), '\0');
        for (int i = 0; i < utf8.size(); ++i) {
            pointers.push_back(utf8[i].constData());
            std::memcpy(fixed.data() + i * int(longest), utf8[i].constData(), size_t(utf8[i].size()));
        }
        const hsize_t n = hsize_t(values.size());
        const bool written =
            write(path, type, QVector<hsize_t>{n},
                  variable ? static_cast<const void*>(pointers.data()) : fixed.constData());
        H5Tclose(type);
        return written || fail("cannot write text dataset " + path);
    }

    // A 1-D dataset of n records {int count; double rate}.
    bool addCompound(const QString& path, int n)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        struct Record
        {
            int count;
            double rate;
        };
        std::vector<Record> records(size_t(qMax(n, 0)));
        for (int i = 0; i < n; ++i)
            records[size_t(i)] = {i, i * 0.5};
        const hid_t type = H5Tcreate(H5T_COMPOUND, sizeof(Record));
        H5Tinsert(type, "count", HOFFSET(Record, count), H5T_NATIVE_INT);
        H5Tinsert(type, "rate", HOFFSET(Record, rate), H5T_NATIVE_DOUBLE);
        const bool written = write(path, type, QVector<hsize_t>{hsize_t(n)}, records.data());
        H5Tclose(type);
        return written || fail("cannot write compound dataset " + path);
    }

    // A 1-D dataset of n doubles whose values are kept in rawFile (external
    // storage), written there as zeros by the library.
    bool addExternal(const QString& path, hsize_t n, const QString& rawFile)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hid_t create = H5Pcreate(H5P_DATASET_CREATE);
        H5Pset_external(create, QFile::encodeName(rawFile).constData(), 0,
                        n * sizeof(double));
        const hid_t space = H5Screate_simple(1, &n, nullptr);
        const hid_t links = linkCreation();
        const hid_t dataset = H5Dcreate2(file_, path.toUtf8().constData(), H5T_IEEE_F64LE, space,
                                         links, create, H5P_DEFAULT);
        H5Pclose(links);
        H5Pclose(create);
        H5Sclose(space);
        if (dataset < 0)
            return fail("cannot create external dataset " + path);
        H5Dclose(dataset);
        return true;
    }

    bool addSoftLink(const QString& path, const QString& target)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hid_t links = linkCreation();
        const bool made = H5Lcreate_soft(target.toUtf8().constData(), file_,
                                         path.toUtf8().constData(), links, H5P_DEFAULT) >= 0;
        H5Pclose(links);
        return made || fail("cannot create soft link " + path);
    }

    // A second name for the object at target.
    bool addHardLink(const QString& path, const QString& target)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hid_t links = linkCreation();
        const bool made = H5Lcreate_hard(file_, target.toUtf8().constData(), file_,
                                         path.toUtf8().constData(), links, H5P_DEFAULT) >= 0;
        H5Pclose(links);
        return made || fail("cannot create hard link " + path);
    }

    bool addExternalLink(const QString& path, const QString& file, const QString& object)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hid_t links = linkCreation();
        const bool made =
            H5Lcreate_external(QFile::encodeName(file).constData(), object.toUtf8().constData(),
                               file_, path.toUtf8().constData(), links, H5P_DEFAULT) >= 0;
        H5Pclose(links);
        return made || fail("cannot create external link " + path);
    }

    // A 1-D dataset of doubles in deflated chunks of chunkValues values whose
    // streams are written as they stand, bypassing the filter: each of the
    // chunks values' streams inflates to inflatedBytes zero bytes, far more
    // than the chunk holds. Made in pieces, so a bomb of gigabytes costs
    // kilobytes of memory here.
    bool addDeflateBomb(const QString& path, int chunks, hsize_t chunkValues, quint64 inflatedBytes)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const QByteArray stream = zerosDeflated(inflatedBytes);
        if (stream.isEmpty())
            return fail("cannot deflate the bomb's zeros");
        const hsize_t dims = chunkValues * hsize_t(chunks);
        const hid_t space = H5Screate_simple(1, &dims, nullptr);
        const hid_t create = H5Pcreate(H5P_DATASET_CREATE);
        H5Pset_obj_track_times(create, false);
        H5Pset_chunk(create, 1, &chunkValues);
        H5Pset_deflate(create, 9);
        const hid_t links = linkCreation();
        const hid_t dataset = H5Dcreate2(file_, path.toUtf8().constData(), H5T_IEEE_F64LE, space,
                                         links, create, H5P_DEFAULT);
        H5Pclose(links);
        H5Pclose(create);
        H5Sclose(space);
        bool written = dataset >= 0;
        for (int i = 0; written && i < chunks; ++i) {
            const hsize_t offset = hsize_t(i) * chunkValues;
            written = H5Dwrite_chunk(dataset, H5P_DEFAULT, 0, &offset, size_t(stream.size()),
                                     stream.constData()) >= 0;
        }
        if (dataset >= 0)
            H5Dclose(dataset);
        return written || fail("cannot write the deflate bomb " + path);
    }

    // depth groups, each inside the one before, below path ("g/g/g/..."),
    // without times: about a kilobyte each on disk.
    bool addNestedGroups(const QString& path, int depth)
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return false;
        const hid_t create = H5Pcreate(H5P_GROUP_CREATE);
        H5Pset_obj_track_times(create, false);
        hid_t parent = file_;
        bool made = true;
        // Each group is made inside its parent's handle: a path from the
        // root would cost the whole depth at every level.
        for (int i = 0; made && i < depth; ++i) {
            const hid_t group = H5Gcreate2(parent, i == 0 ? path.toUtf8().constData() : "g",
                                           H5P_DEFAULT, create, H5P_DEFAULT);
            made = group >= 0;
            if (parent != file_)
                H5Gclose(parent);
            parent = made ? group : file_;
        }
        if (parent != file_)
            H5Gclose(parent);
        H5Pclose(create);
        return made || fail("cannot nest groups below " + path);
    }

    // The file's bytes as they stand (flushed first).
    QByteArray image()
    {
        Hdf5QuietErrors quiet;
        if (!ok())
            return QByteArray();
        H5Fflush(file_, H5F_SCOPE_LOCAL);
        const ssize_t size = H5Fget_file_image(file_, nullptr, 0);
        if (size <= 0 || size > (ssize_t(1) << 30)) {
            fail("cannot get the file's image");
            return QByteArray();
        }
        QByteArray bytes(int(size), '\0');
        if (H5Fget_file_image(file_, bytes.data(), size_t(size)) != size) {
            fail("cannot get the file's image");
            return QByteArray();
        }
        return bytes;
    }

    // Closes the file; true when everything was written.
    bool close()
    {
        Hdf5QuietErrors quiet;
        if (file_ >= 0) {
            if (H5Fclose(file_) < 0)
                fail("cannot close the file");
            file_ = -1;
        }
        return ok();
    }

private:
    // A zlib stream of n zero bytes, deflated a megabyte at a time.
    static QByteArray zerosDeflated(quint64 n)
    {
        z_stream z{};
        if (deflateInit(&z, 9) != Z_OK)
            return QByteArray();
        const std::vector<unsigned char> zeros(1 << 20, 0);
        std::vector<unsigned char> out(1 << 16);
        QByteArray stream;
        int status = Z_OK;
        while (status == Z_OK) {
            const quint64 left = n - std::min<quint64>(n, z.total_in);
            if (z.avail_in == 0) {
                z.next_in = const_cast<unsigned char*>(zeros.data());
                z.avail_in = uInt(std::min<quint64>(left, zeros.size()));
            }
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            status = deflate(&z, left == z.avail_in ? Z_FINISH : Z_NO_FLUSH);
            stream.append(reinterpret_cast<const char*>(out.data()), int(out.size() - z.avail_out));
            if (status == Z_BUF_ERROR)
                status = Z_OK;
        }
        deflateEnd(&z);
        return status == Z_STREAM_END ? stream : QByteArray();
    }

    static hsize_t product(const QVector<hsize_t>& dims)
    {
        hsize_t n = 1;
        for (hsize_t d : dims)
            n *= d;
        return n;
    }

    // The groups above path that are not there yet, without times.
    void makeParents(const QString& path)
    {
        const QStringList parts = path.split('/', Qt::SkipEmptyParts);
        QString prefix;
        for (int i = 0; i + 1 < parts.size(); ++i) {
            prefix += (i == 0 && path.startsWith('/') ? "/" : "") + parts[i];
            const QByteArray name = prefix.toUtf8();
            if (H5Lexists(file_, name.constData(), H5P_DEFAULT) <= 0) {
                const hid_t create = H5Pcreate(H5P_GROUP_CREATE);
                H5Pset_obj_track_times(create, false);
                const hid_t group =
                    H5Gcreate2(file_, name.constData(), H5P_DEFAULT, create, H5P_DEFAULT);
                H5Pclose(create);
                if (group >= 0)
                    H5Gclose(group);
            }
            prefix += '/';
        }
    }

    static hid_t linkCreation()
    {
        const hid_t links = H5Pcreate(H5P_LINK_CREATE);
        H5Pset_create_intermediate_group(links, 1);
        H5Pset_char_encoding(links, H5T_CSET_UTF8);
        return links;
    }

    bool write(const QString& path, hid_t type, const QVector<hsize_t>& dims, const void* data)
    {
        const hid_t space = H5Screate_simple(dims.size(), dims.constData(), nullptr);
        const hid_t links = linkCreation();
        const hid_t dataset = H5Dcreate2(file_, path.toUtf8().constData(), type, space, links,
                                         H5P_DEFAULT, H5P_DEFAULT);
        H5Pclose(links);
        bool written = dataset >= 0;
        if (written && dims.value(0) > 0)
            written = H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, data) >= 0;
        if (dataset >= 0)
            H5Dclose(dataset);
        if (dataset >= 0 && !written)
            H5Ldelete(file_, path.toUtf8().constData(), H5P_DEFAULT);
        H5Sclose(space);
        return written;
    }

    bool fail(const QString& message)
    {
        if (error_.isEmpty())
            error_ = message;
        return false;
    }

    hid_t file_ = -1;
    QString error_;
};

// Writes a new file at path (groups created as needed); false with *error on
// failure.
inline bool writeHdf5File(const QString& path, const QVector<Hdf5Dataset>& datasets,
                          QString* error = nullptr)
{
    Hdf5Writer writer(path);
    for (const Hdf5Dataset& d : datasets)
        writer.addDataset(d);
    const bool ok = writer.close();
    if (!ok && error)
        *error = writer.error();
    return ok;
}
