#include "shellext/Registration.h"

#include <objbase.h>
#include <olectl.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "shellext/Guarded.h"
#include "shellext/Guids.h"
#include "shellext/Module.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"
#include "win32/Registry.h"

namespace twinsweep {
namespace {

constexpr wchar_t kProgId[] = L"Vexil.SweepMenuHandler.1";
constexpr wchar_t kVersionIndependentProgId[] = L"Vexil.SweepMenuHandler";
constexpr wchar_t kClassDescription[] = L"SweepMenuHandler Class";
// "Directory" is the shell's type of folders: the item shows for folders only.
constexpr wchar_t kMenuHandlerKey[] = L"Directory\\shellex\\ContextMenuHandlers\\Twinsweep";
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t kApprovedText[] = L"Twinsweep";

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

std::wstring ClassKey()
{
    return L"CLSID\\" + GuidText(kSweepMenuHandlerClsid);
}

struct RegistryEntry {
    HKEY root;
    std::wstring path;
    std::wstring name;  // empty: the key's default value
    std::wstring text;
};

std::vector<RegistryEntry> Entries(const std::wstring& library)
{
    const std::wstring clsid = GuidText(kSweepMenuHandlerClsid);
    const std::wstring progId = kProgId;
    const std::wstring versionIndependent = kVersionIndependentProgId;
    const std::wstring classKey = ClassKey();
    return {
        {HKEY_CLASSES_ROOT, progId, L"", kClassDescription},
        {HKEY_CLASSES_ROOT, progId + L"\\CLSID", L"", clsid},
        {HKEY_CLASSES_ROOT, versionIndependent, L"", kClassDescription},
        {HKEY_CLASSES_ROOT, versionIndependent + L"\\CLSID", L"", clsid},
        {HKEY_CLASSES_ROOT, versionIndependent + L"\\CurVer", L"", progId},
        {HKEY_CLASSES_ROOT, classKey, L"", kClassDescription},
        {HKEY_CLASSES_ROOT, classKey + L"\\ProgID", L"", progId},
        {HKEY_CLASSES_ROOT, classKey + L"\\VersionIndependentProgID", L"", versionIndependent},
        {HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"", library},
        {HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {HKEY_CLASSES_ROOT, classKey + L"\\TypeLib", L"", GuidText(kVexilLibid)},
        {HKEY_CLASSES_ROOT, kMenuHandlerKey, L"", clsid},
        {HKEY_LOCAL_MACHINE, kApprovedKey, clsid, kApprovedText},
    };
}

// The keys only this library uses; their parents are shared with the system and
// other programs.
std::vector<std::wstring> OwnedClassesKeys()
{
    return {kProgId, kVersionIndependentProgId, ClassKey(), kMenuHandlerKey};
}

bool WriteEntry(const RegistryEntry& entry)
{
    RegistryKey key;
    return key.Create(entry.root, entry.path.c_str(), KEY_WRITE) && key.SetString(entry.name.c_str(), entry.text);
}

HRESULT RegisterTypeLibrary(const std::wstring& library)
{
    ComPtr<ITypeLib> typeLibrary;
    const HRESULT loaded = LoadTypeLibEx(library.c_str(), REGKIND_NONE, typeLibrary.put());
    if (FAILED(loaded))
        return loaded;
    std::wstring path = library;  // the declaration wants it writable
    return RegisterTypeLib(typeLibrary.get(), path.data(), nullptr);
}

// A library that is not registered is already where unregistering leads.
HRESULT UnregisterTypeLibrary(const std::wstring& library)
{
    ComPtr<ITypeLib> typeLibrary;
    HRESULT result = LoadTypeLibEx(library.c_str(), REGKIND_NONE, typeLibrary.put());
    if (FAILED(result))
        return result;
    TLIBATTR* attributes = nullptr;
    result = typeLibrary->GetLibAttr(&attributes);
    if (FAILED(result))
        return result;
    const TLIBATTR identity = *attributes;
    typeLibrary->ReleaseTLibAttr(attributes);
    BSTR registeredPath = nullptr;
    const bool registered = SUCCEEDED(QueryPathOfRegTypeLib(identity.guid, identity.wMajorVerNum,
                                                            identity.wMinorVerNum, identity.lcid, &registeredPath));
    UniqueBstr ownedPath(registeredPath);
    if (!registered)
        return S_OK;
    return UnRegisterTypeLib(identity.guid, identity.wMajorVerNum, identity.wMinorVerNum, identity.lcid,
                             identity.syskind);
}

}  // namespace

HRESULT RegisterServer()
{
    return Guarded([] {
        const std::wstring library = ModuleFileName(ModuleInstance());
        if (library.empty())
            return SELFREG_E_CLASS;
        // A class key of an older version may hold subkeys that this one does not
        // write: the key is made anew.
        if (!RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, ClassKey().c_str()))
            return SELFREG_E_CLASS;
        for (const RegistryEntry& entry : Entries(library)) {
            if (!WriteEntry(entry))
                return SELFREG_E_CLASS;
        }
        return RegisterTypeLibrary(library);
    });
}

// Everything is tried, so that one key that will not go does not keep the rest.
HRESULT UnregisterServer()
{
    return Guarded([] {
        HRESULT result = S_OK;
        auto keep = [&](HRESULT step) {
            if (SUCCEEDED(result) && FAILED(step))
                result = step;
        };
        for (const std::wstring& path : OwnedClassesKeys())
            keep(RegistryKey::DeleteTree(HKEY_CLASSES_ROOT, path.c_str()) ? S_OK : SELFREG_E_CLASS);
        RegistryKey approved;
        if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE))
            keep(approved.DeleteValue(GuidText(kSweepMenuHandlerClsid).c_str()) ? S_OK : SELFREG_E_CLASS);
        const std::wstring library = ModuleFileName(ModuleInstance());
        keep(library.empty() ? SELFREG_E_TYPELIB : UnregisterTypeLibrary(library));
        return result;
    });
}

}  // namespace twinsweep
