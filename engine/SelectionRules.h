// Which lines of the result list the Select files command marks, and how a
// group's first and last roles move when one of its lines goes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/SearchJob.h"

namespace twinsweep {

// The choices of the Select files dialog, texts in UTF-8.
struct SelectionChoices {
    // 0 every file, 1 the first of each group, 2 all but the first of each group.
    int what = 0;
    bool containOn = false;
    std::string contain{};
    bool extOn = false;
    // Extensions without their dot, separated by ';' or ','.
    std::string extensions{};
    bool drivesOn = false;
    // Drive letters run together, as "cz".
    std::string drives{};
};

// The choices prepared once for testing many lines; every text comparison
// ignores case as Windows does.
class SelectionRules {
public:
    explicit SelectionRules(const SelectionChoices& choices);

    bool Admits(bool firstInGroup, std::string_view path) const;

private:
    bool AdmitsByRule(bool firstInGroup) const;

    int m_what;
    bool m_containOn;
    bool m_extOn;
    bool m_drivesOn;
    std::string m_contain;
    std::string m_drives;
    std::vector<std::string> m_extensions;
};

// A line leaves its group: the neighbours it had in the list take over its
// first or last role, so that the group still shows where it starts and ends.
void PassOnGroupRoles(const DupFileEntry& leaving, DupFileEntry* previous, DupFileEntry* next);

}  // namespace twinsweep
