#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

// Below this many points a channel's quadratic fit and its uncertainties
// take less time than starting a thread.
constexpr int kThreadedQuadraticPoints = 1 << 14;

// Runs work(ch) for every ch in [0, channels) on as many threads as the
// machine has cores, and returns once every channel is done. Channels are
// independent and each one's arithmetic is the same on whichever thread it
// runs, so the results are bit for bit those of a plain loop; work must
// write only what belongs to its channel. Threads are started only when
// worthThreads: for a channel's work of microseconds they cost more than
// they save.
template <typename Work>
void forEachChannel(int channels, const Work& work, bool worthThreads = true)
{
    const int cores = worthThreads ? int(std::max(1u, std::thread::hardware_concurrency())) : 1;
    const int threads = std::min(channels, cores);
    if (threads <= 1) {
        for (int ch = 0; ch < channels; ++ch)
            work(ch);
        return;
    }
    std::atomic<int> next{0};
    const auto run = [&] {
        for (int ch = next++; ch < channels; ch = next++)
            work(ch);
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
        pool.emplace_back(run);
    run();
    for (std::thread& t : pool)
        t.join();
}
