#include "hdf5source.h"

#include "input/channellimit.h"
#include "input/hdf5errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QVector>

#include <hdf5.h>

#include <cstring>
#include <utility>

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

struct Walk
{
    QVector<Entry> entries;
    int objects = 0;
    bool truncated = false;
};

// HDF5 1.12 gave H5Ovisit a new object info (H5Ovisit3, H5O_info2_t); the
// type field is the same in both.
#if H5_VERSION_GE(1, 12, 0)
using ObjectInfo = H5O_info2_t;
#else
using ObjectInfo = H5O_info_t;
#endif

herr_t visitObject(hid_t, const char* name, const ObjectInfo* info, void* data)
{
    Walk& walk = *static_cast<Walk*>(data);
    if (++walk.objects > maxHdf5Objects) {
        walk.truncated = true;
        return 1;
    }
    if (info && info->type == H5O_TYPE_DATASET && name) {
        Entry e;
        e.raw = QByteArray(name);
        e.path = QString::fromUtf8(e.raw);
        const int slash = e.path.lastIndexOf('/');
        e.base = slash < 0 ? e.path : e.path.mid(slash + 1);
        walk.entries.append(e);
    }
    return 0;
}

class Hdf5Source final : public ColumnSource
{
public:
    Hdf5Source(Hid file, const QString& path) : file_(std::move(file)), path_(path)
    {
        Walk walk;
#if H5_VERSION_GE(1, 12, 0)
        const herr_t status = H5Ovisit3(file_.get(), H5_INDEX_NAME, H5_ITER_INC, &visitObject,
                                        &walk, H5O_INFO_BASIC);
#else
        const herr_t status = H5Ovisit2(file_.get(), H5_INDEX_NAME, H5_ITER_INC, &visitObject,
                                        &walk, H5O_INFO_BASIC);
#endif
        if (walk.truncated)
            warnings_ << path_ + ": only the first " + QString::number(maxHdf5Objects) +
                             " objects of the file were looked at";
        else if (status < 0)
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

        const QString storage = checkStorage(dataset.get(), type.get(), dims, entry, what);
        if (!storage.isEmpty()) {
            error = storage;
            return Lookup::Failed;
        }
        if (!spend(qint64(points * columns))) {
            error = overBudget(what);
            return Lookup::Failed;
        }

        QVector<double> values(int(points * columns));
        if (H5Dread(dataset.get(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT,
                    values.data()) < 0) {
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
    QString checkStorage(hid_t dataset, hid_t type, const QVector<hsize_t>& dims, const Entry& entry,
                         const QString& what)
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

        const int filters = H5Pget_nfilters(create.get());
        if (filters < 0)
            return withReason("cannot read the filters of " + what);
        for (int i = 0; i < filters; ++i) {
            unsigned flags = 0;
            size_t nValues = 0;
            char filterName[128] = {};
            unsigned config = 0;
            const H5Z_filter_t filter = H5Pget_filter2(create.get(), unsigned(i), &flags, &nValues,
                                                       nullptr, sizeof filterName, filterName,
                                                       &config);
            if (filter < 0)
                return withReason("cannot read the filters of " + what);
            if ((flags & H5Z_FLAG_OPTIONAL) == 0 && H5Zfilter_avail(filter) <= 0) {
                QString named = QString::fromUtf8(filterName).trimmed();
                named = named.isEmpty() ? QString() : " (" + named + ")";
                return what + " is compressed with filter " + QString::number(filter) + named +
                       ", which this HDF5 library does not have";
            }
        }

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
        }

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

    Hid file_;
    QString path_;
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
    // The library looks for its signature at 0, 512, 1024, ... up to the
    // file's end; the first 64 KB tell a file of another kind at once.
    const QByteArray head = probe.read(qint64(1) << 16);
    if (!looksLikeHdf5(head) && probe.size() <= head.size()) {
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
        error = withReason(looksLikeHdf5(head) ? "cannot read " + path + " as HDF5" : notHdf5(path));
        return nullptr;
    }
    return std::make_unique<Hdf5Source>(std::move(file), path);
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
    return std::make_unique<Hdf5Source>(std::move(file), name);
}
