// What an install or uninstall run could not do, told in one message at its
// end, so that nothing is reported as done that was not.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace twinsweep {

class SetupReport {
public:
    // Notes a step by the string that names it, when it failed.
    void Check(bool done, UINT stepStringId);
    bool Complete() const { return m_missed.empty(); }
    // The heading's string, then one line for each step not done.
    std::wstring Text(UINT headingStringId) const;

private:
    std::vector<UINT> m_missed;
};

}  // namespace twinsweep
