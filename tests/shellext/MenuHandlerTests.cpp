// The handler as Explorer uses it: made by COM from the registration, given the
// shell's own data object for real folders, asked for its menu item and invoked,
// which starts the real Twinsweep.exe in a process of its own.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/Deliverables.h"
#include "tests/support/TempTree.h"
#include "tests/support/Win32Support.h"
#include "win32/Handles.h"
#include "win32/Handoff.h"
#include "win32/Registry.h"
#include "win32/Utf16.h"

namespace twinsweep::test {
namespace {

using Names = std::vector<std::wstring>;

// The shell's data object for folders of one parent, in the order given, as a
// folder view makes it for its selection.
ComPtr<IDataObject> ShellDataObject(const std::wstring& parent, const Names& names)
{
    ComPtr<IDataObject> data;
    ComPtr<IShellFolder> desktop, folder;
    PIDLIST_RELATIVE list = nullptr;
    SHGetDesktopFolder(desktop.put());
    desktop->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(parent.c_str()), nullptr, &list, nullptr);
    UniqueCoTaskMemory<PIDLIST_RELATIVE> parentList(list);
    if (!parentList || FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder, folder.put_void())))
        return data;
    std::vector<UniqueCoTaskMemory<PIDLIST_RELATIVE>> owned;
    std::vector<PCUITEMID_CHILD> children;
    for (const std::wstring& name : names) {
        PIDLIST_RELATIVE child = nullptr;
        folder->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(name.c_str()), nullptr, &child, nullptr);
        children.push_back(owned.emplace_back(child).get());
    }
    folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                          data.put_void());
    return data;
}

// OLE's data object over a drop list on the clipboard, as Explorer's Copy puts
// it there. Needs OLE started on the thread.
ComPtr<IDataObject> ClipboardDataObject(const Names& paths)
{
    std::wstring names;
    for (const std::wstring& path : paths)
        names += path + L'\0';
    const size_t bytes = sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t);
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(global));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(header + 1));
    GlobalUnlock(global);
    ComPtr<IDataObject> data;
    HWND owner = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (OpenClipboard(owner) && EmptyClipboard() && SetClipboardData(CF_HDROP, global))
        global = nullptr;  // the clipboard's now
    CloseClipboard();
    GlobalFree(global);
    OleGetClipboard(data.put());
    DestroyWindow(owner);
    return data;
}

void PutHandoff(const Names& folders)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, handoff::kKeyPath));
    for (size_t index = 0; index < folders.size(); ++index)
        ASSERT_TRUE(key.SetString(std::to_wstring(index).c_str(), folders[index]));
}

class MenuHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        ASSERT_TRUE(com.Succeeded());
        CreateHandler(VexilPath());
    }

    // As Explorer does: by its CLSID, from the registration.
    void CreateHandler(const std::wstring& library)
    {
        ASSERT_EQ(Regsvr32(L"/s", library), 0u);
        ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put_void()), S_OK);
        ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.put_void()), S_OK);
    }

    void TearDown() override { DeleteSettingsKey(); }

    std::wstring MakeFolder(const std::string& relative) { return Utf8ToWide(tree.MakeFolder(relative)); }

    HRESULT Select(const std::wstring& parent, const Names& names)
    {
        ComPtr<IDataObject> data = ShellDataObject(parent, names);
        EXPECT_TRUE(data) << "the shell made no data object";
        return init->Initialize(nullptr, data.get(), nullptr);
    }

    HRESULT Invoke(const char* verb)
    {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        return menu->InvokeCommand(&info);
    }

    // As a caller that speaks Unicode does: the ANSI field holds what it could
    // make of the verb.
    HRESULT InvokeWide(const wchar_t* verb)
    {
        CMINVOKECOMMANDINFOEX info{};
        info.cbSize = sizeof info;
        info.fMask = CMIC_MASK_UNICODE;
        info.lpVerb = IS_INTRESOURCE(verb) ? reinterpret_cast<LPCSTR>(verb) : "?";
        info.lpVerbW = verb;
        return menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
    }

    ComInitialization com;
    ComPtr<IShellExtInit> init;
    ComPtr<IContextMenu> menu;
    TempTree tree;
};

TEST_F(MenuHandlerTest, AddsItsItemWithImageAtTheGivenPlaceUnlessOnlyTheDefaultIsAsked)
{
    UniqueMenu popup(CreatePopupMenu());
    AppendMenuW(popup.get(), MF_STRING, 1, L"&Open");
    AppendMenuW(popup.get(), MF_STRING, 2, L"&Explore");
    EXPECT_EQ(menu->QueryContextMenu(popup.get(), 1, 100, 200, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(GetMenuItemCount(popup.get()), 2);

    EXPECT_EQ(menu->QueryContextMenu(popup.get(), 1, 100, 200, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
    ASSERT_EQ(GetMenuItemCount(popup.get()), 3);
    wchar_t text[32] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_CHECKMARKS;
    item.dwTypeData = text;
    item.cch = 32;
    ASSERT_TRUE(GetMenuItemInfoW(popup.get(), 1, TRUE, &item));
    EXPECT_STREQ(text, L"&Twinsweep");
    EXPECT_EQ(item.wID, 100u);
    EXPECT_EQ(item.hbmpChecked, item.hbmpUnchecked);
    BITMAP image{};
    ASSERT_TRUE(GetObjectW(item.hbmpUnchecked, sizeof image, &image));
    EXPECT_EQ(image.bmWidth, 14);
    EXPECT_EQ(image.bmHeight, 14);

    // The image is the handler's: it goes when the handler goes.
    init.reset();
    menu.reset();
    EXPECT_EQ(GetObjectW(item.hbmpUnchecked, sizeof image, &image), 0);
}

TEST_F(MenuHandlerTest, GivesItsTextsWithinTheBufferForItsOwnCommandOnly)
{
    // Filled, so that a text written without its terminating zero, or where
    // nothing should be written, shows.
    auto text = [&](UINT type, UINT length) {
        alignas(wchar_t) char buffer[64];
        std::fill(std::begin(buffer), std::end(buffer), '\x7F');
        EXPECT_EQ(menu->GetCommandString(0, type, nullptr, buffer, length), S_OK);
        if (type & GCS_UNICODE)
            return std::wstring(reinterpret_cast<wchar_t*>(buffer), wcsnlen(reinterpret_cast<wchar_t*>(buffer), 32));
        return std::wstring(buffer, buffer + strnlen(buffer, 64));
    };
    EXPECT_EQ(text(GCS_VERBA, 64), L"Twinsweep GCS_VERBA");
    EXPECT_EQ(text(GCS_HELPTEXTA, 64), L"Twinsweep");
    EXPECT_EQ(text(GCS_VERBW, 32), L"Twinsweep GCS_VERBW");
    EXPECT_EQ(text(GCS_HELPTEXTW, 32), L"Twinsweep");
    EXPECT_EQ(text(GCS_HELPTEXTA, 4), L"Twi");
    EXPECT_EQ(text(GCS_VERBW, 4), L"Twi");
    EXPECT_EQ(text(GCS_VALIDATEA, 64), std::wstring(64, L'\x7F'));
    EXPECT_EQ(text(GCS_VALIDATEW, 64), std::wstring(32, wchar_t{0x7F7F}));
    char buffer[64];
    EXPECT_EQ(menu->GetCommandString(1, GCS_HELPTEXTA, nullptr, buffer, 64), E_INVALIDARG);
    EXPECT_EQ(menu->GetCommandString(1, GCS_VALIDATEA, nullptr, buffer, 64), S_FALSE);
    EXPECT_EQ(menu->GetCommandString(1, GCS_VALIDATEW, nullptr, buffer, 64), S_FALSE);
    EXPECT_EQ(menu->GetCommandString(0, GCS_VERBICONW, nullptr, buffer, 64), E_INVALIDARG);
}

TEST_F(MenuHandlerTest, AnotherVerbOrOffsetFailsAndLeavesTheHandoffAlone)
{
    MakeFolder("chosen");
    ASSERT_EQ(Select(Utf8ToWide(tree.Root()), {L"chosen"}), S_OK);
    PutHandoff({L"C:\\Earlier"});
    EXPECT_EQ(Invoke("open"), E_FAIL);
    EXPECT_EQ(Invoke("Twinsweep"), E_FAIL);
    EXPECT_EQ(Invoke(MAKEINTRESOURCEA(1)), E_FAIL);
    EXPECT_EQ(InvokeWide(L"open"), E_FAIL);
    EXPECT_EQ(InvokeWide(MAKEINTRESOURCEW(1)), E_FAIL);
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, handoff::kKeyPath));
    EXPECT_EQ(key.ValueNames(), Names{L"0"});
    EXPECT_EQ(key.QueryString(L"0"), L"C:\\Earlier");
}

// One name outside the ANSI code page: the handler reads the drop list wide.
TEST_F(MenuHandlerTest, ThreeFoldersReachANewTwinsweepWindowInTheOrderOfTheSelection)
{
    Names earlier;
    for (int index = 0; index < 5; ++index)
        earlier.push_back(MakeFolder("earlier" + std::to_string(index)));
    PutHandoff(earlier);
    const std::string greek = "\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xE6\x97\xA5\xE6\x9C\xAC";
    const std::wstring gamma = MakeFolder("Gamma"), other = MakeFolder(greek), beta = MakeFolder("Beta");
    ASSERT_EQ(Select(Utf8ToWide(tree.Root()), {L"Gamma", Utf8ToWide(greek), L"Beta"}), S_OK);

    StartedProgram program;
    ASSERT_EQ(Invoke(MAKEINTRESOURCEA(0)), S_OK);
    EXPECT_EQ(program.WaitForFolderList(3), (Names{gamma, other, beta}));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CURRENT_USER, handoff::kKeyPath));
}

// The shell of this platform names no folder beyond 259 characters, Explorer's
// does; the drop list comes here through the OLE clipboard instead.
TEST_F(MenuHandlerTest, AFolderBeyond259CharactersArrivesWhole)
{
    const std::wstring longName = MakeFolder(std::string(120, 'p') + "/" + std::string(120, 'q'));
    const std::wstring shortName = MakeFolder("short");
    ASSERT_GT(longName.size(), 259u);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ComPtr<IDataObject> data = ClipboardDataObject({longName, shortName});
    ASSERT_EQ(init->Initialize(nullptr, data.get(), nullptr), S_OK);
    data.reset();
    OleUninitialize();

    // By the verb the handler hands out, as a caller that found it there does.
    StartedProgram program;
    ASSERT_EQ(Invoke("twinsweep gcs_verba"), S_OK);
    EXPECT_EQ(program.WaitForFolderList(2), (Names{longName, shortName}));
}

// Started without its path quoted, a program in "...\Program Files\..." would
// read "Files\Twinsweep\Twinsweep.exe" as a folder to list; here that folder
// exists, relative to the current directory the program is given.
TEST_F(MenuHandlerTest, AProgramInAFolderWithBlanksStartsWithoutArguments)
{
    const std::wstring installed = MakeFolder("Program Files/Twinsweep") + L"\\";
    MakeFolder("Files/Twinsweep/Twinsweep.exe");
    const std::wstring chosen = MakeFolder("chosen");
    ASSERT_TRUE(CopyFileW(VexilPath().c_str(), (installed + L"Vexil.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), (installed + L"Twinsweep.exe").c_str(), FALSE));
    CreateHandler(installed + L"Vexil.dll");
    ASSERT_EQ(Select(Utf8ToWide(tree.Root()), {L"chosen"}), S_OK);
    wchar_t testFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, testFolder);
    SetCurrentDirectoryW(Utf8ToWide(tree.Root()).c_str());
    {
        StartedProgram program;
        EXPECT_EQ(InvokeWide(L"Twinsweep GCS_VERBW"), S_OK);
        SetCurrentDirectoryW(testFolder);
        EXPECT_EQ(program.WaitForFolderList(1), Names{chosen});
    }
    // The copy is let go, so that the temporary folder can be removed.
    init.reset();
    menu.reset();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(Regsvr32(L"/s"), 0u);
}

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

TEST_F(MenuHandlerTest, TheLibraryStaysWhileAnObjectLivesOrTheServerIsLocked)
{
    auto canUnloadNow = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"Vexil.dll"), "DllCanUnloadNow")));
    ASSERT_TRUE(canUnloadNow);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    init.reset();
    menu.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, aggregated.put_void()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace twinsweep::test
