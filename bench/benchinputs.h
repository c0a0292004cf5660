#pragma once

// Measurement files as a 19-channel detector writes them, generated with a
// fixed seed so every run reads the same bytes.

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <random>

namespace veskor::bench {

inline QByteArray num(double v, int decimals)
{
    return QByteArray::number(v, 'f', decimals);
}

// The SCA window of channel ch, in bins: a region of interest around the
// element's line, a little apart per channel as their gains differ. wide puts
// every bin of the spectrum inside every window, so every row is summed.
inline int windowLow(int ch, bool wide)
{
    return wide ? 0 : 620 + 3 * ch;
}
inline int windowHigh(int ch, bool wide)
{
    return wide ? 1 << 20 : 680 + 3 * ch;
}

// An MCA spectrum file: I0, one channel line per channel, then one row per
// bin with the energy and the count of every channel. With 19 channels and
// 4096 bins this is about 0.7 MB. scale sets the beam: I0, the rates and the
// counts grow with it (the rates a little less, as dead time takes more).
inline QByteArray mcaSpectrumFile(int channels, int bins, bool wideWindows = false,
                                  double scale = 1.0, unsigned seed = 7)
{
    std::mt19937 random(seed);
    const double rateScale = scale / (1.0 + 0.05 * (scale - 1.0));
    QByteArray out = "# Detector : 19-element Ge, run 1234\n"
                     "# Date : 2024/06/11 10:22:33\n"
                     "# I0 : ";
    out.append(num(152340 * scale, 0)).append('\n');
    for (int ch = 0; ch < channels; ++ch) {
        out.append("# MCA Ch Info : ").append(num(ch + 1, 0)).append(' ').append(num(bins, 0));
        out.append(" 0.0100 0.000 2.50 ")
            .append(num((48213.5 - 97.25 * ch) * rateScale, 1))
            .append(' ');
        out.append(num(windowLow(ch, wideWindows), 0)).append(' ');
        out.append(num(windowHigh(ch, wideWindows), 0)).append('\n');
    }
    for (int bin = 0; bin < bins; ++bin) {
        out.append(num(bin, 0));
        for (int ch = 0; ch < channels; ++ch) {
            // A flat background with the fluorescence line and the elastic
            // peak on it.
            const double line = 900.0 * std::exp(-std::pow((bin - 650 - 3 * ch) / 12.0, 2));
            const double elastic = 300.0 * std::exp(-std::pow((bin - 1000) / 15.0, 2));
            std::poisson_distribution<int> count((3.0 + line + elastic) * rateScale);
            out.append(' ').append(num(bin * (0.01 + 0.00002 * ch), 2));
            out.append(' ').append(num(count(random), 0));
        }
        out.append('\n');
    }
    return out;
}

// Point `point` of a scan of `points` settings, as one MCA spectrum file:
// the beam rises from a quarter to 2.25 times the single file's.
inline QByteArray mcaScanFile(int channels, int bins, int point, int points)
{
    const double scale = 0.25 + 2.0 * point / std::max(points - 1, 1);
    return mcaSpectrumFile(channels, bins, false, scale, 7 + unsigned(point));
}

// A count table of the given channels and rows: I0, then the ICRs (one
// decimal) and the SCA counts of every channel, I0 rising over the scan.
inline QByteArray countTableFile(int channels, int rows)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> jitter(-0.01, 0.01);
    QByteArray out = "# Channels : ";
    out.append(num(channels, 0)).append("\n# I0");
    for (int ch = 1; ch <= channels; ++ch)
        out.append(" ICR").append(num(ch, 0));
    for (int ch = 1; ch <= channels; ++ch)
        out.append(" SCA").append(num(ch, 0));
    out.append('\n');
    for (int r = 0; r < rows; ++r) {
        const double i0 = std::round(1e3 * std::pow(1e3, double(r) / std::max(rows - 1, 1)));
        QByteArray icrs;
        QByteArray scas;
        for (int ch = 0; ch < channels; ++ch) {
            const double icr = (0.3 + 0.01 * ch) * i0 * (1.0 + jitter(random)) - 1e-7 * i0 * i0;
            const double sca = 0.8 * icr - 2e-7 * icr * icr;
            icrs.append(' ').append(num(icr, 1));
            scas.append(' ').append(num(std::round(sca), 0));
        }
        out.append(num(i0, 0)).append(icrs).append(scas).append('\n');
    }
    return out;
}

} // namespace veskor::bench
