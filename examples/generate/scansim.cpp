#include "scansim.h"

#include <cmath>
#include <string>

namespace scansim {

namespace {

// The true rate per monitor count of each element, and the monitor
// settings.
constexpr double kEfficiency[kElements] = {0.0660, 0.0625, 0.0680, 0.0640};
constexpr double kWindowShare = 0.7;
constexpr double kPi = 3.14159265358979323846;

double setting(int j)
{
    return 0.25e6 * (j + 1);
}

double loss(Truth truth, double z)
{
    return truth == Truth::Paralyzable ? std::exp(-z) : 1.0 / (1.0 + z);
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

// z with z exp(-z) = f on the rising side (z < 1), by Newton's method.
double paralysableLoss(double f)
{
    double z = f;
    for (int i = 0; i < 100; ++i) {
        const double step = (z * std::exp(-z) - f) / ((1 - z) * std::exp(-z));
        z -= step;
        if (std::abs(step) < 1e-16 * z)
            break;
    }
    return z;
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
    const double z =
        truth == Truth::Paralyzable ? paralysableLoss(fraction) : fraction / (1 - fraction);
    for (double k : kEfficiency) {
        const double n0 = k * setting(kSettings - 1);
        const double icr = n0 * loss(truth, z);
        tau0s.push_back(z / n0);
        taus.push_back(fraction / icr);
    }
}

Scan simulateScan(Truth truth, double fraction, std::uint64_t seed)
{
    Scan scan;
    trueConstants(truth, fraction, scan.tau0s, scan.taus);
    PoissonSampler sampler(seed);
    for (int j = 0; j < kSettings; ++j) {
        Point p;
        p.i0 = sampler.poisson(setting(j));
        for (int i = 0; i < kElements; ++i) {
            const double n0 = kEfficiency[i] * setting(j);
            const double recorded = n0 * loss(truth, n0 * scan.tau0s[i]);
            const double counted = kWindowShare * loss(truth, recorded * scan.taus[i]);
            const long long sca = sampler.poisson(recorded * counted);
            const long long other = sampler.poisson(recorded * (1 - counted));
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

} // namespace scansim
