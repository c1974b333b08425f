// The floor programs' clock: the best of a few runs of some work, in seconds.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

namespace bench {

constexpr int kRepeats = 3;

inline double SecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double BestSecondsOf(const std::function<void()>& work)
{
    double best = SecondsOf(work);
    for (int i = 1; i < kRepeats; ++i)
        best = std::min(best, SecondsOf(work));
    return best;
}

}  // namespace bench
