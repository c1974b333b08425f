// Thin views of the system's controls: no ownership, and one-line readers in
// place of message casts and text buffers at every caller.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Window.h"

namespace twinsweep {

class ComboBoxRef : public WindowRef {
public:
    using WindowRef::WindowRef;
    int Count() const;
    // Empty for an index with no item.
    std::wstring ItemText(int index) const;
};

class ListBoxRef : public WindowRef {
public:
    using WindowRef::WindowRef;
    int Count() const;
    // Empty for an index with no item.
    std::wstring ItemText(int index) const;
};

class ListViewRef : public WindowRef {
public:
    using WindowRef::WindowRef;
    int Count() const;
    // Empty for a cell that is not there.
    std::wstring ItemText(int row, int column) const;
};

}  // namespace twinsweep
