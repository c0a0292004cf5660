#pragma once

// The program's fixed arithmetic written out a second time, plainly and
// apart from the code under test, for tests that compare results bit for
// bit on many generated inputs. A result that merely lies close (a product
// taken in another order, a different solver, a floor for a cut) differs in
// its last bits somewhere among them; a tolerance would let it pass.
//
// Only the tests use this header.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace veskor::reference {

// ---- Comparing doubles -----------------------------------------------------

inline quint64 bitsOf(double v)
{
    quint64 bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// The same double: NaN matches the same NaN, -0 does not match 0.
inline bool sameBits(double a, double b)
{
    return bitsOf(a) == bitsOf(b);
}

inline QString describe(double v)
{
    return QString::number(v, 'g', 17) + QStringLiteral(" (0x") + QString::number(bitsOf(v), 16) +
           QLatin1Char(')');
}

// ---- Generated inputs ------------------------------------------------------

// Seeded numbers built from the engine's raw bits, so the same seed gives
// the same inputs with every standard library.
class Random
{
public:
    explicit Random(quint64 seed) : engine(seed) {}

    // Uniform on [lo, hi).
    double uniform(double lo, double hi)
    {
        const double unit = double(engine() >> 11) * 0x1.0p-53;
        return lo + (hi - lo) * unit;
    }
    // Spread evenly over the orders of magnitude from lo to hi (both > 0).
    double logUniform(double lo, double hi)
    {
        return std::exp(uniform(std::log(lo), std::log(hi)));
    }
    // 0 .. n - 1.
    int below(int n) { return int(engine() % quint64(n)); }
    bool chance(double p) { return uniform(0, 1) < p; }

private:
    std::mt19937_64 engine;
};

// ---- The least-squares fit -------------------------------------------------

struct QuadraticFit
{
    double p1;
    double p2;
};

// y = p1 x + p2 x^2 through the origin: the five sums in index order, the
// normal equations [[S2, S3], [S3, S4]] (p1, p2) = (Sxy, Sx2y), LU with
// partial pivoting (the first of equal magnitudes wins, a NaN never does,
// a zero divisor in the elimination counts as 1.0), then the forward and
// the backward substitution. Pairs beyond the shorter vector are left out.
inline QuadraticFit fitQuadratic(const QVector<double>& x, const QVector<double>& y)
{
    double s2 = 0.0, s3 = 0.0, s4 = 0.0, sxy = 0.0, sx2y = 0.0;
    for (int k = 0; k < std::min(x.size(), y.size()); ++k) {
        const double q = x[k] * x[k];
        s2 += q;
        s3 += q * x[k];
        s4 += (q * x[k]) * x[k];
        sxy += x[k] * y[k];
        sx2y += q * y[k];
    }
    const double a[2][2] = {{s2, s3}, {s3, s4}};
    const double b[2] = {sxy, sx2y};

    // Column 0: pivot row, multiplier, the rest of the lower row.
    int top = 0;
    double best = -1e300;
    for (int r = 0; r < 2; ++r) {
        const double v = std::fabs(a[r][0]);
        if (v > best) {
            top = r;
            best = v;
        }
    }
    const int low = 1 - top;
    const double divisor = a[top][0] == 0.0 ? 1.0 : a[top][0];
    const double multiplier = a[low][0] / divisor;
    const double u00 = a[top][0];
    const double u01 = a[top][1];
    const double u11 = a[low][1] - a[top][1] * multiplier;

    // L t = P b; L's diagonal is 1, and the first row is divided by it.
    const double t0 = b[top] / 1.0;
    const double t1 = b[low] - t0 * multiplier;
    // U z = t, from the bottom up.
    const double z1 = t1 / u11;
    const double z0 = (t0 - z1 * u01) / u00;
    return {z0, z1};
}

// The dead-time constants of a channel's two fits.
inline double tau0(double a1, double a2)
{
    return (-a2 / a1) / a1;
}

inline double tau(double c1, double c2)
{
    return -c2 / c1;
}

// ---- The plots -------------------------------------------------------------

// A value's pixel on one axis, the quotient of the spans formed first.
inline double pixel(double frame0, double frame1, double scale0, double scale1, double v)
{
    return frame0 + (v - scale0) * ((frame1 - frame0) / (scale1 - scale0));
}

// What a plot's curve y = k1 v + k2 v^2 gives at v.
inline double curveAt(double k1, double k2, double v)
{
    return (k2 * v) * v + k1 * v;
}

// A pixel position as a whole pixel: cut toward zero.
inline int wholePixel(double p)
{
    return int(std::trunc(p));
}

// ---- The result files ------------------------------------------------------

// A number as the files write it: C's %g with six significant digits,
// except that the text stream knows no negative zero or negative NaN.
inline QByteArray number(double v)
{
    if (std::isnan(v))
        return "nan";
    if (v == 0.0)
        return "0";
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// A number as C's printf writes it in the conversion given ('g' or 'f')
// with that precision: the form the program's texts take, worked out apart
// from Qt's own conversion.
inline QString printfNumber(double v, char conversion, int precision)
{
    char text[512];
    if (conversion == 'f')
        std::snprintf(text, sizeof text, "%.*f", precision, v);
    else
        std::snprintf(text, sizeof text, "%.*g", precision, v);
    return QString::fromLatin1(text);
}

// The mean over all channels, then scaled to millionths.
inline double scaledMean(const QVector<double>& values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return (sum / values.size()) * 1000000.0;
}

inline QByteArray resultsFile(const QVector<double>& tau0s, const QVector<double>& taus)
{
    QByteArray out = "# Deadtime data\r\nPreamp:";
    for (double v : tau0s)
        out += " " + number(v);
    out += "\r\nAmp:";
    for (double v : taus)
        out += " " + number(v);
    return out + "\r\n";
}

inline QByteArray confFile(const QVector<double>& tau0s, const QVector<double>& taus)
{
    QByteArray out = "          " + number(scaledMean(tau0s));
    for (int i = 0; i < 6; ++i)
        out += " " + number(scaledMean(taus));
    const auto row = [](const char* label, const QVector<double>& values) -> QByteArray {
        QByteArray r = label;
        for (int i = 0; i < 19; ++i)
            r += i < values.size() ? QByteArray("  " + number(values[i] * 1000000.0))
                                   : QByteArray("  0");
        return r + "\n";
    };
    return out + "\n" + row("ICR0    ", tau0s) + row("S025    ", taus);
}

} // namespace veskor::reference

// Compares two doubles bit for bit, naming both when they differ.
#define VESKOR_COMPARE_BITS(actual, expected, what)                                                \
    do {                                                                                           \
        const double actual_ = (actual);                                                           \
        const double expected_ = (expected);                                                       \
        QVERIFY2(veskor::reference::sameBits(actual_, expected_),                                  \
                 qPrintable(QString(what) + QStringLiteral(": ") +                                 \
                            veskor::reference::describe(actual_) + QStringLiteral(" where ") +     \
                            veskor::reference::describe(expected_) +                               \
                            QStringLiteral(" was expected")));                                     \
    } while (false)
