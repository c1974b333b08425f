// Owners of Win32 handles.
#pragma once

#include <windows.h>
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
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueBstr = UniqueResource<BstrTraits>;

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
