// Generates the example dead-time scan under examples/: twelve MCA spectrum
// files (scan/point01.mca ... point12.mca) and the same twelve points as one
// count table (scan-table.dat), from stated true constants with Poisson
// noise. Usage: veskor-example-scan [--seed N] OUTDIR (the checked-in files
// are those of the default seed; other seeds give the scans of the same
// detector that the README's Monte-Carlo check fits).
//
// The detector: four elements looking at the Fe K fluorescence of a sample
// in a 10 keV beam. Each point is counted for 1 s (real time), so the ICRs
// (counts per second) and the SCA counts are counts of the same second.
//
// Model of one point, channel i, monitor setting S:
// - the monitor counts I0 ~ Poisson(S);
// - photons reach the element at the true rate N0 = k_i S;
// - the pre-amplifier's dead time is extending (paralysable): it records
//   input events at R = N0 exp(-N0 tau0_i);
// - the amplifier's is extending too: an input event is processed with
//   probability exp(-R tau_i), and lands in an MCA bin by the spectrum's
//   shape s_b (sum 1): Fe K-alpha at 6.40 keV, K-beta at 7.06 keV, the
//   scattered beam near 9.7 keV and a falling continuum;
// - so the counts of the 512 bins are independent, B_b ~ Poisson(R exp(-R
//   tau_i) s_b), the events the amplifier lost are L ~ Poisson(R (1 -
//   exp(-R tau_i))), and the input events counted are L + sum B_b. That is
//   the ICR; the SCA count is the sum of B_b over the channel's window
//   around K-alpha.
// To first order Nin = a1 I0 + a2 I0^2 with tau0 = -a2 / a1^2 and Nout = c1
// Nin + c2 Nin^2 with tau = -c2 / c1, the model the fit uses; the settings
// take the amplifier's dead-time fraction R tau up to about 8 %.
//
// Regeneration is exact: the draws come from std::mt19937_64 (its sequence
// is fixed by the C++ standard) in a fixed order (point by point: I0, then
// channel by channel the bins in order, then L), turned into uniforms and
// Poisson counts here rather than by the standard library's distributions,
// whose algorithms differ between implementations. Numbers are printed
// with fixed formats.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kDefaultSeed = 60621;
constexpr int kBins = 512;
constexpr double kRealTime = 1.0; // seconds per point

struct Element
{
    double tau0;       // pre-amplifier dead time, s
    double tau;        // amplifier dead time, s
    double efficiency; // photons reaching the element per monitor count
    double keVPerBin;  // energy calibration of its MCA
};

// The true constants the example should give back: a four-element
// germanium detector with analogue shaping (a long amplifier dead time) and
// a fast pre-amplifier channel.
const Element kElements[] = {
    {0.75e-6, 2.60e-6, 0.00660, 0.0200},
    {0.81e-6, 2.70e-6, 0.00625, 0.0201},
    {0.70e-6, 2.55e-6, 0.00680, 0.0199},
    {0.78e-6, 2.66e-6, 0.00640, 0.0202},
};

// Monitor settings of the twelve points, counts per second. The last takes
// the amplifier's dead-time fraction R tau to about 8 %.
const double kSettings[] = {0.40e6, 0.80e6, 1.20e6, 1.60e6, 2.00e6, 2.40e6,
                            2.80e6, 3.20e6, 3.60e6, 4.00e6, 4.40e6, 4.80e6};

constexpr double kLineKeV = 6.40;
constexpr double kWindowHalfKeV = 0.18;

class Sampler
{
public:
    explicit Sampler(std::uint64_t seed) : engine(seed) {}

    // Uniform on [0, 1): the top 53 bits of the next draw.
    double uniform() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

    // Poisson(mean) by Knuth's multiplication method: the number of
    // uniforms whose running product stays above exp(-mean), less one. A
    // large mean is taken in parts of at most 256 (a sum of independent
    // Poisson counts is Poisson), so exp(-part) never underflows.
    long long poisson(double mean)
    {
        long long total = 0;
        while (mean > 0) {
            const double part = std::min(mean, 256.0);
            mean -= part;
            const double limit = std::exp(-part);
            double product = uniform();
            while (product > limit) {
                ++total;
                product *= uniform();
            }
        }
        return total;
    }

private:
    std::mt19937_64 engine;
};

double gauss(double e, double centre, double sigma)
{
    const double z = (e - centre) / sigma;
    return std::exp(-0.5 * z * z);
}

// The share of processed events in each bin of an element's MCA.
std::vector<double> spectrumShape(double keVPerBin)
{
    struct Part
    {
        double weight;
        double (*density)(double e);
    };
    const Part parts[] = {
        {0.70, [](double e) { return gauss(e, 6.404, 0.064); }},
        {0.09, [](double e) { return gauss(e, 7.058, 0.068); }},
        {0.07, [](double e) { return gauss(e, 9.70, 0.12); }},
        {0.14, [](double e) { return e < 0.6 ? 0.0 : std::exp(-e / 3.0); }},
    };
    std::vector<double> shape(kBins, 0.0);
    for (const Part& part : parts) {
        std::vector<double> d(kBins);
        double sum = 0.0;
        for (int b = 0; b < kBins; ++b) {
            d[b] = part.density((b + 0.5) * keVPerBin);
            sum += d[b];
        }
        for (int b = 0; b < kBins; ++b)
            shape[b] += part.weight * d[b] / sum;
    }
    return shape;
}

struct ChannelCounts
{
    long long icrCount = 0;
    long long scaCount = 0;
    long long spectrumTotal = 0;
    int windowLow = 0;
    int windowHigh = 0;
    std::vector<long long> bins;
};

struct Point
{
    long long i0 = 0;
    std::vector<ChannelCounts> channels;
};

std::string fixed(const char* format, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

bool writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string mcaFile(const Point& p, int index, int count, std::uint64_t seed)
{
    std::string s;
    s += "# Veskor example dead-time scan: point " + std::to_string(index + 1) + " of " +
         std::to_string(count) + ", monitor setting " + fixed("%.0f", kSettings[index]) + "\n";
    s += "# Generated by examples/generate (seed " + std::to_string(seed) +
         "); README.md, Example data, says how\n";
    s += "# MCA Ch Info fields: channel, real time/s, live time/s, counts in spectrum, output "
         "rate, input rate, SCA window low bin, high bin\n";
    s += "# I0 : " + std::to_string(p.i0) + "\n";
    for (std::size_t i = 0; i < p.channels.size(); ++i) {
        const ChannelCounts& c = p.channels[i];
        const double live = kRealTime * static_cast<double>(c.spectrumTotal) /
                            static_cast<double>(std::max(c.icrCount, 1LL));
        s += "# MCA Ch Info : " + std::to_string(i + 1) + " " + fixed("%.6f", kRealTime) + " " +
             fixed("%.6f", live) + " " + std::to_string(c.spectrumTotal) + " " +
             fixed("%.0f", c.spectrumTotal / kRealTime) + " " +
             fixed("%.0f", c.icrCount / kRealTime) + " " + std::to_string(c.windowLow) + " " +
             std::to_string(c.windowHigh) + "\n";
    }
    s += "# Rows: bin, then per channel the bin's energy in keV and its counts\n";
    for (int b = 0; b < kBins; ++b) {
        s += std::to_string(b);
        for (std::size_t i = 0; i < p.channels.size(); ++i)
            s += " " + fixed("%.4f", b * kElements[i].keVPerBin) + " " +
                 std::to_string(p.channels[i].bins[b]);
        s += "\n";
    }
    return s;
}

std::string countTable(const std::vector<Point>& points, std::uint64_t seed)
{
    const std::size_t n = points.front().channels.size();
    std::string s;
    char last[32];
    std::snprintf(last, sizeof last, "point%02zu.mca", points.size());
    s += std::string("# Veskor example dead-time scan: the points of scan/point01.mca ... ") +
         last + " as one count table\n";
    s += "# Generated by examples/generate (seed " + std::to_string(seed) +
         "); README.md, Example data, says how\n";
    s += "# Channels : " + std::to_string(n) + "\n";
    s += "# I0";
    for (std::size_t i = 0; i < n; ++i)
        s += " ICR" + std::to_string(i + 1);
    for (std::size_t i = 0; i < n; ++i)
        s += " SCA" + std::to_string(i + 1);
    s += "\n";
    for (const Point& p : points) {
        s += std::to_string(p.i0);
        for (const ChannelCounts& c : p.channels)
            s += " " + fixed("%.0f", c.icrCount / kRealTime);
        for (const ChannelCounts& c : p.channels)
            s += " " + std::to_string(c.scaCount);
        s += "\n";
    }
    return s;
}

std::vector<Point> simulate(std::uint64_t seed)
{
    Sampler sampler(seed);
    std::vector<std::vector<double>> shapes;
    for (const Element& e : kElements)
        shapes.push_back(spectrumShape(e.keVPerBin));

    std::vector<Point> points;
    for (double setting : kSettings) {
        Point p;
        p.i0 = sampler.poisson(setting);
        for (std::size_t i = 0; i < std::size(kElements); ++i) {
            const Element& e = kElements[i];
            const double n0 = e.efficiency * setting;
            const double recorded = n0 * std::exp(-n0 * e.tau0);
            const double processed = std::exp(-recorded * e.tau);
            ChannelCounts c;
            c.windowLow = static_cast<int>(std::lround((kLineKeV - kWindowHalfKeV) / e.keVPerBin));
            c.windowHigh = static_cast<int>(std::lround((kLineKeV + kWindowHalfKeV) / e.keVPerBin));
            c.bins.resize(kBins);
            for (int b = 0; b < kBins; ++b) {
                c.bins[b] = sampler.poisson(kRealTime * recorded * processed * shapes[i][b]);
                c.spectrumTotal += c.bins[b];
                if (b >= c.windowLow && b <= c.windowHigh)
                    c.scaCount += c.bins[b];
            }
            const long long lost = sampler.poisson(kRealTime * recorded * (1 - processed));
            c.icrCount = lost + c.spectrumTotal;
            p.channels.push_back(std::move(c));
        }
        points.push_back(std::move(p));
    }
    return points;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t seed = kDefaultSeed;
    int first = 1;
    if (argc == 4 && std::string(argv[1]) == "--seed") {
        char* end = nullptr;
        seed = std::strtoull(argv[2], &end, 10);
        if (!*argv[2] || *end) {
            std::fprintf(stderr, "veskor-example-scan: not a seed: %s\n", argv[2]);
            return 2;
        }
        first = 3;
    }
    if (argc != first + 1) {
        std::fprintf(stderr, "Usage: veskor-example-scan [--seed N] OUTDIR\n");
        return 2;
    }
    const std::filesystem::path out(argv[first]);
    std::error_code ec;
    std::filesystem::create_directories(out / "scan", ec);
    if (ec) {
        std::fprintf(stderr, "veskor-example-scan: cannot create %s\n",
                     (out / "scan").string().c_str());
        return 1;
    }

    const std::vector<Point> points = simulate(seed);
    for (std::size_t j = 0; j < points.size(); ++j) {
        char name[32];
        std::snprintf(name, sizeof name, "point%02zu.mca", j + 1);
        if (!writeFile(out / "scan" / name, mcaFile(points[j], static_cast<int>(j),
                                                    static_cast<int>(points.size()), seed))) {
            std::fprintf(stderr, "veskor-example-scan: cannot write %s\n", name);
            return 1;
        }
    }
    if (!writeFile(out / "scan-table.dat", countTable(points, seed))) {
        std::fprintf(stderr, "veskor-example-scan: cannot write scan-table.dat\n");
        return 1;
    }
    return 0;
}
