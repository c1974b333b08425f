#include "framework/Window.h"

#include <commctrl.h>

namespace twinsweep {
namespace {

constexpr wchar_t kObjectProperty[] = L"Twinsweep.Wnd";
constexpr wchar_t kWindowClass[] = L"TwinsweepWindow";
constexpr wchar_t kFrameClass[] = L"TwinsweepFrame";
constexpr UINT_PTR kSubclassId = 1;

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
    return hwnd ? static_cast<Wnd*>(GetPropW(hwnd, kObjectProperty)) : nullptr;
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
    if (!hwnd || !SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_subclassed = true;
    Bind(hwnd);
    return true;
}

void Wnd::Bind(HWND hwnd)
{
    m_hwnd = hwnd;
    SetPropW(hwnd, kObjectProperty, this);
}

void Wnd::Unbind()
{
    if (!m_hwnd)
        return;
    RemovePropW(m_hwnd, kObjectProperty);
    if (m_subclassed)
        RemoveWindowSubclass(m_hwnd, SubclassProc, kSubclassId);
    else if (GetWindowLongPtrW(m_hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    m_subclassed = false;
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
    if (m_subclassed)
        return DefSubclassProc(m_hwnd, message, wParam, lParam);
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

bool Wnd::OnReflected(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

// No exception may cross into the system: a handler that throws gets the
// window's default handling.
LRESULT Wnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = m_hwnd;
    LRESULT result;
    try {
        result = WindowProc(message, wParam, lParam);
    } catch (...) {
        result = m_subclassed ? DefSubclassProc(hwnd, message, wParam, lParam)
                              : DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        FinalMessage();
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

LRESULT CALLBACK Wnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR data)
{
    auto* object = reinterpret_cast<Wnd*>(data);
    if (object->m_hwnd != hwnd)
        return DefSubclassProc(hwnd, message, wParam, lParam);
    return object->Dispatch(message, wParam, lParam);
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
