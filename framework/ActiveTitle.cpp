#include "framework/ActiveTitle.h"

#include <unordered_map>

namespace twinsweep {
namespace {

struct TitleFilter {
    WNDPROC previous = nullptr;
    bool keeping = false;
};

// Windows whose procedure is the filter. A filter that something took over after
// it cannot leave the chain: it stays, passing every message on, and filters
// again when asked to.
std::unordered_map<HWND, TitleFilter>& Filters()
{
    static std::unordered_map<HWND, TitleFilter> filters;
    return filters;
}

LRESULT CALLBACK TitleFilterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& filters = Filters();
    auto found = filters.find(hwnd);
    if (found == filters.end())
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const TitleFilter filter = found->second;
    const bool losing = (message == WM_NCACTIVATE && !wParam) ||
                        (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE);
    if (losing && filter.keeping)
        return 1;
    if (message == WM_NCDESTROY)
        filters.erase(found);
    return CallWindowProcW(filter.previous, hwnd, message, wParam, lParam);
}

}  // namespace

void KeepTitleActive(HWND window)
{
    if (!window)
        return;
    auto& filters = Filters();
    auto found = filters.find(window);
    if (found == filters.end()) {
        const auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TitleFilterProc)));
        if (!previous)
            return;
        found = filters.emplace(window, TitleFilter{previous, false}).first;
    }
    found->second.keeping = true;
}

void StopKeepingTitleActive(HWND window)
{
    auto& filters = Filters();
    auto found = filters.find(window);
    if (found == filters.end())
        return;
    found->second.keeping = false;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == TitleFilterProc) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.previous));
        filters.erase(found);
    }
}

}  // namespace twinsweep
