#pragma once

#include "input/readlimits.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The numbers a scan file holds under one name: a column of a text file (one
// value per point), or an HDF5 dataset: 1-D (one value per point), 2-D
// [point, channel], or a scalar that holds for every point.
struct NamedArray
{
    int points = 0;
    // Channels of a 2-D dataset; 1 otherwise.
    int columns = 1;
    bool twoDimensional = false;
    // A single value (an HDF5 scalar): points is 1 and it stands for every
    // point of the scan.
    bool scalar = false;
    // Row-major, points * columns values.
    QVector<double> values;

    double at(int point, int column) const
    {
        return values[(scalar ? 0 : point) * columns + column];
    }
};

// The most values one array may hold. A file can declare any size (an HDF5
// dataset of 2^40 elements costs a few bytes on disk); a dead-time scan has
// some thousand points of at most a few hundred channels.
constexpr qint64 maxArrayValues = qint64(1) << 22;

// What a name holds, told without reading its values: for a user choosing
// among the datasets of an HDF5 file.
struct NamedShape
{
    bool known = false;
    // Integers or floating-point numbers, which a mapping can use.
    bool numbers = false;
    // Its dimensions, points first; none for a single value.
    QVector<qint64> dims;
};

// A file of named columns or datasets, read by name. Implementations:
// labelledtext.h (SPEC, XDI, XDAC, CSV and blank-separated text) and
// hdf5source.h.
class ColumnSource
{
public:
    virtual ~ColumnSource() = default;

    enum class Lookup
    {
        Found,
        // Nothing of that name.
        Missing,
        // Something of that name that cannot be used; the error says why
        // (several datasets of that name, not numbers, too large, ...).
        Failed,
    };

    // The file's path as given, for messages.
    virtual QString path() const = 0;
    // "SPEC", "XDI", "XDAC", "CSV", "HDF5", for messages and the table's
    // comment.
    virtual QString formatName() const = 0;
    // Every name a mapping may use, in the file's order: the message that
    // says a name is missing lists them.
    virtual QStringList names() const = 0;
    // Reads the array called name into array.
    virtual Lookup read(const QString& name, NamedArray& array, QString& error) = 0;
    // The line of point k (from 0) in the file, from 1; 0 where points have
    // no line (HDF5).
    virtual qint64 line(int point) const = 0;
    // What the reader passed over, each naming file and line ("scan.csv,
    // line 12: 3 values for 17 labels; row skipped").
    virtual QStringList warnings() const { return {}; }
    // The shape of one of names(); not known for the columns of a text
    // file, which are all alike.
    virtual NamedShape shapeOf(const QString& name)
    {
        Q_UNUSED(name);
        return {};
    }
    // The names about to be read, so that a source that must take every
    // row apart to read one name takes them apart once for all.
    virtual void willRead(const QStringList& names) { Q_UNUSED(names); }

    // What read() may still build, in values, in all: a read that would go
    // beyond it fails before anything is allocated.
    qint64 budget() const { return valuesLeft; }
    void setBudget(qint64 values) { valuesLeft = budgetGiven = values; }

protected:
    // Takes values from the budget; false, taking nothing, when fewer are
    // left.
    bool spend(qint64 values)
    {
        if (values > valuesLeft)
            return false;
        valuesLeft -= values;
        return true;
    }
    // Why a read of what was refused for the budget.
    QString overBudget(const QString& what) const
    {
        return QStringLiteral("reading %1 goes past the %2 values one file may give (points x "
                              "(1 + 2 channels))")
            .arg(what, QString::number(budgetGiven));
    }

private:
    qint64 valuesLeft = maxReadValues;
    qint64 budgetGiven = maxReadValues;
};
