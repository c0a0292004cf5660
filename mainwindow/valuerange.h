#pragma once

// The extent of a set of values. A range that has seen no value is not
// valid and holds min 1e300 and max -1e300, so the first value widens it
// from both sides.
struct ValueRange
{
    bool valid = false;
    double min = 1e300;
    double max = -1e300;

    // Marks the range valid and moves an end past v. The comparisons are
    // strict: an equal value leaves the range alone, and a NaN never moves
    // an end.
    void widen(double v)
    {
        valid = true;
        if (v < min)
            min = v;
        if (v > max)
            max = v;
    }

    void reset() { *this = ValueRange(); }
};
