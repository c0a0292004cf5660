#pragma once

#include "input/columnmapping.h"

#include <QString>
#include <QStringList>

// A column mapping guessed from a scan file's names, by the families of
// names that beamlines write:
//
//   I0      I0, IC0, Io (in any case)
//   counts  ICR{n} with OCR{n}, SCA{n} or ROI{n}; Iffast{n} with Ifslow{n}
//           or Ifch{n} (XDAC); CHAN{n}SCA3 (all events) with CHAN{n}SCA4
//           (all good), SCA5 or SCA6 (windows), and the per-channel names
//           all_event with all_good (Xspress-type read-outs);
//           InputCountRate with OutputCountRate (rates: no time)
//   time    Seconds, sec, IntTime, Time, count_time, AcquireTime; else the
//           Xspress-type clock CHAN1SCA0, which counts ticks
//
// In each list the first that the file has wins; the output counts that
// take every event come before the windows, since they follow the
// dead-time curve. Spelling may vary in case and by a "_" before the
// channel number (ICR_{n}); the channel number is that of the name of
// channel 1. A name without a number stands for a 2-D dataset [point,
// channel] (ICR with SCA). A name the file holds more than once is never
// guessed, nor is an HDF5 dataset whose last name is not unique.
struct MappingGuess
{
    // Empty where nothing was found.
    ColumnMapping mapping;
    // The time is a clock that counts ticks, not seconds: the constants
    // come out in ticks.
    bool timeInTicks = false;
    // The counts are rates already, so no time is guessed.
    bool rates = false;
};

// names: a file's column labels or, with paths, its HDF5 dataset paths,
// which the mapping names by their last component.
MappingGuess guessMapping(const QStringList& names, bool paths);

// Whether a time name is the clock of an Xspress-type read-out (CHAN1SCA0,
// clock_ticks), which counts ticks of 12.5 ns rather than seconds.
bool countsClockTicks(const QString& time);

// What a user may choose among for a mapping: every name as a mapping uses
// it (an HDF5 dataset by its last name when that is found once, else by its
// path), and the channel names with {n} that they make.
struct MappingChoices
{
    QStringList names;
    QStringList channelNames;
};

MappingChoices mappingChoices(const QStringList& names, bool paths);
