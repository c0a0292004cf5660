#pragma once

#include "input/columnsource.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

// HDF5 and NeXus scan files (the detector software of many beamlines writes
// them: Xspress-type detectors keep per-channel counters such as CHAN1SCA3 as
// 1-D datasets under entry/instrument/NDAttributes, others one 2-D dataset
// [point, channel]), read through the HDF5 C library as a ColumnSource.
//
// names() are the full paths (no leading '/') of every dataset in the file,
// in the library's name order of a walk of the file's hard links, each
// object once however many links lead to it; soft and external links are
// not followed and no other file is ever opened. The walk stops after
// maxHdf5Objects objects (with a warning); a file whose groups nest deeper
// than maxHdf5Depth, or that has more than maxHdf5Links links, is refused.
//
// read(name): a name with '/' is a full path (the leading '/' optional); a
// name without one is the last component of a path and must name exactly
// one dataset in the whole file (Failed, listing the paths, when it names
// several). Integer and floating-point datasets are read as doubles: rank 0
// a scalar, rank 1 one value per point, rank 2 [point, channel]. Failed,
// before anything is allocated, for other types, more dimensions, a
// dimension of 0, more than maxArrayValues values or than the source's
// budget() has left, more than maxPointChannels channels or maxHdf5Chunks
// chunks, data kept in other files, filters this library lacks or whose
// output cannot be bounded (every filter but deflate, shuffle, Fletcher-32,
// N-bit and scale-offset), and datasets that were never written. Before a
// compressed dataset is read, each stored chunk is checked in a small
// buffer: it may neither be stored in nor unpack to more than its own size
// (and a few bytes), so a dataset unpacks to no more than its chunks hold,
// and one file's reads together unpack at most maxHdf5UnpackedBytes; a
// chunk past a bound fails the read (Failed) at once.
//
// The HDF5 library prints nothing on stderr while these functions run; its
// calls are not made thread-safe here beyond what the library itself does.

// The most objects (groups, datasets, named types) a file's walk visits.
constexpr int maxHdf5Objects = 100000;
// How deep groups may nest below the root; a scan file has a few levels.
constexpr int maxHdf5Depth = 32;
// The most links (of every kind, each time it is met) a file's walk looks
// at.
constexpr int maxHdf5Links = 4 * maxHdf5Objects;
// The most chunks a chunked dataset's extent may cover: the library spends
// microseconds and kilobytes on each, written or not, and a scan of some
// thousand points needs far fewer.
constexpr int maxHdf5Chunks = 1 << 18;
// The most bytes the filters of one file may unpack, all reads together:
// as much as a text scan file may hold.
constexpr qint64 maxHdf5UnpackedBytes = qint64(256) << 20;

// True when head (the first bytes of a file; pass a few KB) holds the HDF5
// signature "\x89HDF\r\n\x1a\n" at offset 0, 512, 1024, 2048, ... (a user
// block may precede the HDF5 data).
bool looksLikeHdf5(const QByteArray& head);

// True when the file open in device holds the HDF5 signature at one of the
// offsets the library looks at: 0, 512, 1024, 2048, ... below its size.
// Reads 8 bytes at each (of a sequential device, its first few KB alone)
// and leaves the device where it was.
bool deviceLooksLikeHdf5(QIODevice& device);

// Opens the HDF5 file at path, read-only. nullptr, with error saying why,
// when it cannot be opened as HDF5.
std::unique_ptr<ColumnSource> openHdf5File(const QString& path, QString& error);

// Opens an HDF5 file image held in memory (a copy is made); name is what
// path() and the messages call it. nullptr, with error, as openHdf5File.
std::unique_ptr<ColumnSource> openHdf5Image(const QByteArray& bytes, const QString& name,
                                            QString& error);
