#include "win32/Registry.h"

#include <cstring>

namespace twinsweep {
namespace {

bool Succeeded(LSTATUS status)
{
    return status == ERROR_SUCCESS;
}

bool GoneOrSucceeded(LSTATUS status)
{
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// Names of values or of subkeys, one enumeration call per index. The buffer is as
// long as the longest name the key reports.
template <typename Enumerate>
std::vector<std::wstring> EnumerateNames(DWORD longest, Enumerate enumerate)
{
    std::vector<std::wstring> names;
    std::wstring buffer(static_cast<std::size_t>(longest) + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (!Succeeded(enumerate(index, buffer.data(), &length)))
            break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

}  // namespace

std::wstring RegistryValue::Text() const
{
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    if (const std::size_t end = text.find(L'\0'); end != std::wstring::npos)
        text.resize(end);
    return text;
}

bool RegistryKey::Open(HKEY parent, const wchar_t* path, REGSAM access)
{
    HKEY key = nullptr;
    m_key.reset(Succeeded(RegOpenKeyExW(parent, path, 0, access, &key)) ? key : nullptr);
    return m_key.valid();
}

bool RegistryKey::Create(HKEY parent, const wchar_t* path, REGSAM access)
{
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    m_key.reset(Succeeded(status) ? key : nullptr);
    return m_key.valid();
}

bool RegistryKey::Exists(HKEY parent, const wchar_t* path)
{
    return RegistryKey().Open(parent, path);
}

// Under HKEY_CLASSES_ROOT a key can live both per user and per machine: it is gone
// only when neither is left.
bool RegistryKey::DeleteTree(HKEY parent, const wchar_t* path)
{
    return GoneOrSucceeded(RegDeleteTreeW(parent, path)) && !Exists(parent, path);
}

void RegistryKey::DeleteIfEmpty(HKEY parent, const wchar_t* path)
{
    RegistryKey key;
    DWORD subkeys = 0, values = 0;
    if (!key.Open(parent, path) || RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                                    &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    key.Close();
    if (subkeys == 0 && values == 0)
        RegDeleteKeyW(parent, path);
}

// The size is asked first; a value that grows between the two calls is asked again.
std::optional<RegistryValue> RegistryKey::Query(const wchar_t* name) const
{
    RegistryValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(m_key.get(), name, nullptr, &value.type, nullptr, &size);
    while (Succeeded(status)) {
        value.bytes.resize(size);
        status = RegQueryValueExW(m_key.get(), name, nullptr, &value.type, value.bytes.data(), &size);
        if (Succeeded(status)) {
            value.bytes.resize(size);
            return value;
        }
        if (status == ERROR_MORE_DATA)
            status = RegQueryValueExW(m_key.get(), name, nullptr, &value.type, nullptr, &size);
    }
    return std::nullopt;
}

std::optional<std::wstring> RegistryKey::QueryString(const wchar_t* name) const
{
    std::optional<RegistryValue> value = Query(name);
    if (!value || value->type != REG_SZ)
        return std::nullopt;
    return value->Text();
}

std::optional<DWORD> RegistryKey::QueryDword(const wchar_t* name) const
{
    std::optional<RegistryValue> value = Query(name);
    if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value->bytes.data(), sizeof(number));
    return number;
}

std::optional<std::vector<BYTE>> RegistryKey::QueryBinary(const wchar_t* name) const
{
    std::optional<RegistryValue> value = Query(name);
    if (!value || value->type != REG_BINARY)
        return std::nullopt;
    return std::move(value->bytes);
}

bool RegistryKey::Set(const wchar_t* name, DWORD type, const void* data, std::size_t bytes)
{
    if (bytes > MAXDWORD)
        return false;
    return Succeeded(RegSetValueExW(m_key.get(), name, 0, type, static_cast<const BYTE*>(data),
                                    static_cast<DWORD>(bytes)));
}

bool RegistryKey::SetString(const wchar_t* name, std::wstring_view text)
{
    const std::wstring terminated(text);
    return Set(name, REG_SZ, terminated.c_str(), (terminated.size() + 1) * sizeof(wchar_t));
}

bool RegistryKey::SetDword(const wchar_t* name, DWORD value)
{
    return Set(name, REG_DWORD, &value, sizeof(value));
}

bool RegistryKey::SetBinary(const wchar_t* name, const void* data, std::size_t bytes)
{
    return Set(name, REG_BINARY, data, bytes);
}

bool RegistryKey::DeleteValue(const wchar_t* name)
{
    return m_key.valid() && GoneOrSucceeded(RegDeleteValueW(m_key.get(), name));
}

std::vector<std::wstring> RegistryKey::ValueNames() const
{
    DWORD longest = 0;
    if (!Succeeded(RegQueryInfoKeyW(m_key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    &longest, nullptr, nullptr, nullptr)))
        return {};
    return EnumerateNames(longest, [&](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(m_key.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::wstring> RegistryKey::SubkeyNames() const
{
    DWORD longest = 0;
    if (!Succeeded(RegQueryInfoKeyW(m_key.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr)))
        return {};
    return EnumerateNames(longest, [&](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(m_key.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

}  // namespace twinsweep
