#include "hdf5source.h"

#include "input/channellimit.h"
#include "input/hdf5errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QVector>

#include <hdf5.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const char signature[] = "\x89HDF\r\n\x1a\n";
constexpr int signatureSize = 8;

// One identifier of the HDF5 library, closed when it goes.
class Hid
{
public:
    using Closer = herr_t (*)(hid_t);
    Hid() = default;
    Hid(hid_t id, Closer closer) : id_(id), closer_(closer) {}
    Hid(const Hid&) = delete;
    Hid& operator=(const Hid&) = delete;
    Hid(Hid&& other) noexcept : id_(std::exchange(other.id_, H5I_INVALID_HID)), closer_(other.closer_)
    {
    }
    Hid& operator=(Hid&& other) noexcept
    {
        if (this != &other) {
            reset();
            id_ = std::exchange(other.id_, H5I_INVALID_HID);
            closer_ = other.closer_;
        }
        return *this;
    }
    ~Hid() { reset(); }

    hid_t get() const { return id_; }
    bool valid() const { return id_ >= 0; }

private:
    void reset()
    {
        if (id_ >= 0 && closer_)
            closer_(id_);
        id_ = H5I_INVALID_HID;
    }

    hid_t id_ = H5I_INVALID_HID;
    Closer closer_ = nullptr;
};

herr_t innermostError(unsigned n, const H5E_error2_t* entry, void* data)
{
    // The walk starts at the innermost call: the most specific description.
    if (n == 0 && entry && entry->desc)
        *static_cast<QString*>(data) = QString::fromUtf8(entry->desc);
    return 0;
}

// What the library says went wrong, from its error stack (cleared after).
QString libraryReason()
{
    QString reason;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_DOWNWARD, &innermostError, &reason);
    H5Eclear2(H5E_DEFAULT);
    return reason.trimmed();
}

QString withReason(const QString& message)
{
    const QString reason = libraryReason();
    return reason.isEmpty() ? message : message + " (HDF5: " + reason + ")";
}

// Refuses every external link, should a traversal ever meet one.
herr_t refuseExternalLink(const char*, const char*, const char*, const char*, unsigned*, hid_t,
                          void*)
{
    return -1;
}

QString typeInWords(H5T_class_t typeClass)
{
    switch (typeClass) {
    case H5T_STRING:
        return "text";
    case H5T_COMPOUND:
        return "records of several fields (a compound type)";
    case H5T_ENUM:
        return "named values (an enumeration)";
    case H5T_REFERENCE:
        return "references to other objects";
    case H5T_BITFIELD:
        return "bit fields";
    case H5T_OPAQUE:
        return "opaque bytes";
    case H5T_ARRAY:
        return "an array in every element";
    case H5T_VLEN:
        return "sequences of varying length";
    case H5T_TIME:
        return "times";
    default:
        return "values of an unknown type";
    }
}

QString shape(const QVector<hsize_t>& dims)
{
    QString out;
    for (int i = 0; i < dims.size(); ++i)
        out += (i ? " x " : "") + QString::number(quint64(dims[i]));
    return out;
}

struct Entry
{
    QString path;
    QByteArray raw;
    QString base;
};

// HDF5 1.12 replaced object addresses by tokens (H5O_token_t) in the link
// and object infos, with new versions of the calls that hand them.
#if H5_VERSION_GE(1, 12, 0)
using LinkInfo = H5L_info2_t;
using ObjectInfo = H5O_info2_t;
QByteArray objectKey(const H5O_token_t& token)
{
    return QByteArray(reinterpret_cast<const char*>(&token), int(sizeof token));
}
QByteArray linkTarget(const LinkInfo& info)
{
    return objectKey(info.u.token);
}
QByteArray objectKey(const ObjectInfo& info)
{
    return objectKey(info.token);
}
herr_t rootInfo(hid_t file, ObjectInfo& info)
{
    return H5Oget_info3(file, &info, H5O_INFO_BASIC);
}
herr_t infoByName(hid_t group, const char* name, ObjectInfo& info)
{
    return H5Oget_info_by_name3(group, name, &info, H5O_INFO_BASIC, H5P_DEFAULT);
}
#else
using LinkInfo = H5L_info_t;
using ObjectInfo = H5O_info_t;
QByteArray addressKey(haddr_t address)
{
    return QByteArray(reinterpret_cast<const char*>(&address), int(sizeof address));
}
QByteArray linkTarget(const LinkInfo& info)
{
    return addressKey(info.u.address);
}
QByteArray objectKey(const ObjectInfo& info)
{
    return addressKey(info.addr);
}
herr_t rootInfo(hid_t file, ObjectInfo& info)
{
    return H5Oget_info2(file, &info, H5O_INFO_BASIC);
}
herr_t infoByName(hid_t group, const char* name, ObjectInfo& info)
{
    return H5Oget_info_by_name2(group, name, &info, H5O_INFO_BASIC, H5P_DEFAULT);
}
#endif

// A walk of the file's hard links, depth first, each group's links in the
// byte order of their names: what H5Ovisit does, but one group at a time,
// so that depth, links and objects are bounded as it goes (H5Ovisit of
// HDF5 1.10 spends time cubic in the depth of nested groups).
struct Walk
{
    QVector<Entry> entries;
    // Every object met, by its address: one reached by several links (a
    // shared group, a cycle back to a parent) is walked once.
    QSet<QByteArray> visited;
    int objects = 0;
    int links = 0;
    bool truncated = false;
    // Why the file is refused (too deep, too many links); empty otherwise.
    QString refusal;
    // A group's links could not be read.
    bool failed = false;

    void group(hid_t id, const QByteArray& prefix, int depth)
    {
        // The library gathers all of a large group's links before it hands
        // the first: a group of too many is refused unread.
        H5G_info_t info;
        if (H5Gget_info(id, &info) >= 0 && links + info.nlinks > hsize_t(maxHdf5Links)) {
            refusal = tooManyLinks();
            return;
        }
        Level level{this, prefix, depth};
        hsize_t index = 0;
#if H5_VERSION_GE(1, 12, 0)
        const herr_t status = H5Literate2(id, H5_INDEX_NAME, H5_ITER_INC, &index, &link, &level);
#else
        const herr_t status = H5Literate(id, H5_INDEX_NAME, H5_ITER_INC, &index, &link, &level);
#endif
        if (status < 0 && !stopped())
            failed = true;
    }

    bool stopped() const
    {
        return truncated || failed || !refusal.isEmpty();
    }

    static QString tooManyLinks()
    {
        return "it has more than " + QString::number(maxHdf5Links) + " links";
    }

private:
    struct Level
    {
        Walk* walk;
        QByteArray prefix;
        int depth;
    };

    static herr_t link(hid_t group, const char* name, const LinkInfo* info, void* data)
    {
        const Level& level = *static_cast<Level*>(data);
        Walk& walk = *level.walk;
        if (++walk.links > maxHdf5Links) {
            walk.refusal = tooManyLinks();
            return 1;
        }
        if (!info || !name || info->type != H5L_TYPE_HARD)
            return 0;
        if (walk.visited.contains(linkTarget(*info)))
            return 0;
        walk.visited.insert(linkTarget(*info));
        if (++walk.objects > maxHdf5Objects) {
            walk.truncated = true;
            return 1;
        }
        ObjectInfo object;
        if (infoByName(group, name, object) < 0)
            return -1;
        const QByteArray path = level.prefix + name;
        if (object.type == H5O_TYPE_DATASET) {
            Entry e;
            e.raw = path;
            e.path = QString::fromUtf8(path);
            const int slash = e.path.lastIndexOf('/');
            e.base = slash < 0 ? e.path : e.path.mid(slash + 1);
            walk.entries.append(e);
        } else if (object.type == H5O_TYPE_GROUP) {
            if (level.depth + 1 > maxHdf5Depth) {
                walk.refusal =
                    "its groups nest more than " + QString::number(maxHdf5Depth) + " deep";
                return 1;
            }
            Hid inner(H5Gopen2(group, name, H5P_DEFAULT), &H5Gclose);
            if (!inner.valid())
                return -1;
            walk.group(inner.get(), path + '/', level.depth + 1);
            if (walk.stopped())
                return 1;
        }
        return 0;
    }
};

// How a dataset's values are kept, as far as reading them costs.
struct Storage
{
    // Its filters in the order they were applied when it was written; only
    // chunked datasets have any.
    QVector<H5Z_filter_t> filters;
    bool filtered = false;
    // The chunk's shape, the size of one chunk unpacked, and how many
    // chunks the dataset's extent covers.
    QVector<hsize_t> chunk;
    quint64 chunkBytes = 0;
    quint64 chunks = 0;
};

// How many chunks one read of the library covers at most.
constexpr quint64 slabChunks = 4096;
// What a chunk may be stored in, or unpack to, beyond its size: the
// checksum or header a filter adds (Fletcher-32: 4 bytes, scale-offset: a
// few dozen).
constexpr quint64 chunkSlack = 256;

// Whether what filter unpacks is bounded by the chunk: deflate by the check
// of checkUnpacking, shuffle and Fletcher-32 by their input, N-bit and
// scale-offset by the count and size of elements their parameters declare
// (values 2 and 4, set for the chunk when it was written), which must not
// exceed the chunk's.
bool boundedFilter(H5Z_filter_t filter, const unsigned* values, size_t nValues, quint64 chunkBytes,
                   size_t typeSize)
{
    switch (filter) {
    case H5Z_FILTER_DEFLATE:
    case H5Z_FILTER_SHUFFLE:
    case H5Z_FILTER_FLETCHER32:
        return true;
    case H5Z_FILTER_NBIT:
    case H5Z_FILTER_SCALEOFFSET:
        return nValues >= 5 && values[4] > 0 && values[4] <= typeSize &&
               quint64(values[2]) * values[4] <= chunkBytes;
    default:
        return false;
    }
}

// How many bytes the zlib stream in bytes unpacks to, counted in a small
// buffer up to limit + 1 (past limit the count stops); -1 when it is no
// whole stream.
qint64 inflatedSize(const unsigned char* bytes, size_t size, quint64 limit)
{
    z_stream z{};
    z.next_in = const_cast<Bytef*>(bytes);
    z.avail_in = uInt(size);
    if (inflateInit(&z) != Z_OK)
        return -1;
    unsigned char scratch[1 << 14];
    int status = Z_OK;
    while (status == Z_OK && z.total_out <= limit) {
        z.next_out = scratch;
        z.avail_out = sizeof scratch;
        status = inflate(&z, Z_NO_FLUSH);
    }
    const quint64 produced = z.total_out;
    inflateEnd(&z);
    if (produced > limit)
        return qint64(limit) + 1;
    return status == Z_STREAM_END ? qint64(produced) : -1;
}

class Hdf5Source final : public ColumnSource
{
public:
    // A walk that must refuse the file leaves refusal set and no names.
    Hdf5Source(Hid file, const QString& path, QString& refusal)
        : file_(std::move(file)), path_(path)
    {
        Walk walk;
        ObjectInfo root;
        if (rootInfo(file_.get(), root) < 0) {
            walk.failed = true;
        } else {
            walk.visited.insert(objectKey(root));
            walk.objects = 1;
            walk.group(file_.get(), QByteArray(), 0);
        }
        if (!walk.refusal.isEmpty()) {
            refusal = path_ + " is not read: " + walk.refusal + " (a damaged or hostile file)";
            H5Eclear2(H5E_DEFAULT);
            return;
        }
        if (walk.truncated)
            warnings_ << path_ + ": only the first " + QString::number(maxHdf5Objects) +
                             " objects of the file were looked at";
        else if (walk.failed)
            warnings_ << withReason(path_ + ": the file's groups could not be read to their end; " +
                                    QString::number(walk.entries.size()) + " datasets found");
        H5Eclear2(H5E_DEFAULT);
        entries_ = walk.entries;
        for (int i = 0; i < entries_.size(); ++i) {
            names_ << entries_[i].path;
            byBase_[entries_[i].base].append(i);
            byPath_.insert(entries_[i].path, i);
        }
    }

    ~Hdf5Source() override
    {
        Hdf5QuietErrors quiet;
        file_ = Hid();
    }

    QString path() const override { return path_; }
    QString formatName() const override { return QStringLiteral("HDF5"); }
    QStringList names() const override { return names_; }
    qint64 line(int) const override { return 0; }
    QStringList warnings() const override { return warnings_; }

    Lookup read(const QString& name, NamedArray& array, QString& error) override
    {
        Hdf5QuietErrors quiet;
        QVector<int> matches;
        if (name.contains('/')) {
            QString full = name;
            while (full.startsWith('/'))
                full.remove(0, 1);
            for (int i = 0; i < entries_.size(); ++i)
                if (entries_[i].path == full)
                    matches.append(i);
        } else {
            matches = byBase_.value(name);
        }
        if (matches.isEmpty())
            return Lookup::Missing;
        if (matches.size() > 1) {
            QStringList paths;
            for (int i : qAsConst(matches))
                paths << entries_[i].path;
            error = "'" + name + "' names " + QString::number(matches.size()) + " datasets in " +
                    path_ + ": " + paths.join(", ") + "; give one of these full paths";
            return Lookup::Failed;
        }
        const Lookup result = readEntry(entries_[matches.first()], array, error);
        H5Eclear2(H5E_DEFAULT);
        return result;
    }

    NamedShape shapeOf(const QString& name) override
    {
        Hdf5QuietErrors quiet;
        const int found = byPath_.value(name, -1);
        const NamedShape out = found < 0 ? NamedShape{} : entryShape(entries_[found]);
        H5Eclear2(H5E_DEFAULT);
        return out;
    }

private:
    Lookup readEntry(const Entry& entry, NamedArray& array, QString& error)
    {
        const QString what = "dataset '" + entry.path + "' in " + path_;
        Hid access(H5Pcreate(H5P_DATASET_ACCESS), &H5Pclose);
        if (!access.valid() || H5Pset_elink_cb(access.get(), &refuseExternalLink, nullptr) < 0) {
            error = withReason("cannot prepare to read " + what);
            return Lookup::Failed;
        }
        Hid dataset(H5Dopen2(file_.get(), entry.raw.constData(), access.get()), &H5Dclose);
        if (!dataset.valid()) {
            error = withReason("cannot open " + what);
            return Lookup::Failed;
        }

        Hid type(H5Dget_type(dataset.get()), &H5Tclose);
        if (!type.valid()) {
            error = withReason("cannot read the type of " + what);
            return Lookup::Failed;
        }
        const H5T_class_t typeClass = H5Tget_class(type.get());
        if (typeClass != H5T_INTEGER && typeClass != H5T_FLOAT) {
            error = what + " holds " + typeInWords(typeClass) + ", not numbers";
            return Lookup::Failed;
        }

        Hid space(H5Dget_space(dataset.get()), &H5Sclose);
        if (!space.valid()) {
            error = withReason("cannot read the shape of " + what);
            return Lookup::Failed;
        }
        const H5S_class_t spaceClass = H5Sget_simple_extent_type(space.get());
        if (spaceClass == H5S_NULL) {
            error = what + " holds no values (an empty dataspace)";
            return Lookup::Failed;
        }
        if (spaceClass != H5S_SCALAR && spaceClass != H5S_SIMPLE) {
            error = withReason("cannot read the shape of " + what);
            return Lookup::Failed;
        }
        const int rank = spaceClass == H5S_SCALAR ? 0 : H5Sget_simple_extent_ndims(space.get());
        if (rank < 0 || rank > H5S_MAX_RANK) {
            error = withReason("cannot read the shape of " + what);
            return Lookup::Failed;
        }
        QVector<hsize_t> dims(rank);
        if (rank > 0 && H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr) != rank) {
            error = withReason("cannot read the shape of " + what);
            return Lookup::Failed;
        }
        if (rank > 2) {
            error = what + " has " + QString::number(rank) + " dimensions (" + shape(dims) +
                    "); a scan array has one (points) or two (points x channels)";
            return Lookup::Failed;
        }
        for (hsize_t d : qAsConst(dims))
            if (d == 0) {
                error = what + " is empty (shape " + shape(dims) + ")";
                return Lookup::Failed;
            }
        const hsize_t points = rank == 0 ? 1 : dims[0];
        const hsize_t columns = rank == 2 ? dims[1] : 1;
        if (columns > hsize_t(maxPointChannels)) {
            error = what + " has " + QString::number(quint64(columns)) + " channels (shape " +
                    shape(dims) + "), more than " + QString::number(maxPointChannels);
            return Lookup::Failed;
        }
        // columns <= 1024, so the product cannot overflow once points is
        // bounded as well.
        if (points > hsize_t(maxArrayValues) || points * columns > hsize_t(maxArrayValues)) {
            error = what + " is too large (shape " + shape(dims) + "); at most " +
                    QString::number(maxArrayValues) + " values are read";
            return Lookup::Failed;
        }

        Storage storage;
        const QString refused = checkStorage(dataset.get(), type.get(), dims, entry, what, storage);
        if (!refused.isEmpty()) {
            error = refused;
            return Lookup::Failed;
        }
        if (!spend(qint64(points * columns))) {
            error = overBudget(what);
            return Lookup::Failed;
        }

        if (storage.filtered) {
            const QString unpacked = checkUnpacking(dataset.get(), dims, storage, what);
            if (!unpacked.isEmpty()) {
                error = unpacked;
                return Lookup::Failed;
            }
        }

        QVector<double> values(int(points * columns));
        if (!readValues(dataset.get(), dims, storage, values.data())) {
            error = withReason("cannot read " + what);
            return Lookup::Failed;
        }
        array = NamedArray();
        array.points = int(points);
        array.columns = int(columns);
        array.twoDimensional = rank == 2;
        array.scalar = rank == 0;
        array.values = std::move(values);
        return Lookup::Found;
    }

    NamedShape entryShape(const Entry& entry)
    {
        Hid access(H5Pcreate(H5P_DATASET_ACCESS), &H5Pclose);
        if (!access.valid() || H5Pset_elink_cb(access.get(), &refuseExternalLink, nullptr) < 0)
            return {};
        Hid dataset(H5Dopen2(file_.get(), entry.raw.constData(), access.get()), &H5Dclose);
        if (!dataset.valid())
            return {};
        Hid type(H5Dget_type(dataset.get()), &H5Tclose);
        Hid space(H5Dget_space(dataset.get()), &H5Sclose);
        if (!type.valid() || !space.valid())
            return {};
        const int rank = H5Sget_simple_extent_ndims(space.get());
        hsize_t dims[H5S_MAX_RANK] = {};
        if (rank < 0 || rank > H5S_MAX_RANK ||
            (rank > 0 && H5Sget_simple_extent_dims(space.get(), dims, nullptr) != rank))
            return {};
        const H5T_class_t typeClass = H5Tget_class(type.get());
        NamedShape out;
        out.known = true;
        out.numbers = typeClass == H5T_INTEGER || typeClass == H5T_FLOAT;
        for (int d = 0; d < rank; ++d)
            out.dims.append(qint64(dims[d]));
        // A dataspace without values has no dimensions either.
        if (H5Sget_simple_extent_type(space.get()) == H5S_NULL)
            out.dims = {0};
        return out;
    }

    // Why the dataset's values cannot be read from this file alone, or
    // cannot be read at a bounded cost; empty when they can.
    QString checkStorage(hid_t dataset, hid_t type, const QVector<hsize_t>& dims,
                         const Entry& entry, const QString& what, Storage& storage)
    {
        Hid create(H5Dget_create_plist(dataset), &H5Pclose);
        if (!create.valid())
            return withReason("cannot read how " + what + " is stored");
        const H5D_layout_t layout = H5Pget_layout(create.get());
        if (layout == H5D_VIRTUAL)
            return what + " is a virtual dataset (made of other datasets or files), which is not read";
        if (layout != H5D_COMPACT && layout != H5D_CONTIGUOUS && layout != H5D_CHUNKED)
            return withReason("cannot read how " + what + " is stored");
        const int external = H5Pget_external_count(create.get());
        if (external != 0)
            return what + " keeps its values in other files, which are not read";

        hsize_t chunk[H5S_MAX_RANK] = {};
        int chunkRank = 0;
        if (layout == H5D_CHUNKED) {
            // A chunk is read (and uncompressed) whole: its size must stay
            // that of an array this reader accepts.
            chunkRank = H5Pget_chunk(create.get(), H5S_MAX_RANK, chunk);
            if (chunkRank != dims.size())
                return withReason("cannot read the chunks of " + what);
            const size_t typeSize = H5Tget_size(type);
            hsize_t bytes = typeSize == 0 ? 1 : typeSize;
            const hsize_t limit = hsize_t(maxArrayValues) * sizeof(double);
            for (int i = 0; i < chunkRank; ++i) {
                if (chunk[i] == 0 || chunk[i] > limit || bytes > limit / chunk[i]) {
                    bytes = limit + 1;
                    break;
                }
                bytes *= chunk[i];
            }
            if (bytes > limit)
                return what + " is stored in chunks too large to read (over " +
                       QString::number(quint64(limit)) + " bytes each)";
            storage.chunkBytes = bytes;
            storage.chunk = QVector<hsize_t>(chunk, chunk + chunkRank);
            storage.chunks = 1;
            for (int i = 0; i < chunkRank; ++i)
                storage.chunks *= (dims[i] + chunk[i] - 1) / chunk[i];
            // Each chunk costs the library time and memory whether it was
            // written or not.
            if (storage.chunks > quint64(maxHdf5Chunks))
                return what + " is stored in " + QString::number(storage.chunks) +
                       " chunks, more than the " + QString::number(maxHdf5Chunks) +
                       " a dataset is read in";
        }

        const int filters = H5Pget_nfilters(create.get());
        if (filters < 0)
            return withReason("cannot read the filters of " + what);
        for (int i = 0; i < filters; ++i) {
            unsigned flags = 0;
            unsigned values[16] = {};
            size_t nValues = sizeof values / sizeof values[0];
            char filterName[128] = {};
            unsigned config = 0;
            const H5Z_filter_t filter =
                H5Pget_filter2(create.get(), unsigned(i), &flags, &nValues, values,
                               sizeof filterName, filterName, &config);
            if (filter < 0)
                return withReason("cannot read the filters of " + what);
            QString named = QString::fromUtf8(filterName).trimmed();
            named = named.isEmpty() ? QString() : " (" + named + ")";
            const QString compressed =
                what + " is compressed with filter " + QString::number(filter) + named;
            // Checked before the library is asked for the filter: asking
            // loads a plugin of that number where one is installed.
            if (!boundedFilter(filter, values, nValues, storage.chunkBytes, H5Tget_size(type)))
                return compressed + ", whose output this reader cannot bound";
            if ((flags & H5Z_FLAG_OPTIONAL) == 0 && H5Zfilter_avail(filter) <= 0)
                return compressed + ", which this HDF5 library does not have";
            // Unpacking runs backwards: a deflate stream is checked before
            // N-bit or scale-offset unpack what it gave, and only once.
            if (filter == H5Z_FILTER_DEFLATE && storage.filters.contains(H5Z_FILTER_DEFLATE))
                return what + " is deflated twice over, which this reader does not unpack";
            if ((filter == H5Z_FILTER_NBIT || filter == H5Z_FILTER_SCALEOFFSET) &&
                storage.filters.contains(H5Z_FILTER_DEFLATE))
                return compressed + " after deflate, an order this reader does not unpack";
            storage.filters.append(filter);
        }
        storage.filtered = filters > 0;

        H5D_space_status_t status = H5D_SPACE_STATUS_ERROR;
        if (H5Dget_space_status(dataset, &status) < 0)
            return withReason("cannot read the storage of " + what);
        if (status == H5D_SPACE_STATUS_NOT_ALLOCATED)
            return what + " holds no data (none was ever written to it)";
        if (layout == H5D_CHUNKED && status == H5D_SPACE_STATUS_PART_ALLOCATED) {
            // Compressed chunks take less than the whole too: count them.
            // The dims are bounded by now, and so is the count.
            hsize_t expected = 1;
            for (int i = 0; i < chunkRank; ++i)
                expected *= (dims[i] + chunk[i] - 1) / chunk[i];
            hsize_t stored = 0;
            Hid space(H5Dget_space(dataset), &H5Sclose);
            if (!space.valid() || H5Dget_num_chunks(dataset, space.get(), &stored) < 0)
                return withReason("cannot read the chunks of " + what);
            if (stored < expected)
                warnings_ << path_ + ": dataset '" + entry.path + "' is only partly written (" +
                                 QString::number(quint64(stored)) + " of " +
                                 QString::number(quint64(expected)) +
                                 " chunks); what was not written reads as its fill value";
        }
        return QString();
    }

    // Why the dataset's stored chunks cannot be unpacked within bounds;
    // empty when they can. The library's deflate filter enlarges its output
    // for as long as a stream goes on, so that a chunk of kilobytes can
    // unpack to gigabytes, held at once: each chunk is read as stored and
    // its stream counted here first, in a small buffer. A chunk may neither
    // be stored in nor unpack to more than its size, and the file's reads
    // together unpack at most maxHdf5UnpackedBytes.
    QString checkUnpacking(hid_t dataset, const QVector<hsize_t>& dims, const Storage& storage,
                           const QString& what)
    {
        const QString hostile = " (a damaged or hostile file)";
        const quint64 limit = storage.chunkBytes + chunkSlack;
        const int rank = dims.size();
        QVector<hsize_t> grid(rank);
        for (int d = 0; d < rank; ++d)
            grid[d] = (dims[d] + storage.chunk[d] - 1) / storage.chunk[d];
        QVector<hsize_t> offset(rank, 0);
        std::vector<unsigned char> stored;
        quint64 unpacked = 0;
        hsize_t allocated = 0;
        Hid space(H5Dget_space(dataset), &H5Sclose);
        if (!space.valid() || H5Dget_num_chunks(dataset, space.get(), &allocated) < 0)
            return withReason("cannot read the chunks of " + what);
        hsize_t found = 0;
        for (quint64 n = 0; n < storage.chunks && found < allocated; ++n) {
            quint64 rest = n;
            for (int d = rank - 1; d >= 0; --d) {
                offset[d] = (rest % grid[d]) * storage.chunk[d];
                rest /= grid[d];
            }
            // A look-up in the chunk index (H5Dget_chunk_info_by_coord of
            // HDF5 1.10 walks the whole index for every chunk). It fails
            // for a chunk never written, which the fill value stands for:
            // the chunks it finds must come to the index's count.
            hsize_t size = 0;
            if (H5Dget_chunk_storage_size(dataset, offset.constData(), &size) < 0 || size == 0) {
                H5Eclear2(H5E_DEFAULT);
                continue;
            }
            ++found;
            if (size > limit)
                return what + " is not read: a chunk is stored in " + QString::number(size) +
                       " bytes, more than the " + QString::number(storage.chunkBytes) +
                       " it holds" + hostile;
            stored.resize(size_t(size));
            uint32_t mask = 0;
            if (H5Dread_chunk(dataset, H5P_DEFAULT, offset.constData(), &mask, stored.data()) < 0)
                return withReason("cannot read " + what);
            size_t length = stored.size();
            for (int i = storage.filters.size() - 1; i >= 0; --i) {
                // A filter that failed on a chunk when it was written is
                // skipped for that chunk (an optional one).
                if (mask & (1u << i))
                    continue;
                if (storage.filters[i] == H5Z_FILTER_FLETCHER32) {
                    length -= std::min<size_t>(length, 4);
                } else if (storage.filters[i] == H5Z_FILTER_DEFLATE) {
                    const quint64 budget = quint64(maxHdf5UnpackedBytes) - unpacked_ - unpacked;
                    const qint64 produced =
                        inflatedSize(stored.data(), length, std::min(limit, budget));
                    if (produced < 0)
                        return what + " is not read: a chunk's deflate stream is damaged";
                    if (quint64(produced) > limit)
                        return what + " is not read: a compressed chunk unpacks to more than the " +
                               QString::number(storage.chunkBytes) + " bytes it holds" + hostile;
                    if (quint64(produced) > budget)
                        return what + " is not read: the compressed data of " + path_ +
                               " unpack to more than " +
                               QString::number(maxHdf5UnpackedBytes >> 20) + " MB" + hostile;
                    unpacked += quint64(produced);
                    break;
                }
            }
        }
        if (found != allocated)
            return what + " is not read: its chunk index does not match its chunks" + hostile;
        unpacked_ += unpacked;
        return QString();
    }

    // Reads the dataset's values as doubles into out. The library keeps a
    // record of some KB for every chunk a read touches: a dataset of many
    // chunks is read a slab of rows at a time.
    static bool readValues(hid_t dataset, const QVector<hsize_t>& dims, const Storage& storage,
                           double* out)
    {
        if (storage.chunks <= slabChunks)
            return H5Dread(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, out) >= 0;
        const int rank = dims.size();
        const hsize_t width = rank == 2 ? dims[1] : 1;
        const hsize_t across = rank == 2 ? (dims[1] + storage.chunk[1] - 1) / storage.chunk[1] : 1;
        const hsize_t rows = storage.chunk[0] * std::max<hsize_t>(1, slabChunks / across);
        Hid file(H5Dget_space(dataset), &H5Sclose);
        if (!file.valid())
            return false;
        for (hsize_t first = 0; first < dims[0]; first += rows) {
            const hsize_t start[2] = {first, 0};
            const hsize_t count[2] = {std::min(rows, dims[0] - first), width};
            Hid memory(H5Screate_simple(rank, count, nullptr), &H5Sclose);
            if (!memory.valid() ||
                H5Sselect_hyperslab(file.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) <
                    0 ||
                H5Dread(dataset, H5T_NATIVE_DOUBLE, memory.get(), file.get(), H5P_DEFAULT,
                        out + first * width) < 0)
                return false;
        }
        return true;
    }

    Hid file_;
    QString path_;
    // What the filters of this file's reads have unpacked so far.
    quint64 unpacked_ = 0;
    QVector<Entry> entries_;
    QStringList names_;
    QHash<QString, QVector<int>> byBase_;
    QHash<QString, int> byPath_;
    QStringList warnings_;
};

QString notHdf5(const QString& name)
{
    return name + " is not an HDF5 file";
}

} // namespace

bool looksLikeHdf5(const QByteArray& head)
{
    for (qint64 offset = 0; offset + signatureSize <= head.size();
         offset = offset == 0 ? 512 : offset * 2)
        if (std::memcmp(head.constData() + offset, signature, signatureSize) == 0)
            return true;
    return false;
}

bool deviceLooksLikeHdf5(QIODevice& device)
{
    // What a sequential device holds beyond this is out of the library's
    // reach anyway: it opens only files it can seek in.
    if (device.isSequential())
        return looksLikeHdf5(device.peek(4096 + signatureSize));
    const qint64 start = device.pos();
    bool found = false;
    for (qint64 offset = 0; !found && offset + signatureSize <= device.size();
         offset = offset == 0 ? 512 : offset * 2)
        found = device.seek(offset) &&
                device.read(signatureSize) == QByteArray::fromRawData(signature, signatureSize);
    device.seek(start);
    return found;
}

std::unique_ptr<ColumnSource> openHdf5File(const QString& path, QString& error)
{
    Hdf5QuietErrors quiet;
    QFile probe(path);
    if (QFileInfo(path).isDir()) {
        error = "cannot open " + path + ": it is a folder";
        return nullptr;
    }
    if (!probe.open(QIODevice::ReadOnly)) {
        error = "cannot open " + path + ": " + probe.errorString();
        return nullptr;
    }
    // The library looks for its signature where this does: a file of
    // another kind is told at once.
    if (!deviceLooksLikeHdf5(probe)) {
        error = notHdf5(path);
        return nullptr;
    }
    probe.close();

    Hid access(H5Pcreate(H5P_FILE_ACCESS), &H5Pclose);
    if (!access.valid()) {
        error = withReason("cannot open " + path + " as HDF5");
        return nullptr;
    }
    H5Pset_fclose_degree(access.get(), H5F_CLOSE_STRONG);
    const QByteArray encoded = QFile::encodeName(path);
    Hid file(H5Fopen(encoded.constData(), H5F_ACC_RDONLY, access.get()), &H5Fclose);
    if (!file.valid()) {
        error = withReason("cannot read " + path + " as HDF5");
        return nullptr;
    }
    QString refusal;
    auto source = std::make_unique<Hdf5Source>(std::move(file), path, refusal);
    if (!refusal.isEmpty()) {
        error = refusal;
        return nullptr;
    }
    return source;
}

std::unique_ptr<ColumnSource> openHdf5Image(const QByteArray& bytes, const QString& name,
                                            QString& error)
{
    Hdf5QuietErrors quiet;
    // Without an image the core driver would open the file of that name.
    if (!looksLikeHdf5(bytes)) {
        error = notHdf5(name);
        return nullptr;
    }
    Hid access(H5Pcreate(H5P_FILE_ACCESS), &H5Pclose);
    if (!access.valid() || H5Pset_fapl_core(access.get(), 1 << 16, false) < 0 ||
        H5Pset_fclose_degree(access.get(), H5F_CLOSE_STRONG) < 0 ||
        H5Pset_file_image(access.get(), const_cast<char*>(bytes.constData()), size_t(bytes.size())) <
            0) {
        error = withReason("cannot open " + name + " as HDF5");
        return nullptr;
    }
    // The name only labels the image; no file of that name is opened.
    const QByteArray label = name.isEmpty() ? QByteArray("image.h5") : name.toUtf8();
    Hid file(H5Fopen(label.constData(), H5F_ACC_RDONLY, access.get()), &H5Fclose);
    if (!file.valid()) {
        error = withReason("cannot read " + name + " as HDF5");
        return nullptr;
    }
    QString refusal;
    auto source = std::make_unique<Hdf5Source>(std::move(file), name, refusal);
    if (!refusal.isEmpty()) {
        error = refusal;
        return nullptr;
    }
    return source;
}
