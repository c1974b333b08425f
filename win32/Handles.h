// Owners of Win32 handles, on one template: kernel objects, keys, modules,
// memory handed over by the system, GDI objects and device contexts, menus,
// image lists, COM pointers and COM initialisation.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace twinsweep {

template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;
    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : m_handle(handle) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Handle get() const { return m_handle; }
    bool valid() const { return Traits::Valid(m_handle); }
    explicit operator bool() const { return valid(); }
    Handle release() { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid())
    {
        if (Traits::Valid(m_handle))
            Traits::Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::Invalid();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Handle h) { FindClose(h); }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};

// Memory that an API hands over with LocalAlloc (CommandLineToArgvW, FormatMessage).
template <typename Pointer>
struct LocalMemoryTraits {
    using Handle = Pointer;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { LocalFree(reinterpret_cast<HLOCAL>(h)); }
};

// Memory that a COM call hands over (StringFromCLSID, SHParseDisplayName).
template <typename Pointer>
struct CoTaskMemoryTraits {
    using Handle = Pointer;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CoTaskMemFree(h); }
};

template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { SysFreeString(h); }
};

using UniqueHandle = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
template <typename Pointer>
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits<Pointer>>;
template <typename Pointer>
using UniqueCoTaskMemory = UniqueResource<CoTaskMemoryTraits<Pointer>>;
// GDI objects are deleted with DeleteObject, whatever their kind.
template <typename Object>
using GdiObject = UniqueResource<GdiObjectTraits<Object>>;
using Bitmap = GdiObject<HBITMAP>;
using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using UniqueMenu = UniqueResource<MenuTraits>;
// An image list that a control shows but does not own.
using UniqueImageList = UniqueResource<ImageListTraits>;
using UniqueBstr = UniqueResource<BstrTraits>;

// A memory device context compatible with the screen or with another context.
class MemoryDC : public UniqueResource<MemoryDCTraits> {
public:
    explicit MemoryDC(HDC compatibleWith = nullptr) : UniqueResource(CreateCompatibleDC(compatibleWith)) {}
};

// A context that GetDC or GetWindowDC lends for the time of a scope.
class BorrowedDC {
public:
    ~BorrowedDC()
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
    }
    BorrowedDC(const BorrowedDC&) = delete;
    BorrowedDC& operator=(const BorrowedDC&) = delete;
    HDC get() const { return m_dc; }

protected:
    BorrowedDC(HWND hwnd, HDC dc) : m_hwnd(hwnd), m_dc(dc) {}

private:
    HWND m_hwnd;
    HDC m_dc;
};

// A window's client area, or the screen's for no window.
class WindowDC : public BorrowedDC {
public:
    explicit WindowDC(HWND hwnd) : BorrowedDC(hwnd, GetDC(hwnd)) {}
};

// A whole window, its non-client area included.
class NonClientDC : public BorrowedDC {
public:
    explicit NonClientDC(HWND hwnd) : BorrowedDC(hwnd, GetWindowDC(hwnd)) {}
};

// BeginPaint and EndPaint around a scope.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hwnd(hwnd) { BeginPaint(hwnd, &m_paint); }
    ~PaintDC() { EndPaint(m_hwnd, &m_paint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return m_paint.hdc; }
    const RECT& Area() const { return m_paint.rcPaint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
};

// Selects an object into a context and puts the previous one back at the end.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// The storage medium of a data object's answer, released with the scope.
class StorageMedium {
public:
    StorageMedium() = default;
    ~StorageMedium() { ReleaseStgMedium(&m_medium); }
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    STGMEDIUM* put() { return &m_medium; }
    HGLOBAL global() const { return m_medium.hGlobal; }

private:
    STGMEDIUM m_medium{};
};

// COM for the calling thread for the life of the object. Only a successful
// initialisation (S_OK or S_FALSE) is balanced by CoUninitialize: a thread that is
// already in another apartment keeps it.
class ComInitialization {
public:
    explicit ComInitialization(DWORD model = COINIT_APARTMENTTHREADED) : m_result(CoInitializeEx(nullptr, model)) {}
    ~ComInitialization()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

    bool Succeeded() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

// A COM interface pointer that releases what it holds.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }
    // For the out-parameter of a call that hands over a reference.
    Interface** put()
    {
        reset();
        return &m_pointer;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset()
    {
        if (m_pointer)
            m_pointer->Release();
        m_pointer = nullptr;
    }

private:
    Interface* m_pointer = nullptr;
};

}  // namespace twinsweep
