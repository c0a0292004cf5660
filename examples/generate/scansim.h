#pragma once

// Simulated dead-time scans, for the study of how well each model recovers
// the constants it is given (modelstudy.h). Plain C++, no Qt: what the
// counts are made of is stated here in full. No event is simulated: each
// point's counts are Poisson variates of the expectations the dead-time
// losses give, drawn independently.
//
// The detector: four elements, true rates N0 = k_i S at the monitor
// setting S; k_i of 0.066 or so give the top setting a true rate of about
// 310,000 counts per second. Nineteen settings in equal steps, counted
// as the scan's kind says:
// - Even: from 0.25e6 to 4.75e6 counts per second, one second per point;
// - Timed: the same settings, each point counted for a time t drawn
//   uniformly from 0.5 to 4 s (before its counts), every count Poisson of
//   its rate times t; analysed as rates, count / t, each weighed by its t;
// - Narrow: from 4.75e6 / 1.5 to 4.75e6, one second per point: a range of
//   1.5x, too narrow for a dead time to show, so the analysis must call
//   every constant undetermined.
// The top setting is the same for all, so are the constants.
//
// Model of one point, element i, counted for t:
// - the monitor counts I0 ~ Poisson(S t);
// - the pre-amplifier records input events at R = N0 h(N0; tau0_i), h
//   being the loss of the truth at a true rate r:
//     paralysable      exp(-r tau)
//     non-paralysable  1 / (1 + r tau)
//     hybrid           exp(-r tau / 2) / (1 + r tau / 2): half the dead time
//                      paralysable, half not, in series;
// - the amplifier processes a recorded event with probability h(R; tau_i),
//   and a processed event falls into the SCA window with probability 0.7;
// - so the SCA count is Poisson(0.7 R h(R; tau_i) t) and the other
//   recorded events Poisson(R (1 - 0.7 h(R; tau_i)) t), independently; the
//   ICR is their sum.
// The constants are set so that tau0_i R_max and tau_i R_max, R_max being
// the expected ICR at the top setting, both equal the fraction asked for:
// the figures tau0*ICRmax and tau*ICRmax that veskor-fit reports.
//
// Random numbers come from std::mt19937_64 (its sequence is fixed by the
// C++ standard), turned into Poisson counts here: Knuth's multiplication
// method below a mean of 10, above it Hormann's transformed rejection with
// squeeze (PTRS, 1993), whose cost does not grow with the mean. Each scan
// has an engine of its own, seeded by scanSeed: a hash of the study's seed,
// the cell (truth, fraction, kind) and the scan's number, so that no two
// cells, and no two studies of other seeds, draw the same scan.

#include <cstdint>
#include <random>
#include <vector>

namespace scansim {

enum class Truth
{
    Paralyzable,
    NonParalyzable,
    // tp = tn = constant / 2 in both stages.
    Hybrid,
};

enum class ScanKind
{
    Even,
    Timed,
    Narrow,
};

constexpr int kElements = 4;
constexpr int kSettings = 19;
// The counting times of a Timed scan, in seconds.
constexpr double kShortestTime = 0.5;
constexpr double kLongestTime = 4.0;
// The span of a Narrow scan's settings, highest over lowest.
constexpr double kNarrowSpan = 1.5;

struct Point
{
    // Counted for this many seconds.
    double time = 1.0;
    long long i0 = 0;
    std::vector<long long> icrs;
    std::vector<long long> scas;
};

struct Scan
{
    ScanKind kind = ScanKind::Even;
    // The constants the counts were made with, per element, in seconds.
    std::vector<double> tau0s;
    std::vector<double> taus;
    std::vector<Point> points;
};

// The constants of each element for a truth and a dead-time fraction
// (below 1 / e for a paralysable truth, below 0.41 for a hybrid one, below
// 1 otherwise).
void trueConstants(Truth truth, double fraction, std::vector<double>& tau0s,
                   std::vector<double>& taus);

// The largest dead-time fraction the truth reaches (the top of z h(z)).
double highestFraction(Truth truth);

// The seed of scan number scan (from 1) of a cell of the study run with
// studySeed: a hash of all five, so that cells do not move together.
std::uint64_t scanSeed(std::uint64_t studySeed, Truth truth, double fraction, ScanKind kind,
                       int scan);

// One scan; the same truth, fraction, kind and seed give the same counts.
Scan simulateScan(Truth truth, double fraction, ScanKind kind, std::uint64_t seed);

// The scan as a count table veskor-fit reads: "# Channels : 4", then I0,
// the four ICRs and the four SCA counts of every point. Holds no times.
std::vector<char> countTable(const Scan& scan);

// The scan as a CSV file of labelled columns with the counting times:
// Point, Seconds, I0, ICR1-4, SCA1-4, the counts as counted; veskor-fit
// reads it with --i0 I0 --icr 'ICR{n}' --sca 'SCA{n}' --time Seconds. The
// times are written in the fewest digits that read back as the same
// double, so the tool divides by the very times simulated.
std::vector<char> csvTable(const Scan& scan);

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
