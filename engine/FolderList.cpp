#include "engine/FolderList.h"

#include "engine/NameParts.h"
#include "engine/TextFormat.h"

namespace twinsweep {
namespace {

constexpr const char* kAddedTwice = "Folder '%s'\nis added twice.";
constexpr const char* kReplacedByNew = "Folder '%s' is a subfolder of '%s' and is replaced by it.";
constexpr const char* kInsideListed =
    "Folder '%s' is a subfolder of '%s'\nwhich is already in the list so it doesn't make sense to add it.";
constexpr const char* kOnlyFolders = "Your selection contained files.\nOnly directories are added.";

bool IsShortcutPath(const std::string& path)
{
    return path.size() > 4 && FoldAsciiCase(std::string_view(path).substr(path.size() - 4)) == ".lnk";
}

}  // namespace

FolderList::FolderList(const FileSystem& fs) : m_fs(fs) {}

std::vector<std::string> FolderList::AddFolders(const std::vector<std::string>& paths)
{
    std::vector<std::string> messages;
    bool filesSeen = false;
    for (std::string path : paths) {
        if (IsShortcutPath(path)) {
            std::string target = m_fs.ResolveShortcut(path);
            if (!target.empty())
                path = std::move(target);
        }
        if (!m_fs.IsFolder(path)) {
            filesSeen = true;
            continue;
        }
        AddFolder(path, messages);
    }
    if (filesSeen)
        messages.push_back(kOnlyFolders);
    return messages;
}

void FolderList::AddFolder(const std::string& path, std::vector<std::string>& messages)
{
    const std::string key = ComparisonKey(path);
    for (size_t i = 0; i < m_folders.size(); ++i) {
        const std::string listedKey = ComparisonKey(m_folders[i]);
        if (listedKey == key) {
            messages.push_back(FormatText(kAddedTwice, path.c_str()));
            return;
        }
        if (LiesInside(key, listedKey)) {
            messages.push_back(FormatText(kInsideListed, path.c_str(), m_folders[i].c_str()));
            return;
        }
        if (LiesInside(listedKey, key)) {
            messages.push_back(FormatText(kReplacedByNew, m_folders[i].c_str(), path.c_str()));
            m_folders[i] = path;
            // Nothing listed can contain the new folder now, but more listed
            // folders may lie inside it.
            for (size_t j = i + 1; j < m_folders.size();) {
                if (LiesInside(ComparisonKey(m_folders[j]), key)) {
                    messages.push_back(FormatText(kReplacedByNew, m_folders[j].c_str(), path.c_str()));
                    m_folders.erase(m_folders.begin() + static_cast<std::ptrdiff_t>(j));
                } else {
                    ++j;
                }
            }
            return;
        }
    }
    m_folders.push_back(path);
}

// Paths compare in their full form: "C:\Data\" is "C:\Data", and "C:\Data\..\Music"
// does not lie inside "C:\Data". A root keeps its separator ("C:\", "/").
std::string FolderList::ComparisonKey(const std::string& path) const
{
    return m_fs.PathCaseKey(m_fs.FullPath(path));
}

bool FolderList::LiesInside(const std::string& pathKey, const std::string& folderKey) const
{
    const char separator = m_fs.Separator();
    if (folderKey.empty() || pathKey.size() <= folderKey.size() || pathKey.compare(0, folderKey.size(), folderKey) != 0)
        return false;
    return folderKey.back() == separator || pathKey[folderKey.size()] == separator;
}

}  // namespace twinsweep
