#include "win32/Handoff.h"

#include "win32/Registry.h"

namespace twinsweep::handoff {

std::wstring ValueName(std::size_t index)
{
    return std::to_wstring(index);
}

// The key is deleted first, so that values of an earlier, longer hand-off never
// trail behind the new ones.
bool Write(const std::vector<std::wstring>& folders)
{
    RegistryKey::DeleteTree(HKEY_CURRENT_USER, kKeyPath);
    RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, kKeyPath, KEY_WRITE))
        return false;
    for (std::size_t index = 0; index < folders.size(); ++index) {
        if (!key.SetString(ValueName(index).c_str(), folders[index])) {
            key.Close();
            RegistryKey::DeleteTree(HKEY_CURRENT_USER, kKeyPath);
            return false;
        }
    }
    return true;
}

// The type is not checked: a value of another type gives its bytes as text, and
// the folder list turns away what is no folder.
std::vector<std::wstring> Take()
{
    std::vector<std::wstring> folders;
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kKeyPath))
        return folders;
    while (std::optional<RegistryValue> value = key.Query(ValueName(folders.size()).c_str()))
        folders.push_back(value->Text());
    key.Close();
    RegistryKey::DeleteTree(HKEY_CURRENT_USER, kKeyPath);
    return folders;
}

}  // namespace twinsweep::handoff
