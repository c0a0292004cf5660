#pragma once

#include <QByteArray>
#include <QString>

// What the fuzzers demand of the code under any input, as plain functions so
// that the libFuzzer targets and the normal test suite (which replays the
// corpora and every input a fuzzer ever found) run the same checks. Each
// returns an empty string when the input passed, otherwise what was wrong.
// Crashes, leaks, undefined behaviour, time and memory are the sanitizers'
// and the fuzzer's business; these are the promises a sanitizer cannot see.
namespace veskor::fuzz {

// The MCA spectrum reader on the bytes as an in-memory device: its four
// vectors grow together, ok means I0 > 0 and a channel, the window bounds are
// whole numbers, the device is read to its end and left in its own text
// mode, and the channels found stay proportional to the input.
QString checkMcaReader(const QByteArray& bytes);

// The count table reader on the bytes: every row holds as many ICRs as SCA
// counts, at least one, the device is read to its end, and the values handed
// on stay proportional to the input.
QString checkCountTableReader(const QByteArray& bytes);

// The whole road of a file: the bytes loaded as the window loads a file
// (spectrum first, count table as the fallback) both from memory and from a
// file on disk with the same result, the set's channel count, the fit over
// two or more points, and both result files written into a temporary
// directory and read back: a results file of three CR LF lines with one value
// per channel, a configuration file of three LF lines with 19 columns, every
// number faithful to the fit's value to six significant digits.
QString checkLoadFitSave(const QByteArray& bytes);

// The labelled text readers (SPEC, XDI, XDAC, CSV) and the column mapping
// on the bytes: a file is read exactly when it is recognised, every name
// listed reads (or is refused for a reason), columns hold one value per row
// on rising lines, and a mapping of the first labels either gives points of
// one channel count, with no time at or below 0, or says why not; nothing
// holds more values than the input has bytes.
QString checkLabelledText(const QByteArray& bytes);

// The HDF5 reader on a file the bytes describe as a recipe (see checks.cpp:
// groups, datasets of ranks 0 to 4 and of any declared extent up to 2^40,
// numbers of every width, text and records, links, names repeated in other
// groups or of odd characters, and names to ask for), built in memory
// through the HDF5 library and opened as an image: the file opens, names()
// holds every dataset made once under one of its paths, each name in it
// reads as Found or Failed (never Missing), every name asked for reads
// Missing exactly when no dataset has it, Found arrays hold points * columns
// values, at most maxArrayValues and 1024 columns, and doubles written whole
// come back exactly.
QString checkHdf5Recipe(const QByteArray& bytes);

} // namespace veskor::fuzz
