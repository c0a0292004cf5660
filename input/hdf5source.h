#pragma once

#include "input/columnsource.h"

#include <QByteArray>
#include <QString>

#include <memory>

// HDF5 and NeXus scan files (the detector software of many beamlines writes
// them: Xspress-type detectors keep per-channel counters such as CHAN1SCA3 as
// 1-D datasets under entry/instrument/NDAttributes, others one 2-D dataset
// [point, channel]), read through the HDF5 C library as a ColumnSource.
//
// names() are the full paths (no leading '/') of every dataset in the file,
// in the library's name order of a walk of the file's hard links; soft and
// external links are not followed and no other file is ever opened. The
// walk stops after maxHdf5Objects objects (with a warning).
//
// read(name): a name with '/' is a full path (the leading '/' optional); a
// name without one is the last component of a path and must name exactly
// one dataset in the whole file (Failed, listing the paths, when it names
// several). Integer and floating-point datasets are read as doubles: rank 0
// a scalar, rank 1 one value per point, rank 2 [point, channel]. Failed,
// before anything is allocated, for other types, more dimensions, a
// dimension of 0, more than maxArrayValues values or than the source's
// budget() has left, more than maxPointChannels channels, data kept in
// other files, filters this library lacks, and datasets that were never
// written.
//
// The HDF5 library prints nothing on stderr while these functions run; its
// calls are not made thread-safe here beyond what the library itself does.

// The most objects (groups, datasets, named types) a file's walk visits.
constexpr int maxHdf5Objects = 100000;

// True when head (the first bytes of a file; pass a few KB) holds the HDF5
// signature "\x89HDF\r\n\x1a\n" at offset 0, 512, 1024, 2048, ... (a user
// block may precede the HDF5 data).
bool looksLikeHdf5(const QByteArray& head);

// Opens the HDF5 file at path, read-only. nullptr, with error saying why,
// when it cannot be opened as HDF5.
std::unique_ptr<ColumnSource> openHdf5File(const QString& path, QString& error);

// Opens an HDF5 file image held in memory (a copy is made); name is what
// path() and the messages call it. nullptr, with error, as openHdf5File.
std::unique_ptr<ColumnSource> openHdf5Image(const QByteArray& bytes, const QString& name,
                                            QString& error);
