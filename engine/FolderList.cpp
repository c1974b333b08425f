#include "engine/FolderList.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string_view>
#include <unordered_map>

#include "engine/NameParts.h"
#include "engine/TextFormat.h"

namespace twinsweep {
namespace {

constexpr const char* kAddedTwice = "Folder '%s'\nis added twice.";
constexpr const char* kReplacedByNew = "Folder '%s' is a subfolder of '%s' and is replaced by it.";
constexpr const char* kInsideListed =
    "Folder '%s' is a subfolder of '%s'\nwhich is already in the list so it doesn't make sense to add it.";
constexpr const char* kOnlyFolders = "Your selection contained files.\nOnly directories are added.";

// More boxes than this, one after another, would hold the user up for nothing.
constexpr size_t kMaxSeparateBoxes = 3;
constexpr size_t kMaxListedMessages = 20;

bool IsShortcutPath(const std::string& path)
{
    return path.size() > 4 && FoldAsciiCase(std::string_view(path).substr(path.size() - 4)) == ".lnk";
}

// The listed folders by key, for the lookups of one batch. A folder that leaves
// the list is only marked, and the marked ones go at the end, so that no removal
// shifts the rest of the list.
class FolderIndex {
public:
    FolderIndex(std::vector<KeyedFolder>& listed, char separator)
        : m_listed(listed), m_removed(listed.size(), false), m_separator(separator)
    {
        for (size_t i = 0; i < listed.size(); ++i)
            m_byKey.emplace(listed[i].key, i);
    }

    // The list never holds a folder together with one inside it, so at most one
    // listed folder equals or holds the new one, and never both.
    void Add(KeyedFolder folder, std::vector<std::string>& messages)
    {
        if (m_byKey.contains(folder.key)) {
            messages.push_back(FormatText(kAddedTwice, folder.path.c_str()));
            return;
        }
        if (const KeyedFolder* holder = Holder(folder.key)) {
            messages.push_back(FormatText(kInsideListed, folder.path.c_str(), holder->path.c_str()));
            return;
        }
        const std::vector<size_t> inside = Inside(folder.key);
        if (inside.empty()) {
            m_byKey.emplace(folder.key, m_listed.size());
            m_listed.push_back(std::move(folder));
            m_removed.push_back(false);
            return;
        }
        for (size_t position : inside) {
            messages.push_back(FormatText(kReplacedByNew, m_listed[position].path.c_str(), folder.path.c_str()));
            m_byKey.erase(m_listed[position].key);
            m_removed[position] = true;
        }
        // The first of them in list order makes room for the new folder at its place.
        const size_t place = inside.front();
        m_removed[place] = false;
        m_byKey.emplace(folder.key, place);
        m_listed[place] = std::move(folder);
    }

    void DropRemoved()
    {
        size_t kept = 0;
        for (size_t i = 0; i < m_listed.size(); ++i) {
            if (m_removed[i])
                continue;
            if (kept != i)
                m_listed[kept] = std::move(m_listed[i]);
            ++kept;
        }
        m_listed.resize(kept);
    }

private:
    // The listed folder that a key lies inside: one whose key is the start of this
    // key up to a separator ("C:\Data" holds "C:\Data\Photos", not "C:\Data2"). A
    // root such as "C:\" or "/" ends in its separator and holds every path below it.
    const KeyedFolder* Holder(const std::string& key) const
    {
        for (size_t i = 0; i < key.size(); ++i) {
            if (key[i] != m_separator)
                continue;
            for (size_t length : {i, i + 1}) {
                if (length == 0 || length >= key.size())
                    continue;
                auto found = m_byKey.find(std::string_view(key).substr(0, length));
                if (found != m_byKey.end())
                    return &m_listed[found->second];
            }
        }
        return nullptr;
    }

    // The places of the listed folders that lie inside a key, in list order. Their
    // keys all begin with the key and a separator, so they lie side by side in the
    // sorted index.
    std::vector<size_t> Inside(const std::string& key) const
    {
        std::vector<size_t> places;
        if (key.empty())
            return places;
        const std::string start = key.back() == m_separator ? key : key + m_separator;
        for (auto it = m_byKey.lower_bound(start); it != m_byKey.end() && it->first.starts_with(start); ++it)
            places.push_back(it->second);
        std::sort(places.begin(), places.end());
        return places;
    }

    std::vector<KeyedFolder>& m_listed;
    std::vector<bool> m_removed;
    std::map<std::string, size_t, std::less<>> m_byKey;
    char m_separator;
};

std::string OnOneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

std::vector<std::string> MergeFolders(std::vector<KeyedFolder>& listed, std::vector<KeyedFolder> added,
                                      char separator)
{
    std::vector<std::string> messages;
    FolderIndex index(listed, separator);
    for (KeyedFolder& folder : added)
        index.Add(std::move(folder), messages);
    index.DropRemoved();
    return messages;
}

std::vector<std::string> FolderMessageBoxes(const std::vector<std::string>& messages)
{
    if (messages.size() <= kMaxSeparateBoxes)
        return messages;
    const bool filesNote = messages.back() == kOnlyFolders;
    const size_t folderMessages = messages.size() - (filesNote ? 1 : 0);
    std::string text;
    for (size_t i = 0; i < std::min(folderMessages, kMaxListedMessages); ++i) {
        if (i > 0)
            text += '\n';
        text += OnOneLine(messages[i]);
    }
    if (folderMessages > kMaxListedMessages)
        text += "\nand " + std::to_string(folderMessages - kMaxListedMessages) + " more";
    if (filesNote) {
        text += "\n\n";
        text += kOnlyFolders;
    }
    return {text};
}

FolderList::FolderList(const FileSystem& fs) : m_fs(fs) {}

std::vector<std::string> FolderList::AddFolders(const std::vector<std::string>& paths)
{
    std::vector<KeyedFolder> added;
    bool filesSeen = false;
    // A batch may name one place many times: each place is asked once whether it is
    // a folder, since asking lists it.
    std::unordered_map<std::string, bool> isFolder;
    for (std::string path : paths) {
        if (IsShortcutPath(path)) {
            std::string target = m_fs.ResolveShortcut(path);
            if (!target.empty())
                path = std::move(target);
        }
        // Paths compare in their full form: "C:\Data\" is "C:\Data", and
        // "C:\Data\..\Music" does not lie inside "C:\Data".
        std::string key = m_fs.PathCaseKey(m_fs.FullPath(path));
        auto [known, firstTime] = isFolder.try_emplace(key, false);
        if (firstTime)
            known->second = m_fs.IsFolder(path);
        if (!known->second) {
            filesSeen = true;
            continue;
        }
        added.push_back({std::move(path), std::move(key)});
    }
    std::vector<std::string> messages = MergeFolders(m_listed, std::move(added), m_fs.Separator());
    m_folders.clear();
    for (const KeyedFolder& folder : m_listed)
        m_folders.push_back(folder.path);
    if (filesSeen)
        messages.push_back(kOnlyFolders);
    return messages;
}

void FolderList::RemoveAll()
{
    m_listed.clear();
    m_folders.clear();
}

void FolderList::RemoveAt(size_t index)
{
    m_listed.erase(m_listed.begin() + static_cast<std::ptrdiff_t>(index));
    m_folders.erase(m_folders.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace twinsweep
