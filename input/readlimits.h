#pragma once

#include <QtGlobal>

// What one input file may cost to read, whatever it holds or claims. A
// dead-time scan has some thousand points of at most a few hundred
// channels; these bounds lie far above that and keep a file of anything
// (a pipe that never ends, a million empty lines, one line of millions of
// numbers) within a few hundred megabytes.

// The most bytes a text input is read in; a pipe or a device, whose size
// is not known beforehand, is read to this and no further.
constexpr qint64 maxTextBytes = qint64(256) << 20;

// The most points (rows) one file gives.
constexpr int maxFilePoints = 1 << 18;

// The reading budget of one file: the values its points may hold in all,
// I0 and two per channel (points x (1 + 2 channels)), and for a file of
// named columns everything read to make them.
constexpr qint64 maxReadValues = qint64(1) << 24;
