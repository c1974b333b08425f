// A registry key with the few operations the program, the Explorer extension and
// the tests need: open or create, typed values in both directions, deletes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/Handles.h"

namespace twinsweep {

// A value as stored: its type and its bytes, whatever their length.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;

    // The bytes as UTF-16 text up to the first zero. The registry does not enforce
    // the terminating zero, so the text may also end with the data.
    std::wstring Text() const;
};

// Opening and creating answer with bool; a key that did not open fails every
// later call quietly. Value names and paths are plain wide strings; the empty
// name is the key's default value.
class RegistryKey {
public:
    RegistryKey() = default;

    bool Open(HKEY parent, const wchar_t* path, REGSAM access = KEY_READ);
    bool Create(HKEY parent, const wchar_t* path, REGSAM access = KEY_READ | KEY_WRITE);
    void Close() { m_key.reset(); }
    HKEY get() const { return m_key.get(); }
    explicit operator bool() const { return m_key.valid(); }

    static bool Exists(HKEY parent, const wchar_t* path);
    // The key with everything below it. True also when there was no such key.
    static bool DeleteTree(HKEY parent, const wchar_t* path);
    // The key when it holds neither values nor subkeys; a key with anything in it
    // stays.
    static void DeleteIfEmpty(HKEY parent, const wchar_t* path);

    // Any type, any length.
    std::optional<RegistryValue> Query(const wchar_t* name) const;
    // Each reader takes only its own type: a value of another type reads as none.
    std::optional<std::wstring> QueryString(const wchar_t* name) const;
    std::optional<DWORD> QueryDword(const wchar_t* name) const;
    std::optional<std::vector<BYTE>> QueryBinary(const wchar_t* name) const;

    bool Set(const wchar_t* name, DWORD type, const void* data, std::size_t bytes);
    // REG_SZ with its terminating zero.
    bool SetString(const wchar_t* name, std::wstring_view text);
    bool SetDword(const wchar_t* name, DWORD value);
    bool SetBinary(const wchar_t* name, const void* data, std::size_t bytes);
    // True also when there was no such value.
    bool DeleteValue(const wchar_t* name);

    // In the registry's order.
    std::vector<std::wstring> ValueNames() const;
    std::vector<std::wstring> SubkeyNames() const;

private:
    UniqueRegistryKey m_key;
};

}  // namespace twinsweep
