#pragma once

#include "input/columnsource.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Which columns (or datasets) of a scan file give a point's values. The
// ICR and SCA names may hold "{n}" for the channel number from 1: channels
// are taken while the name exists. Without "{n}", a 2-D dataset [point,
// channel] gives every channel, anything else one.
struct ColumnMapping
{
    QString i0;
    QString icr;
    QString sca;
    // When set, each count (I0, ICR, SCA) is divided by the point's time.
    QString time;

    bool isSet() const { return !i0.isEmpty() || !icr.isEmpty() || !sca.isEmpty() || !time.isEmpty(); }
    // Why the names cannot be used ("--icr is missing"), or an empty string.
    QString problem() const;
    // "I0 = I0, ICR = Iffast{n}, SCA = Ifslow{n}, each divided by IntTime".
    QString describe() const;
};

// The four names of a mapping.
enum class MappingRole
{
    I0,
    Icr,
    Sca,
    Time,
};

// What stops a mapping from giving points, for a caller that words it
// itself (the window); the error text says the same in veskor-fit's words.
struct MappingFault
{
    enum class Kind
    {
        None,
        // The file has nothing of that name.
        Missing,
        // Something of that name that cannot be used (not numbers, another
        // number of points, several datasets of that name, ...).
        Unusable,
        // ICR and SCA give different numbers of channels.
        ChannelCounts,
    };
    Kind kind = Kind::None;
    MappingRole role = MappingRole::I0;
    QString name;
    // For ChannelCounts.
    int icrChannels = 0;
    int scaChannels = 0;
};

// A point as the mapping gives it.
struct MappedPoint
{
    double i0 = 0.0;
    QVector<double> icrs;
    QVector<double> scas;
    // The time the values were divided by; 1 without --time.
    double time = 1.0;
    // The point's line in the file (0 where it has none) and its place in
    // the file, from 0.
    qint64 line = 0;
    int index = 0;
};

struct MappedScan
{
    QVector<MappedPoint> points;
    int channels = 0;
    // Points skipped, each naming file and line (or point).
    QStringList warnings;
    // Set when mapColumns fails.
    MappingFault fault;
};

// Reads the mapping's columns from source into points. False, with error
// naming what is wrong (a missing name together with the names the file
// has, channels that do not match, more values than budget), when the file
// cannot give the points; scan then holds no point, only the fault. The
// source reads no more than budget values in all. A point with a value
// that is not a finite number, or a time that is not above 0, is skipped
// and named in the warnings.
bool mapColumns(ColumnSource& source, const ColumnMapping& mapping, MappedScan& scan,
                QString& error, qint64 budget = maxReadValues);

// The names listed for a source, in a message: at most some forty, then how
// many there are in all.
QString listNames(const QStringList& names);
