#pragma once

// Helpers shared by the reader and loader tests (header only, so no source
// is compiled into two test programs).

#include <QByteArray>
#include <QFile>
#include <QMetaType>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

namespace veskor::test {

// Exact comparison that lets NaN equal NaN, for values whose arithmetic the
// file grammar fixes (sums of whole counts, plain conversions).
inline bool sameValues(const QVector<double>& a, const QVector<double>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (qIsNaN(a[i]) && qIsNaN(b[i]))))
            return false;
    return true;
}

inline QByteArray describe(const QVector<double>& v)
{
    QByteArray out = "{";
    for (int i = 0; i < v.size(); ++i)
        out += (i ? ", " : "") + QByteArray::number(v[i], 'g', 17);
    return out + "}";
}

// Each argument is evaluated once: a load that logs must log once per call.
#define VESKOR_COMPARE_VALUES(actual, expected)                                                    \
    do {                                                                                           \
        const auto actual_ = (actual);                                                             \
        const auto expected_ = (expected);                                                         \
        QVERIFY2(veskor::test::sameValues(actual_, expected_),                                     \
                 QByteArray(veskor::test::describe(actual_) +                                      \
                            " != " + veskor::test::describe(expected_))                            \
                     .constData());                                                                \
    } while (false)

// One point as a reader hands it on.
struct Point
{
    double i0 = 0.0;
    QVector<double> icrs;
    QVector<double> scas;
};

inline bool samePoints(const QVector<Point>& a, const QVector<Point>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        const bool sameI0 = a[i].i0 == b[i].i0 || (qIsNaN(a[i].i0) && qIsNaN(b[i].i0));
        if (!sameI0 || !sameValues(a[i].icrs, b[i].icrs) || !sameValues(a[i].scas, b[i].scas))
            return false;
    }
    return true;
}

inline QByteArray describe(const QVector<Point>& points)
{
    QByteArray out;
    for (const Point& p : points)
        out += "(" + QByteArray::number(p.i0, 'g', 17) + ", " + describe(p.icrs) + ", " +
               describe(p.scas) + ") ";
    return out.isEmpty() ? QByteArray("no point") : out;
}

#define VESKOR_COMPARE_POINTS(actual, expected)                                                    \
    do {                                                                                           \
        const auto actual_ = (actual);                                                             \
        const auto expected_ = (expected);                                                         \
        QVERIFY2(veskor::test::samePoints(actual_, expected_),                                     \
                 QByteArray(veskor::test::describe(actual_) +                                      \
                            " != " + veskor::test::describe(expected_))                            \
                     .constData());                                                                \
    } while (false)

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A count table of one row of the given channel count: I0 7, then the ICRs
// and SCA counts 1, 2, ..., 2 * channels.
inline QByteArray tableOfChannels(int channels)
{
    QByteArray bytes = "# Channels : " + QByteArray::number(channels) + "\n7";
    for (int k = 1; k <= 2 * channels; ++k)
        bytes += " " + QByteArray::number(k);
    return bytes + "\n";
}

// An MCA spectrum file of I0 5 declaring the given number of channels, each
// of ICR 9, followed by a row "1 2 3" that a count table would take for a
// point.
inline QByteArray spectrumOfChannels(int channels)
{
    return "# I0 : 5\n" + QByteArray("# MCA Ch Info : 1 0 0 0 0 9 0 0\n").repeated(channels) +
           "1 2 3\n";
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace veskor::test

Q_DECLARE_METATYPE(veskor::test::Point)
