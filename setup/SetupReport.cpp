#include "setup/SetupReport.h"

#include "framework/Seams.h"

namespace twinsweep {

void SetupReport::Check(HRESULT result, UINT stepStringId)
{
    if (FAILED(result))
        m_missed.push_back(stepStringId);
}

std::wstring SetupReport::Text(UINT headingStringId) const
{
    std::wstring text = LoadResourceString(headingStringId);
    for (UINT step : m_missed)
        text += L"\n- " + LoadResourceString(step);
    return text;
}

}  // namespace twinsweep
