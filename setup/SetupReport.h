// What an install or uninstall run could not do, told in one message at its
// end, so that nothing is reported as done that was not.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace twinsweep {

// Every step of a run answers with an HRESULT: S_OK when it is done, else why
// not. Steps built on calls that answer only yes or no give E_FAIL.
inline HRESULT StepResult(bool done)
{
    return done ? S_OK : E_FAIL;
}

// The last error of the calling thread as a step's failure.
inline HRESULT LastErrorResult()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

class SetupReport {
public:
    // Notes a step by the string that names it, when it failed.
    void Check(HRESULT result, UINT stepStringId);
    bool Complete() const { return m_missed.empty(); }
    // The heading's string, then one line for each step not done.
    std::wstring Text(UINT headingStringId) const;

private:
    std::vector<UINT> m_missed;
};

}  // namespace twinsweep
