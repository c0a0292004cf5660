#pragma once

// Dead-time scans simulated count by count, for the study of how well each
// model recovers the constants it is given (modelstudy.h). Plain C++, no
// Qt: what the counts are made of is stated here in full.
//
// The detector: four elements, true rates N0 = k_i S at the monitor
// setting S, counted one second per point. Its nineteen settings run from
// 0.25e6 to 4.75e6 counts per second in equal steps; k_i of 0.066 or so
// give the top point a true rate of about 310,000 counts per second.
//
// Model of one point, element i:
// - the monitor counts I0 ~ Poisson(S);
// - the pre-amplifier records input events at R = N0 h(N0 tau0_i), h being
//   the loss of the truth: exp(-z) (paralysable) or 1 / (1 + z)
//   (non-paralysable);
// - the amplifier processes a recorded event with probability h(R tau_i),
//   and a processed event falls into the SCA window with probability 0.7;
// - so the SCA count is Poisson(0.7 R h(R tau_i)) and the other recorded
//   events Poisson(R (1 - 0.7 h(R tau_i))), independently; the ICR is
//   their sum.
// The constants are set so that tau0_i R_max and tau_i R_max, R_max being
// the expected ICR at the top setting, both equal the fraction asked for:
// the figures tau0*ICRmax and tau*ICRmax that veskor-fit reports.
//
// Random numbers come from std::mt19937_64 (its sequence is fixed by the
// C++ standard), turned into Poisson counts here: Knuth's multiplication
// method below a mean of 10, above it Hormann's transformed rejection with
// squeeze (PTRS, 1993), whose cost does not grow with the mean.

#include <cstdint>
#include <random>
#include <vector>

namespace scansim {

enum class Truth
{
    Paralyzable,
    NonParalyzable,
};

constexpr int kElements = 4;
constexpr int kSettings = 19;

struct Point
{
    long long i0 = 0;
    std::vector<long long> icrs;
    std::vector<long long> scas;
};

struct Scan
{
    // The constants the counts were made with, per element, in seconds.
    std::vector<double> tau0s;
    std::vector<double> taus;
    std::vector<Point> points;
};

// The constants of each element for a truth and a dead-time fraction
// (below 1 / e for a paralysable truth, below 1 otherwise).
void trueConstants(Truth truth, double fraction, std::vector<double>& tau0s,
                   std::vector<double>& taus);

// One scan; the same truth, fraction and seed give the same counts.
Scan simulateScan(Truth truth, double fraction, std::uint64_t seed);

// The scan as a count table veskor-fit reads: "# Channels : 4", then I0,
// the four ICRs and the four SCA counts of every point.
std::vector<char> countTable(const Scan& scan);

// Poisson counts from a seeded engine, as described above.
class PoissonSampler
{
public:
    explicit PoissonSampler(std::uint64_t seed) : engine(seed) {}
    // Uniform on [0, 1): the top 53 bits of the next draw.
    double uniform() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }
    long long poisson(double mean);

private:
    std::mt19937_64 engine;
};

} // namespace scansim
