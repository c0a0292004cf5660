#pragma once

#include "input/counttable.h"
#include "input/mcareading.h"

#include <QString>

class QIODevice;

// The two measurement file readers written as plainly as their rules read:
// every line through a text stream, simplified, split with a regular
// expression, every token converted as a string. They are slow, and they are
// not part of the program: the benchmark measures the real readers against
// them and the tests check that both give the very same results.

void referenceReadMcaFile(McaReading& reading, const QString& path);
void referenceReadMcaDevice(McaReading& reading, QIODevice& device);

void referenceReadCountTableFile(const QString& path, const PointSink& onRow);
void referenceReadCountTableDevice(QIODevice& device, const PointSink& onRow);
