#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/ViewPainting.h"
#include "document/CDFDoc.h"
#include "resources/resource.h"
#include "tests/gui/GuiTest.h"
#include "tests/support/TempTree.h"
#include "tests/support/Win32Support.h"
#include "views/CDirView.h"
#include "win32/Utf16.h"

namespace twinsweep::test {
namespace {

using Texts = std::vector<std::wstring>;

constexpr UINT kMenuCommands[] = {ID_EXPLORE_FOLDER, ID_OPEN_FOLDER, ID_REMOVE_FOLDERS, ID_REMOVE_ALL_FOLDERS,
                                  ID_FOLDER_PROPERTIES};

bool IsEnabled(HMENU menu, UINT command)
{
    return (GetMenuState(menu, command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

HBITMAP ItemBitmap(HMENU menu, UINT command)
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoW(menu, command, FALSE, &item);
    return item.hbmpUnchecked;
}

class DirViewTest : public ::testing::Test {
protected:
    DirViewTest() : host(view, document) {}

    HWND List() const { return view.FolderList(); }

    // Folders made on disk and added through the document, as the user adds them.
    Texts AddFolders(int count)
    {
        Texts folders;
        for (int i = 1; i <= count; ++i)
            folders.push_back(Utf8ToWide(tree.MakeFolder("folder" + std::to_string(i))));
        document.AddFolders(folders);
        return folders;
    }

    Texts Lines() const
    {
        Texts lines;
        const int count = ListView_GetItemCount(List());
        for (int i = 0; i < count; ++i) {
            lines.push_back(ListViewText(List(), i, 0));
        }
        return lines;
    }

    Texts DocumentFolders() const
    {
        Texts folders;
        for (const std::string& folder : document.m_folders.Folders())
            folders.push_back(Utf8ToWide(folder));
        return folders;
    }

    void Select(std::initializer_list<int> lines, int focused)
    {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int line : lines)
            ListView_SetItemState(List(), line, LVIS_SELECTED, LVIS_SELECTED);
        if (focused >= 0)
            ListView_SetItemState(List(), focused, LVIS_FOCUSED, LVIS_FOCUSED);
    }

    void Command(UINT id) { SendMessageW(view.Handle(), WM_COMMAND, id, 0); }

    bool CommandEnabled(UINT id)
    {
        CommandState state{id};
        return view.OnUpdateCommand(state) && state.enabled;
    }

    TempTree tree;
    CDFDoc document;
    CDirView view;
    ViewHost host;
};

TEST_F(DirViewTest, RegistersWithTheDocumentAndShowsOneFullWidthColumnUnderTheCaption)
{
    host.Resize(500, 300);
    RECT view_client, list_rect, list_client;
    GetClientRect(view.Handle(), &view_client);
    GetWindowRect(List(), &list_rect);
    MapWindowPoints(nullptr, view.Handle(), reinterpret_cast<POINT*>(&list_rect), 2);
    GetClientRect(List(), &list_client);
    EXPECT_EQ(list_rect.left, 0);
    EXPECT_EQ(list_rect.top, kCaptionHeight);
    EXPECT_EQ(list_rect.right, view_client.right);
    EXPECT_EQ(list_rect.bottom, view_client.bottom);
    EXPECT_EQ(ListView_GetColumnWidth(List(), 0), list_client.right);

    wchar_t title[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = 32;
    ASSERT_TRUE(ListView_GetColumn(List(), 0, &column));
    EXPECT_STREQ(title, L"Directories");
    EXPECT_FALSE(ListView_GetColumn(List(), 1, &column));
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(List()) & LVS_EX_FULLROWSELECT);
    const LONG_PTR style = GetWindowLongPtrW(List(), GWL_STYLE);
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | WS_TABSTOP),
              LVS_REPORT | LVS_NOCOLUMNHEADER | WS_TABSTOP);
    EXPECT_FALSE(style & (LVS_SHOWSELALWAYS | WS_BORDER)) << "the template's styles only";
    HIMAGELIST images = ListView_GetImageList(List(), LVSIL_SMALL);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 1);
}

TEST_F(DirViewTest, LinesFollowTheDocumentsFolderList)
{
    const Texts folders = AddFolders(3);
    EXPECT_EQ(Lines(), folders);
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        ASSERT_TRUE(ListView_GetItem(List(), &item));
        EXPECT_EQ(item.iImage, 0);
    }

    const Texts more = {Utf8ToWide(tree.MakeFolder("later"))};
    document.AddFolders(more);
    EXPECT_EQ(Lines().size(), 4u);
    EXPECT_EQ(Lines(), DocumentFolders());

    // "Remove All" is the document's: it empties the list and refreshes the view.
    EXPECT_TRUE(document.OnCommand(ID_REMOVE_ALL_FOLDERS));
    EXPECT_TRUE(Lines().empty());
}

TEST_F(DirViewTest, RemoveOfTheSecondAndThirdOfFourLeavesTheFirstAndFourth)
{
    const Texts folders = AddFolders(4);
    Select({1, 2}, 2);
    ASSERT_TRUE(CommandEnabled(ID_REMOVE_FOLDERS));
    Command(ID_REMOVE_FOLDERS);
    const Texts kept = {folders[0], folders[3]};
    EXPECT_EQ(Lines(), kept);
    EXPECT_EQ(DocumentFolders(), kept);
}

TEST_F(DirViewTest, RemoveIsDisabledAndChangesNothingWhileASearchRuns)
{
    const Texts folders = AddFolders(2);
    Select({0}, 0);
    document.m_bBusy = true;
    EXPECT_FALSE(CommandEnabled(ID_REMOVE_FOLDERS));
    {
        ContextMenu menu = view.PrepareContextMenu();
        EXPECT_FALSE(IsEnabled(menu.Popup(), ID_REMOVE_FOLDERS));
        EXPECT_FALSE(IsEnabled(menu.Popup(), ID_REMOVE_ALL_FOLDERS));
        EXPECT_TRUE(IsEnabled(menu.Popup(), ID_OPEN_FOLDER));
    }
    Command(ID_REMOVE_FOLDERS);
    EXPECT_EQ(Lines(), folders);
    EXPECT_EQ(DocumentFolders(), folders);
    document.m_bBusy = false;
    EXPECT_TRUE(CommandEnabled(ID_REMOVE_FOLDERS));
}

TEST_F(DirViewTest, ContextMenuOfAnEmptyListOffersOnlyGreyedCommands)
{
    ContextMenu menu = view.PrepareContextMenu();
    ASSERT_NE(menu.Popup(), nullptr);
    EXPECT_EQ(GetMenuItemCount(menu.Popup()), 7);
    for (UINT command : kMenuCommands) {
        EXPECT_FALSE(IsEnabled(menu.Popup(), command)) << command;
        EXPECT_NE(ItemBitmap(menu.Popup(), command), nullptr) << command;
    }
}

TEST_F(DirViewTest, ContextMenuWithAFocusedLineOffersEveryCommand)
{
    AddFolders(2);
    Select({}, 1);
    ContextMenu menu = view.PrepareContextMenu();
    for (UINT command : kMenuCommands)
        EXPECT_TRUE(IsEnabled(menu.Popup(), command)) << command;

    // Lines but no focus: only "Remove All".
    Select({}, -1);
    ContextMenu unfocused = view.PrepareContextMenu();
    for (UINT command : kMenuCommands)
        EXPECT_EQ(IsEnabled(unfocused.Popup(), command), command == ID_REMOVE_ALL_FOLDERS) << command;
}

TEST_F(DirViewTest, DoubleClickOpensTheFocusedFolder)
{
    ShellLaunchRecorder launches;
    const Texts folders = AddFolders(3);
    RECT line;
    ListView_GetItemRect(List(), 1, &line, LVIR_LABEL);
    const LPARAM at = MAKELPARAM(line.left + 5, (line.top + line.bottom) / 2);
    Select({1}, 1);
    SendMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(List(), WM_LBUTTONUP, 0, at);
    Pump();
    ASSERT_EQ(launches.launches.size(), 1u);
    EXPECT_EQ(launches.launches[0].verb, L"open");
    EXPECT_EQ(launches.launches[0].file, folders[1]);
    EXPECT_EQ(launches.launches[0].owner, nullptr);
}

TEST_F(DirViewTest, ExploreOpenAndPropertiesActOnTheFocusedFolderOnly)
{
    ShellLaunchRecorder launches;
    const Texts folders = AddFolders(3);
    for (UINT id : {ID_EXPLORE_FOLDER, ID_OPEN_FOLDER, ID_FOLDER_PROPERTIES}) {
        EXPECT_FALSE(CommandEnabled(id));
        Command(id);
    }
    EXPECT_TRUE(launches.launches.empty());

    Select({0, 1}, 2);
    EXPECT_EQ(view.GetFocusedFolder(), folders[2]);
    for (UINT id : {ID_EXPLORE_FOLDER, ID_OPEN_FOLDER, ID_FOLDER_PROPERTIES})
        Command(id);
    ASSERT_EQ(launches.launches.size(), 3u);
    const wchar_t* verbs[] = {L"explore", L"open", L"properties"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(launches.launches[i].verb, verbs[i]);
        EXPECT_EQ(launches.launches[i].file, folders[2]);
        EXPECT_TRUE(launches.launches[i].parameters.empty());
        EXPECT_EQ(launches.launches[i].invokeIdList, i == 2);
        EXPECT_EQ(launches.launches[i].show, SW_SHOWNORMAL);
    }
}

// The caption strip as the views paint it.
PixelCapture CaptionCapture(HWND view, UINT bitmapId)
{
    RECT client;
    GetClientRect(view, &client);
    return PixelCapture(client.right, kCaptionHeight, [&](HDC dc) { DrawViewCaption(view, dc, bitmapId); });
}

bool IsWhite(COLORREF colour)
{
    return colour == RGB(255, 255, 255);
}

bool IsRed(COLORREF colour)
{
    return GetRValue(colour) > 200 && GetGValue(colour) < 60 && GetBValue(colour) < 60;
}

TEST_F(DirViewTest, CaptionIsAGreyRampWithTheWordOnItAndNoRed)
{
    host.Resize(400, 200);
    const PixelCapture caption = CaptionCapture(view.Handle(), IDB_CAPTION_FOLDERS);
    ASSERT_GT(caption.Width(), 300);
    EXPECT_EQ(caption.Pixel(0, 0), RGB(55, 55, 55));
    EXPECT_EQ(caption.Pixel(0, kCaptionHeight - 1), RGB(55, 55, 55));
    const COLORREF right = caption.Pixel(caption.Width() - 1, 0);
    EXPECT_EQ(GetRValue(right), GetBValue(right));
    EXPECT_GE(GetRValue(right), 250);
    EXPECT_EQ(caption.Count(IsRed), 0);
    // The word is white, in the middle, and nowhere near the ends.
    EXPECT_GT(caption.Count(IsWhite), 20);
    for (int y = 0; y < kCaptionHeight; ++y)
        EXPECT_FALSE(IsWhite(caption.Pixel(2, y)));
}

TEST_F(DirViewTest, CaptionNarrowerThanItsWordShowsTheMiddleOfIt)
{
    host.Resize(40, 200);
    const PixelCapture caption = CaptionCapture(view.Handle(), IDB_CAPTION_FOLDERS);
    ASSERT_GT(caption.Width(), 0);
    EXPECT_EQ(caption.Count(IsRed), 0);
    EXPECT_GT(caption.Count(IsWhite), 0);
}

}  // namespace
}  // namespace twinsweep::test
