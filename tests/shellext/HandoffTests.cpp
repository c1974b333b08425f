// The folder hand-off key through the shared writer and reader, on the real
// registry key of the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win32/Handoff.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

using Names = std::vector<std::wstring>;

struct StoredValue {
    std::wstring name;
    DWORD type;
    std::wstring text;
};

class HandoffTest : public ::testing::Test {
protected:
    void SetUp() override { RegistryKey::DeleteTree(HKEY_CURRENT_USER, handoff::kKeyPath); }
    void TearDown() override { RegistryKey::DeleteTree(HKEY_CURRENT_USER, handoff::kKeyPath); }
};

TEST_F(HandoffTest, TakeReadsUpToTheFirstGapAndDeletesTheKey)
{
    const std::wstring longPath = L"C:\\" + std::wstring(600, L'x');
    std::vector<StoredValue> twelve;
    Names twelveTaken;
    for (int index = 11; index >= 0; --index)
        twelve.push_back({std::to_wstring(index), REG_SZ, L"C:\\Folder" + std::to_wstring(index)});
    for (int index = 0; index < 12; ++index)
        twelveTaken.push_back(L"C:\\Folder" + std::to_wstring(index));
    const struct {
        const char* what;
        std::vector<StoredValue> stored;
        Names taken;
    } cases[] = {
        {"a gap ends the list", {{L"0", REG_SZ, L"C:\\A"}, {L"1", REG_SZ, L"C:\\B"}, {L"3", REG_SZ, L"C:\\D"}},
         {L"C:\\A", L"C:\\B"}},
        {"no \"0\", nothing", {{L"1", REG_SZ, L"C:\\B"}}, {}},
        {"\"0\" to \"11\" in numeric order", twelve, twelveTaken},
        {"another type's bytes as text", {{L"0", REG_BINARY, L"C:\\Bin"}, {L"1", REG_EXPAND_SZ, L"C:\\E"}},
         {L"C:\\Bin", L"C:\\E"}},
        {"any length", {{L"0", REG_SZ, longPath}}, {longPath}},
    };
    for (const auto& test : cases) {
        RegistryKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, handoff::kKeyPath));
        for (const StoredValue& value : test.stored)
            key.Set(value.name.c_str(), value.type, value.text.c_str(), (value.text.size() + 1) * sizeof(wchar_t));
        key.Close();
        EXPECT_EQ(handoff::Take(), test.taken) << test.what;
        EXPECT_FALSE(RegistryKey::Exists(HKEY_CURRENT_USER, handoff::kKeyPath)) << test.what;
    }
    EXPECT_TRUE(handoff::Take().empty());
}

TEST_F(HandoffTest, WriteReplacesAnEarlierHandoffWithWholeStringValues)
{
    ASSERT_TRUE(handoff::Write({L"C:\\0", L"C:\\1", L"C:\\2", L"C:\\3", L"C:\\4"}));
    const Names folders = {L"C:\\" + std::wstring(300, L'y'), L"C:\\\x03B5\x03BB\x03BB\x03B7\x03BD\x03B9\x03BA\x03AC"};
    ASSERT_TRUE(handoff::Write(folders));

    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, handoff::kKeyPath));
    Names names = key.ValueNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{L"0", L"1"}));
    for (size_t index = 0; index < folders.size(); ++index) {
        const std::optional<RegistryValue> value = key.Query(handoff::ValueName(index).c_str());
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value->bytes.size(), (folders[index].size() + 1) * sizeof(wchar_t));
        EXPECT_EQ(value->Text(), folders[index]);
    }
}

}  // namespace
}  // namespace twinsweep::test
