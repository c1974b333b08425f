// Commands from menus, toolbar buttons and accelerators. A command travels along
// the command targets (active view, document, frame, application) until one
// handles it; the same road answers whether it is enabled or checked.
#pragma once

#include <windows.h>

#include <cstddef>

namespace twinsweep {

struct CommandState {
    UINT id = 0;
    bool enabled = true;
    bool checked = false;

    void Enable(bool on) { enabled = on; }
    void Check(bool on) { checked = on; }
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // True when this target handles the command (and has carried it out).
    virtual bool OnCommand(UINT id);
    // True when this target handles the command; it then sets the state, which
    // starts enabled and unchecked.
    virtual bool OnUpdateCommand(CommandState& state);
};

// A command map: each entry names the handler of one command and, optionally,
// its update handler (without one, the command is always enabled).
template <typename Target>
struct CommandEntry {
    UINT id;
    void (Target::*handler)();
    void (Target::*update)(CommandState&) = nullptr;
};

template <typename Target, size_t N>
bool RunCommand(Target& target, const CommandEntry<Target> (&map)[N], UINT id)
{
    for (const auto& entry : map) {
        if (entry.id == id) {
            (target.*entry.handler)();
            return true;
        }
    }
    return false;
}

template <typename Target, size_t N>
bool UpdateCommand(Target& target, const CommandEntry<Target> (&map)[N], CommandState& state)
{
    for (const auto& entry : map) {
        if (entry.id == state.id) {
            if (entry.update)
                (target.*entry.update)(state);
            return true;
        }
    }
    return false;
}

}  // namespace twinsweep
