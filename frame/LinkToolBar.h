// The main toolbar, with the maker's logo at its right end as a link to the
// maker's web page.
#pragma once

#include <windows.h>

#include "framework/Bars.h"

namespace twinsweep {

class LinkToolBar : public ToolBar {
public:
    static constexpr int kLinkWidth = 100;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool InLinkArea(int x) const;
    void PaintLink();
};

}  // namespace twinsweep
