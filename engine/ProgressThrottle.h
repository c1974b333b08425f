#pragma once

#include <chrono>

namespace twinsweep {

// Rations progress reports: a report to a window is a cross-thread message, and one
// per folder or per file would cost more than the search itself on large trees.
class ProgressThrottle {
public:
    static constexpr std::chrono::milliseconds kInterval{40};

    explicit ProgressThrottle(std::chrono::milliseconds interval = kInterval) : m_interval(interval) {}

    // True on the first call and then once per interval.
    bool Due()
    {
        auto now = std::chrono::steady_clock::now();
        if (now < m_next)
            return false;
        m_next = now + m_interval;
        return true;
    }

private:
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_next{};
};

}  // namespace twinsweep
