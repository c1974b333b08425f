// Vexil.dll registered and unregistered by the prefix's regsvr32, read back from
// the real registry, its type library through the system's type-library API.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/Deliverables.h"
#include "win32/Handles.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

using Names = std::vector<std::wstring>;

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClsidText;
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// Name and help string of a type, or of the library for MEMBERID_NIL.
std::pair<std::wstring, std::wstring> Documentation(ITypeLib* library, ITypeInfo* type)
{
    BSTR name = nullptr, help = nullptr;
    if (type)
        type->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
    else
        library->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
    UniqueBstr ownedName(name), ownedHelp(help);
    return {name ? name : L"", help ? help : L""};
}

// The type a coclass or interface names in its first implementation slot.
ComPtr<ITypeInfo> FirstImplemented(ITypeInfo* type)
{
    ComPtr<ITypeInfo> implemented;
    HREFTYPE reference = 0;
    if (SUCCEEDED(type->GetRefTypeOfImplType(0, &reference)))
        type->GetRefTypeInfo(reference, implemented.put());
    return implemented;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.Succeeded()); }
    ComInitialization com;
};

TEST_F(RegistrationTest, Regsvr32WritesEveryKeyAndValueAndRemakesTheClassKeyEachTime)
{
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    RegistryKey stale;
    ASSERT_TRUE(stale.Create(HKEY_CLASSES_ROOT, (kClassKey + L"\\Implemented Categories").c_str()));
    stale.Close();
    ASSERT_EQ(Regsvr32(L"/s"), 0u);

    // The values themselves come from one table; what the system reads back of
    // them is the server's path, which is worked out when it registers.
    RegistryKey server;
    ASSERT_TRUE(server.Open(HKEY_CLASSES_ROOT, (kClassKey + L"\\InprocServer32").c_str()));
    EXPECT_EQ(server.QueryString(L""), VexilPath());
    RegistryKey classKey;
    classKey.Open(HKEY_CLASSES_ROOT, kClassKey.c_str());
    EXPECT_EQ(Sorted(classKey.SubkeyNames()), (Names{L"InprocServer32", L"ProgID", L"TypeLib", L"VersionIndependentProgID"}));
    EXPECT_EQ(Sorted(server.ValueNames()), (Names{L"", L"ThreadingModel"}));
}

TEST_F(RegistrationTest, UnregisteringRemovesWhatIsOwnedAndLeavesTheSharedParents)
{
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    ASSERT_EQ(Regsvr32(L"/u /s"), 0u);

    for (const std::wstring& owned : {std::wstring(L"Vexil.SweepMenuHandler.1"), std::wstring(L"Vexil.SweepMenuHandler"),
                                      kClassKey, std::wstring(L"Directory\\shellex\\ContextMenuHandlers\\Twinsweep")})
        EXPECT_FALSE(RegistryKey::Exists(HKEY_CLASSES_ROOT, owned.c_str())) << owned;
    EXPECT_TRUE(RegistryKey::Exists(HKEY_CLASSES_ROOT, L"Directory\\shellex\\ContextMenuHandlers"));
    RegistryKey approved;
    ASSERT_TRUE(approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey));
    EXPECT_FALSE(approved.Query(kClsidText));
    ComPtr<ITypeLib> library;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(kLibid, 1, 0, 0x0409, library.put())));
    // Nothing left to remove is no failure.
    EXPECT_EQ(Regsvr32(L"/u /s"), 0u);
}

TEST_F(RegistrationTest, TheTypeLibraryIsFoundByItsLibidWithItsNamesGuidsAndHelpStrings)
{
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(kLibid, 1, 0, 0x0409, library.put()), S_OK);
    EXPECT_EQ(Documentation(library.get(), nullptr), std::make_pair(std::wstring(L"VexilLib"),
                                                                    std::wstring(L"Vexil 1.0 Type Library")));
    EXPECT_EQ(library->GetTypeInfoCount(), 2u);
    // Both builds' libraries import the same stdole2: each must still describe
    // its own bitness.
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attributes);

    ComPtr<ITypeInfo> handlerInterface, handlerClass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(kInterfaceIid, handlerInterface.put()), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(kClsid, handlerClass.put()), S_OK);
    EXPECT_EQ(Documentation(library.get(), handlerInterface.get()),
              std::make_pair(std::wstring(L"ISweepMenuHandler"), std::wstring(L"ISweepMenuHandler Interface")));
    EXPECT_EQ(Documentation(library.get(), handlerClass.get()),
              std::make_pair(std::wstring(L"SweepMenuHandler"), std::wstring(L"SweepMenuHandler Class")));
    ComPtr<ITypeInfo> base = FirstImplemented(handlerInterface.get());
    ComPtr<ITypeInfo> defaultInterface = FirstImplemented(handlerClass.get());
    ASSERT_TRUE(base && defaultInterface);
    EXPECT_EQ(Documentation(library.get(), base.get()).first, L"IUnknown");
    EXPECT_EQ(Documentation(library.get(), defaultInterface.get()).first, L"ISweepMenuHandler");
}

}  // namespace
}  // namespace twinsweep::test
