#include "engine/SelectionRules.h"

#include <algorithm>

#include "engine/MaskList.h"
#include "engine/NameCase.h"

namespace twinsweep {
namespace {

// From the last dot of the file name on, without the dot; empty without one.
std::string_view Extension(std::string_view path)
{
    const size_t nameStart = path.find_last_of("\\/:");
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (nameStart != std::string_view::npos && dot < nameStart))
        return {};
    return path.substr(dot + 1);
}

// The first character of a UTF-8 text, all bytes of it.
std::string_view FirstCharacter(std::string_view text)
{
    if (text.empty())
        return text;
    const auto lead = static_cast<unsigned char>(text.front());
    const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return text.substr(0, std::min(length, text.size()));
}

}  // namespace

SelectionRules::SelectionRules(const SelectionChoices& choices)
    : m_what(choices.what), m_containOn(choices.containOn), m_extOn(choices.extOn), m_drivesOn(choices.drivesOn),
      m_contain(NameCaseKey(choices.contain)), m_drives(NameCaseKey(choices.drives))
{
    if (!m_extOn)
        return;
    std::vector<std::string> tokens;
    SplitMaskList(choices.extensions, tokens, true);
    for (const std::string& token : tokens)
        m_extensions.push_back(NameCaseKey(token));
}

bool SelectionRules::Admits(bool firstInGroup, std::string_view path) const
{
    if (!AdmitsByRule(firstInGroup))
        return false;
    const std::string key = NameCaseKey(path);
    if (m_containOn && key.find(m_contain) == std::string::npos)
        return false;
    if (m_extOn && std::find(m_extensions.begin(), m_extensions.end(), Extension(key)) == m_extensions.end())
        return false;
    if (m_drivesOn && (key.empty() || m_drives.find(FirstCharacter(key)) == std::string::npos))
        return false;
    return true;
}

bool SelectionRules::AdmitsByRule(bool firstInGroup) const
{
    switch (m_what) {
    case 0:
        return true;
    case 1:
        return firstInGroup;
    case 2:
        return !firstInGroup;
    default:
        return false;
    }
}

void PassOnGroupRoles(const DupFileEntry& leaving, DupFileEntry* previous, DupFileEntry* next)
{
    if (leaving.bFirstInGroup && next)
        next->bFirstInGroup = true;
    if (leaving.bLastInGroup && previous)
        previous->bLastInGroup = true;
}

}  // namespace twinsweep
