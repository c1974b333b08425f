// The process's soft limit of open files, as a test sets it; restored at the end.
#pragma once

#ifndef _WIN32
#include <sys/resource.h>

namespace twinsweep::test {

class OpenFileLimit {
public:
    OpenFileLimit() { getrlimit(RLIMIT_NOFILE, &m_saved); }
    ~OpenFileLimit() { Restore(); }
    OpenFileLimit(const OpenFileLimit&) = delete;
    OpenFileLimit& operator=(const OpenFileLimit&) = delete;

    // Below the descriptors already open, no open succeeds.
    void Set(rlim_t soft) const
    {
        struct rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    void Restore() const { setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    struct rlimit m_saved;
};

}  // namespace twinsweep::test
#endif
