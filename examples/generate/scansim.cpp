#include "scansim.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace scansim {

namespace {

// The true rate per monitor count of each element, and the monitor
// settings.
constexpr double kEfficiency[kElements] = {0.0660, 0.0625, 0.0680, 0.0640};
constexpr double kWindowShare = 0.7;
constexpr double kTopSetting = 4.75e6;
constexpr double kPi = 3.14159265358979323846;

double setting(ScanKind kind, int j)
{
    if (kind == ScanKind::Narrow) {
        const double lowest = kTopSetting / kNarrowSpan;
        return lowest + (kTopSetting - lowest) * j / (kSettings - 1);
    }
    return 0.25e6 * (j + 1);
}

// h at z = r tau, r the true rate and tau the stage's whole dead time.
double loss(Truth truth, double z)
{
    switch (truth) {
    case Truth::Paralyzable:
        return std::exp(-z);
    case Truth::NonParalyzable:
        return 1.0 / (1.0 + z);
    case Truth::Hybrid:
        return std::exp(-z / 2) / (1.0 + z / 2);
    }
    return 0.0;
}

// Where z h(z) is highest (infinity: it only approaches 1).
double peakLoss(Truth truth)
{
    switch (truth) {
    case Truth::Paralyzable:
        return 1.0;
    case Truth::NonParalyzable:
        return std::numeric_limits<double>::infinity();
    case Truth::Hybrid:
        // d/du of 2u exp(-u) / (1 + u) vanishes at u^2 + u = 1.
        return std::sqrt(5.0) - 1.0;
    }
    return 0.0;
}

// ln k! : exact below 10, Stirling's series above (error below 1e-13).
double logFactorial(long long k)
{
    if (k < 10) {
        double f = 1.0;
        for (long long i = 2; i <= k; ++i)
            f *= double(i);
        return std::log(f);
    }
    const double n = double(k);
    const double r = 1.0 / n;
    const double r2 = r * r;
    return n * std::log(n) - n + 0.5 * std::log(2.0 * kPi * n) +
           r * (1.0 / 12 - r2 * (1.0 / 360 - r2 * (1.0 / 1260 - r2 / 1680)));
}

// z with z h(z) = f on the rising side, by bisection (z h(z) rises from 0
// up to the peak, so the root is bracketed and unique there).
double lossAtFraction(Truth truth, double f)
{
    if (truth == Truth::NonParalyzable)
        return f / (1 - f);
    double lo = 0.0;
    double hi = peakLoss(truth);
    for (int i = 0; i < 200 && hi - lo > 0; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (mid == lo || mid == hi)
            break;
        (mid * loss(truth, mid) < f ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// splitmix64's finaliser: every bit of x moves about half the bits out.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

std::string shortest(double v)
{
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return r.ec == std::errc() ? std::string(buffer, r.ptr) : std::string("nan");
}

} // namespace

long long PoissonSampler::poisson(double mean)
{
    if (mean < 10) {
        // Knuth: the number of uniforms whose running product stays above
        // exp(-mean), less one.
        const double limit = std::exp(-mean);
        long long k = 0;
        double product = uniform();
        while (product > limit) {
            ++k;
            product *= uniform();
        }
        return k;
    }
    // PTRS: a transformed-rejection draw from a hat close to the Poisson
    // distribution, accepted at once in the squeeze or after comparing with
    // the exact probability.
    const double slam = std::sqrt(mean);
    const double logMean = std::log(mean);
    const double b = 0.931 + 2.53 * slam;
    const double a = -0.059 + 0.02483 * b;
    const double invAlpha = 1.1239 + 1.1328 / (b - 3.4);
    const double vr = 0.9277 - 3.6224 / (b - 2);
    for (;;) {
        const double u = uniform() - 0.5;
        const double v = uniform();
        const double us = 0.5 - std::abs(u);
        // u = -0.5 exactly would put k at minus infinity.
        if (us <= 0.0)
            continue;
        const auto k = static_cast<long long>(std::floor((2 * a / us + b) * u + mean + 0.43));
        if (us >= 0.07 && v <= vr)
            return k;
        if (k < 0 || (us < 0.013 && v > us))
            continue;
        if (std::log(v) + std::log(invAlpha) - std::log(a / (us * us) + b) <=
            -mean + double(k) * logMean - logFactorial(k))
            return k;
    }
}

void trueConstants(Truth truth, double fraction, std::vector<double>& tau0s,
                   std::vector<double>& taus)
{
    tau0s.clear();
    taus.clear();
    // z = N0 tau0 at the top setting, where the ICR R = N0 h(z) gives
    // tau0 R = z h(z) = fraction.
    const double z = lossAtFraction(truth, fraction);
    for (double k : kEfficiency) {
        const double n0 = k * kTopSetting;
        const double icr = n0 * loss(truth, z);
        tau0s.push_back(z / n0);
        taus.push_back(fraction / icr);
    }
}

double highestFraction(Truth truth)
{
    const double z = peakLoss(truth);
    return std::isinf(z) ? 1.0 : z * loss(truth, z);
}

std::uint64_t scanSeed(std::uint64_t studySeed, Truth truth, double fraction, ScanKind kind,
                       int scan)
{
    // The fraction by its millionths: one computed rather than typed, off
    // in its last bit, still names the cell.
    std::uint64_t h = mix(studySeed);
    h = mix(h ^ std::uint64_t(truth));
    h = mix(h ^ std::uint64_t(std::llround(fraction * 1e6)));
    h = mix(h ^ std::uint64_t(kind));
    return mix(h ^ std::uint64_t(scan));
}

Scan simulateScan(Truth truth, double fraction, ScanKind kind, std::uint64_t seed)
{
    Scan scan;
    scan.kind = kind;
    trueConstants(truth, fraction, scan.tau0s, scan.taus);
    PoissonSampler sampler(seed);
    for (int j = 0; j < kSettings; ++j) {
        Point p;
        if (kind == ScanKind::Timed)
            p.time = kShortestTime + (kLongestTime - kShortestTime) * sampler.uniform();
        const double s = setting(kind, j);
        p.i0 = sampler.poisson(s * p.time);
        for (int i = 0; i < kElements; ++i) {
            const double n0 = kEfficiency[i] * s;
            const double recorded = n0 * loss(truth, n0 * scan.tau0s[std::size_t(i)]);
            const double counted = kWindowShare * loss(truth, recorded * scan.taus[std::size_t(i)]);
            const long long sca = sampler.poisson(recorded * counted * p.time);
            const long long other = sampler.poisson(recorded * (1 - counted) * p.time);
            p.icrs.push_back(sca + other);
            p.scas.push_back(sca);
        }
        scan.points.push_back(std::move(p));
    }
    return scan;
}

std::vector<char> countTable(const Scan& scan)
{
    std::string s = "# Channels : " + std::to_string(kElements) + "\n";
    for (const Point& p : scan.points) {
        s += std::to_string(p.i0);
        for (long long v : p.icrs)
            s += " " + std::to_string(v);
        for (long long v : p.scas)
            s += " " + std::to_string(v);
        s += "\n";
    }
    return std::vector<char>(s.begin(), s.end());
}

std::vector<char> csvTable(const Scan& scan)
{
    std::string s = "# veskor-model-study: a simulated scan, counts as counted\nPoint,Seconds,I0";
    for (const char* what : {"ICR", "SCA"})
        for (int i = 1; i <= kElements; ++i)
            s += "," + std::string(what) + std::to_string(i);
    s += "\n";
    int n = 0;
    for (const Point& p : scan.points) {
        s += std::to_string(++n) + "," + shortest(p.time) + "," + std::to_string(p.i0);
        for (long long v : p.icrs)
            s += "," + std::to_string(v);
        for (long long v : p.scas)
            s += "," + std::to_string(v);
        s += "\n";
    }
    return std::vector<char>(s.begin(), s.end());
}

} // namespace scansim
