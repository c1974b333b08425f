#include "framework/Window.h"

#include <commctrl.h>

#include <unordered_map>

namespace twinsweep {

std::wstring WindowRef::Text() const
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(m_hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(m_hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

namespace {

constexpr wchar_t kWindowClass[] = L"TwinsweepWindow";
constexpr wchar_t kFrameClass[] = L"TwinsweepFrame";

// What the program knows of a window it bound: its object and, for a window it
// took over, the procedure it had before.
struct Binding {
    Wnd* object = nullptr;
    WNDPROC previous = nullptr;
};

// Windows and their objects, per thread since a window's messages only ever
// arrive on the thread that made it. Kept in the process: window properties and
// the system's subclass chains ask the window manager on every message, which
// costs a round trip per message on some systems.
std::unordered_map<HWND, Binding>& Bindings()
{
    thread_local std::unordered_map<HWND, Binding> bindings;
    return bindings;
}

Binding* FindBinding(HWND hwnd)
{
    auto& bindings = Bindings();
    auto found = bindings.find(hwnd);
    return found == bindings.end() ? nullptr : &found->second;
}

// One class for child windows and one for the frame, which carries the icon.
const wchar_t* RegisteredClass(UINT iconId, WNDPROC proc)
{
    const bool frame = iconId != 0;
    static ATOM window = 0, frameAtom = 0;
    ATOM& atom = frame ? frameAtom : window;
    if (!atom) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = ResourceInstance();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = frame ? kFrameClass : kWindowClass;
        if (frame) {
            wc.hIcon = LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(iconId));
            wc.hIconSm = static_cast<HICON>(
                LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        }
        atom = RegisterClassExW(&wc);
    }
    return frame ? kFrameClass : kWindowClass;
}

// The control a parent's message is about, or null.
HWND ControlOf(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM:
        return reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<HWND>(lParam);
    default:
        (void)wParam;
        return nullptr;
    }
}

}  // namespace

HINSTANCE ResourceInstance()
{
    return GetModuleHandleW(nullptr);
}

Wnd::~Wnd()
{
    HWND hwnd = m_hwnd;
    if (!hwnd)
        return;
    Unbind();
    DestroyWindow(hwnd);
}

Wnd* Wnd::FromHandle(HWND hwnd)
{
    const Binding* binding = hwnd ? FindBinding(hwnd) : nullptr;
    return binding ? binding->object : nullptr;
}

bool Wnd::Create(DWORD exStyle, const wchar_t* title, DWORD style, const RECT& rect, HWND parent, UINT id,
                 UINT iconId)
{
    HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND hwnd = CreateWindowExW(exStyle, RegisteredClass(iconId, StaticWindowProc), title, style, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId,
                                ResourceInstance(), this);
    return hwnd != nullptr;
}

bool Wnd::Subclass(HWND hwnd)
{
    if (!hwnd || FindBinding(hwnd))
        return false;
    Bind(hwnd);
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    if (!previous) {
        Unbind();
        return false;
    }
    m_previousProc = previous;
    Bindings()[hwnd].previous = previous;
    return true;
}

void Wnd::Bind(HWND hwnd)
{
    m_hwnd = hwnd;
    Bindings()[hwnd].object = this;
}

// A window taken over gets its procedure back, unless something took it over
// after us: then our procedure stays in its chain and passes every message on.
void Wnd::Unbind()
{
    if (!m_hwnd)
        return;
    auto& bindings = Bindings();
    auto found = bindings.find(m_hwnd);
    if (m_previousProc) {
        const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_hwnd, GWLP_WNDPROC));
        if (current == SubclassProc) {
            SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
            bindings.erase(found);
        } else if (found != bindings.end()) {
            found->second.object = nullptr;
        }
    } else {
        if (found != bindings.end())
            bindings.erase(found);
        if (GetWindowLongPtrW(m_hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
            SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    }
    m_previousProc = nullptr;
    m_hwnd = nullptr;
}

void Wnd::FinalMessage()
{
    Unbind();
    OnFinalMessage();
}

LRESULT Wnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT Wnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_previousProc)
        return CallWindowProcW(m_previousProc, m_hwnd, message, wParam, lParam);
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

bool Wnd::HoldsTitle(UINT message, WPARAM wParam) const
{
    const bool losing = (message == WM_NCACTIVATE && !wParam) ||
                        (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE);
    return losing && m_keepTitleActive;
}

bool Wnd::OnReflected(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

// No exception may cross into the system: a handler that throws gets the
// window's default handling.
LRESULT Wnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND hwnd = m_hwnd;
    if (HoldsTitle(message, wParam))
        return 1;
    LRESULT result;
    try {
        result = WindowProc(message, wParam, lParam);
    } catch (...) {
        result = Default(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        FinalMessage();
        // Handles are used again: a gone window leaves nothing behind.
        Bindings().erase(hwnd);
    }
    return result;
}

LRESULT CALLBACK Wnd::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<Wnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        object->Bind(hwnd);
    }
    auto* object = reinterpret_cast<Wnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!object)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return object->Dispatch(message, wParam, lParam);
}

LRESULT CALLBACK Wnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Binding* binding = FindBinding(hwnd);
    if (!binding)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (binding->object)
        return binding->object->Dispatch(message, wParam, lParam);
    // Unbound while a later procedure still calls ours: pass everything on.
    const WNDPROC previous = binding->previous;
    if (message == WM_NCDESTROY)
        Bindings().erase(hwnd);
    return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

void KeepWindowTitleActive(HWND window, bool keep)
{
    if (Wnd* object = Wnd::FromHandle(window))
        object->KeepTitleActive(keep);
}

bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND control = ControlOf(message, wParam, lParam);
    Wnd* object = Wnd::FromHandle(control);
    if (!object)
        return false;
    try {
        return object->OnReflected(message, wParam, lParam, result);
    } catch (...) {
        return false;
    }
}

}  // namespace twinsweep
