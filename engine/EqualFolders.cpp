#include "engine/EqualFolders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/MaskList.h"
#include "engine/NameCase.h"
#include "engine/ProgressThrottle.h"
#include "engine/SearchReporter.h"

namespace twinsweep {
namespace {

constexpr uint32_t kNone = UINT32_MAX;
// Content numbers of files: the file groups' numbers, and one more for empty files,
// which are equal to each other whether the search grouped them or not.
constexpr uint32_t kEmptyFile = UINT32_MAX - 1;

// One entry of a folder tree listed again whole, in an order that two equal trees
// share: each folder, depth first, as an entry naming its subfolders by their
// keys, followed by its files by their keys.
struct ListedEntry {
    bool isFolder;
    std::string key;
    uint64_t size;
    std::string path;
    bool collected;  // the walk collected it, so its group speaks for its bytes
    std::optional<FileStamp> stamp;  // as it was read, when it was
};

struct ListedTree {
    std::vector<ListedEntry> entries;
    uint64_t files = 0;
    uint64_t bytes = 0;
};

// Equal bytes, each file's stamp taken at its open and still its path's at the
// end, so that the bytes compared are those of the file stamped.
bool SameBytes(const FileSystem& fs, ListedEntry& x, ListedEntry& y)
{
    OpenResult a = fs.OpenForReading(x.path);
    OpenResult b = fs.OpenForReading(y.path);
    if (!a || !b || a.file->Stamp().size != x.size || b.file->Stamp().size != x.size)
        return false;
    x.stamp = a.file->Stamp();
    y.stamp = b.file->Stamp();
    constexpr size_t kBlock = 64 * 1024;
    std::vector<char> bufferA(kBlock), bufferB(kBlock);
    for (uint64_t offset = 0;;) {
        std::optional<size_t> readA = a.file->ReadAt(offset, bufferA.data(), kBlock);
        std::optional<size_t> readB = b.file->ReadAt(offset, bufferB.data(), kBlock);
        if (!readA || !readB || *readA != *readB || std::memcmp(bufferA.data(), bufferB.data(), *readA) != 0)
            return false;
        if (*readA == 0)
            return offset == x.size && fs.StillLeadsTo(x.path, *x.stamp) &&
                   fs.StillLeadsTo(y.path, *y.stamp);
        offset += *readA;
    }
}

// The files of a tree that the pass read, as it read them.
std::vector<DupFileEntry> ReadFiles(const ListedTree& tree)
{
    std::vector<DupFileEntry> read;
    for (const ListedEntry& entry : tree.entries) {
        if (entry.stamp)
            read.push_back({entry.path, entry.size, false, false, entry.stamp});
    }
    return read;
}

class FolderEquality {
public:
    FolderEquality(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
        : m_job(job), m_files(job.files), m_fs(fs), m_reporter(reporter)
    {
    }

    std::vector<FolderGroup> Run()
    {
        if (!m_job.options.equalContents || m_job.fileGroups.size() != m_files.Count())
            return {};
        LinkFolders();
        if (!ClassifyFolders())
            return {};
        m_group.assign(m_files.FolderCount(), kNone);
        std::vector<FolderGroup> groups;
        for (std::vector<uint32_t>& candidates : Candidates()) {
            if (Stopped())
                return {};
            // Folders inside the folders of one group are equal with them.
            if (InsideOneGroup(candidates)) {
                Assign(candidates);
                continue;
            }
            for (std::vector<uint32_t>& equal : Confirmed(std::move(candidates))) {
                const bool shown = !InsideOneGroup(equal);
                Assign(equal);
                if (shown)
                    groups.push_back(MakeGroup(equal));
            }
        }
        if (Stopped())
            return {};
        std::stable_sort(groups.begin(), groups.end(),
                         [](const FolderGroup& a, const FolderGroup& b) { return a.ByteTotal() > b.ByteTotal(); });
        return groups;
    }

private:
    // Parents, names and files of the walked folders. The walk enters a folder
    // before its subfolders, so a parent's index is below its children's.
    void LinkFolders()
    {
        const size_t count = m_files.FolderCount();
        m_byPath.reserve(count);
        for (uint32_t f = 0; f < count; ++f)
            m_byPath.emplace(m_files.FolderPath(f), f);
        m_parent.assign(count, kNone);
        m_nameKeys.resize(count);
        m_children.assign(count, {});
        for (uint32_t f = 0; f < count; ++f) {
            std::string_view path = Unterminated(m_files.FolderPath(f));
            size_t separator = path.rfind(m_fs.Separator());
            if (separator == std::string_view::npos)
                continue;
            auto parent = m_byPath.find(std::string_view(m_files.FolderPath(f)).substr(0, separator + 1));
            if (parent == m_byPath.end() || parent->second >= f)
                continue;
            m_parent[f] = parent->second;
            m_children[parent->second].push_back(f);
            m_nameKeys[f] = NameCaseKey(path.substr(separator + 1));
        }
        m_folderFiles.assign(count, {});
        for (uint32_t k = 0; k < m_files.Count(); ++k)
            m_folderFiles[m_files.FolderOf(k)].push_back(k);
    }

    // Bottom up, each folder gets the class of its contents: its entries' name keys
    // with the files' content numbers and the subfolders' classes. Classes are kept
    // by their whole contents, so folders share a class exactly when their walked
    // trees are equal. A folder holding a file equal to no other has no class.
    bool ClassifyFolders()
    {
        const size_t count = m_files.FolderCount();
        m_class.assign(count, kNone);
        m_fileCount.assign(count, 0);
        m_bytes.assign(count, 0);
        std::unordered_map<std::string, uint32_t> classes;
        std::vector<std::pair<std::string_view, std::array<uint32_t, 2>>> entries;
        std::vector<std::string> fileKeys;
        std::vector<uint32_t> contents;
        for (size_t f = count; f-- > 0;) {
            if (Stopped())
                return false;
            entries.clear();
            fileKeys.clear();
            contents.clear();
            for (uint32_t k : m_folderFiles[f]) {
                m_fileCount[f] += 1;
                m_bytes[f] += m_files.SizeOf(k);
                fileKeys.push_back(NameCaseKey(m_files.NameOf(k)));
                contents.push_back(m_files.SizeOf(k) == 0 ? kEmptyFile : m_job.fileGroups[k]);
            }
            bool classed = std::find(contents.begin(), contents.end(), SearchJob::kNoGroup) == contents.end();
            for (size_t i = 0; i < fileKeys.size(); ++i)
                entries.push_back({fileKeys[i], {0, contents[i]}});
            for (uint32_t child : m_children[f]) {
                classed = classed && m_class[child] != kNone;
                m_fileCount[f] += m_fileCount[child];
                m_bytes[f] += m_bytes[child];
                entries.push_back({m_nameKeys[child], {1, m_class[child]}});
            }
            if (!classed)
                continue;
            std::sort(entries.begin(), entries.end());
            std::string key;
            for (size_t i = 0; i < entries.size(); ++i) {
                // Names Windows takes for one, side by side on a case-sensitive system.
                if (i > 0 && entries[i].first == entries[i - 1].first) {
                    classed = false;
                    break;
                }
                key.append(entries[i].first);
                key.push_back('\0');
                key.append(reinterpret_cast<const char*>(entries[i].second.data()), sizeof(uint32_t) * 2);
            }
            if (classed)
                m_class[f] = classes.try_emplace(std::move(key), static_cast<uint32_t>(classes.size()))
                                 .first->second;
        }
        return true;
    }

    // Classes of two or more folders that hold files, by their first folders.
    std::vector<std::vector<uint32_t>> Candidates() const
    {
        std::unordered_map<uint32_t, std::vector<uint32_t>> members;
        for (uint32_t f = 0; f < m_class.size(); ++f) {
            if (m_class[f] != kNone && m_fileCount[f] > 0)
                members[m_class[f]].push_back(f);
        }
        std::vector<std::vector<uint32_t>> candidates;
        for (auto& [cls, folders] : members) {
            if (folders.size() >= 2)
                candidates.push_back(std::move(folders));
        }
        std::sort(candidates.begin(), candidates.end());
        return candidates;
    }

    // The folders lie one in each folder of one group: that group already says
    // they are equal. Two of them in one parent are a copy the parents' group does
    // not show.
    bool InsideOneGroup(const std::vector<uint32_t>& folders) const
    {
        std::unordered_set<uint32_t> parents;
        const uint32_t parent = m_parent[folders.front()];
        if (parent == kNone || m_group[parent] == kNone)
            return false;
        for (uint32_t f : folders) {
            if (m_parent[f] == kNone || m_group[m_parent[f]] != m_group[parent] || !parents.insert(m_parent[f]).second)
                return false;
        }
        return true;
    }

    void Assign(const std::vector<uint32_t>& folders)
    {
        for (uint32_t f : folders)
            m_group[f] = m_groupCount;
        ++m_groupCount;
    }

    // The sets of candidates that are equal to their last byte. Where the walk
    // collected every file, the classes say it; otherwise the candidates are listed
    // again and the files the walk left out compared.
    std::vector<std::vector<uint32_t>> Confirmed(std::vector<uint32_t> candidates)
    {
        if (WalkCollectedAll())
            return {std::move(candidates)};
        const std::string first(Unterminated(m_files.FolderPath(candidates.front())));
        if (m_throttle.Due() && !m_reporter.SetProgressText(first))
            m_job.stop = true;
        struct Set {
            std::vector<ListedTree> trees;  // the first one is compared with each other
            std::vector<uint32_t> folders;
        };
        std::vector<Set> sets;
        for (uint32_t f : candidates) {
            std::optional<ListedTree> tree = ListAgain(f);
            if (!tree)
                continue;
            auto same =
                std::find_if(sets.begin(), sets.end(), [&](Set& set) { return SameTrees(set.trees.front(), *tree); });
            if (same == sets.end())
                same = sets.insert(sets.end(), Set{});
            same->trees.push_back(std::move(*tree));
            same->folders.push_back(f);
        }
        std::vector<std::vector<uint32_t>> equal;
        for (Set& set : sets) {
            if (set.folders.size() < 2)
                continue;
            m_listed[set.folders.front()] = {set.trees.front().files, set.trees.front().bytes};
            for (size_t i = 0; i < set.folders.size(); ++i)
                m_readFiles[set.folders[i]] = ReadFiles(set.trees[i]);
            equal.push_back(std::move(set.folders));
        }
        return equal;
    }

    bool WalkCollectedAll() const
    {
        const bool everyName = m_job.masks.size() == 1 && MatchesEveryName(m_job.masks.front());
        // An entry the walk could not open is in no folder's class.
        return everyName && !m_job.options.rangeOn && m_job.unreadableFolders == 0 && m_job.unreadableFiles == 0 &&
               m_job.repeatsLeftOut == 0;
    }

    // The whole tree of a walked folder as it is now; nothing when a part cannot
    // be listed or is a link, whose target a deletion would not take along.
    std::optional<ListedTree> ListAgain(uint32_t folder) const
    {
        ListedTree tree;
        std::vector<std::string> pending{m_files.FolderPath(folder)};  // with trailing separators
        FolderEntries found;
        std::vector<ListedEntry> files;
        std::vector<std::pair<std::string, std::string>> subfolders;  // key, name
        while (!pending.empty()) {
            if (Stopped())
                return std::nullopt;
            const std::string path = std::move(pending.back());
            pending.pop_back();
            std::unique_ptr<FolderListing> listing = m_fs.OpenFolder(path);
            if (!listing)
                return std::nullopt;
            found.Clear();
            listing->Find("*.*", found);
            const std::unordered_set<std::string_view> collected = CollectedNames(path);
            files.clear();
            subfolders.clear();
            for (const FolderEntry& entry : found) {
                if (entry.isLink)
                    return std::nullopt;
                if (entry.isFolder)
                    subfolders.emplace_back(NameCaseKey(entry.name), entry.name);
                else
                    files.push_back({false, NameCaseKey(entry.name), entry.size, path + std::string(entry.name),
                                     collected.count(entry.name) > 0, std::nullopt});
            }
            std::sort(subfolders.begin(), subfolders.end());
            std::sort(files.begin(), files.end(), [](auto& a, auto& b) { return a.key < b.key; });
            if (!KeysDiffer(files, subfolders))
                return std::nullopt;
            // The folder's entry names its subfolders; the first is listed next.
            ListedEntry own{true, {}, 0, {}, false, std::nullopt};
            for (auto& [key, name] : subfolders)
                own.key.append(key).push_back('\0');
            tree.entries.push_back(std::move(own));
            for (auto subfolder = subfolders.rbegin(); subfolder != subfolders.rend(); ++subfolder)
                pending.push_back(path + subfolder->second + m_fs.Separator());
            for (ListedEntry& file : files) {
                tree.files += 1;
                tree.bytes += file.size;
                tree.entries.push_back(std::move(file));
            }
        }
        return tree;
    }

    // Names Windows would take for one, side by side on a case-sensitive system.
    static bool KeysDiffer(const std::vector<ListedEntry>& files,
                           const std::vector<std::pair<std::string, std::string>>& subfolders)
    {
        std::vector<std::string_view> keys;
        for (const ListedEntry& file : files)
            keys.push_back(file.key);
        for (const auto& subfolder : subfolders)
            keys.push_back(subfolder.first);
        std::sort(keys.begin(), keys.end());
        return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
    }

    // The names of the files the walk collected in a folder.
    std::unordered_set<std::string_view> CollectedNames(const std::string& folderPath) const
    {
        std::unordered_set<std::string_view> names;
        auto folder = m_byPath.find(folderPath);
        if (folder != m_byPath.end()) {
            for (uint32_t k : m_folderFiles[folder->second])
                names.insert(m_files.NameOf(k));
        }
        return names;
    }

    // Entries at the same place have the same name keys and kinds. The files both
    // walks collected are equal by their classes; the others are read.
    bool SameTrees(ListedTree& a, ListedTree& b) const
    {
        if (a.entries.size() != b.entries.size() || a.bytes != b.bytes)
            return false;
        for (size_t i = 0; i < a.entries.size(); ++i) {
            const ListedEntry& x = a.entries[i];
            const ListedEntry& y = b.entries[i];
            if (x.isFolder != y.isFolder || x.key != y.key || x.size != y.size)
                return false;
        }
        for (size_t i = 0; i < a.entries.size(); ++i) {
            ListedEntry& x = a.entries[i];
            ListedEntry& y = b.entries[i];
            if (Stopped())
                return false;
            if (!x.isFolder && !(x.collected && y.collected) && !SameBytes(m_fs, x, y))
                return false;
        }
        return true;
    }

    FolderGroup MakeGroup(const std::vector<uint32_t>& folders)
    {
        FolderGroup group;
        auto listed = m_listed.find(folders.front());
        for (uint32_t f : folders) {
            DupFolderEntry entry;
            entry.strPath = std::string(Unterminated(m_files.FolderPath(f)));
            entry.files = listed != m_listed.end() ? listed->second.first : m_fileCount[f];
            entry.size = listed != m_listed.end() ? listed->second.second : m_bytes[f];
            if (auto read = m_readFiles.find(f); read != m_readFiles.end())
                entry.otherFiles = std::move(read->second);
            group.folders.push_back(std::move(entry));
        }
        return group;
    }

    // A folder's path without its trailing separator, unless that is all of a root.
    std::string_view Unterminated(std::string_view path) const
    {
        if (path.size() > 1 && path.back() == m_fs.Separator() && path[path.size() - 2] != ':')
            path.remove_suffix(1);
        return path;
    }

    bool Stopped() const { return m_job.stop.load(std::memory_order_relaxed); }

    SearchJob& m_job;
    const FileCatalogue& m_files;
    const FileSystem& m_fs;
    SearchReporter& m_reporter;
    ProgressThrottle m_throttle;
    std::unordered_map<std::string_view, uint32_t> m_byPath;
    std::vector<uint32_t> m_parent;
    std::vector<std::string> m_nameKeys;
    std::vector<std::vector<uint32_t>> m_children;
    std::vector<std::vector<uint32_t>> m_folderFiles;
    std::vector<uint32_t> m_class;
    std::vector<uint64_t> m_fileCount;
    std::vector<uint64_t> m_bytes;
    std::vector<uint32_t> m_group;  // the group each folder is in, shown or folded
    uint32_t m_groupCount = 0;
    // Files and bytes of the folders of confirmed groups, by their first folders,
    // as the second listing found them: the walk may have left some out.
    std::unordered_map<uint32_t, std::pair<uint64_t, uint64_t>> m_listed;
    // The files the pass read in the folders of confirmed groups.
    std::unordered_map<uint32_t, std::vector<DupFileEntry>> m_readFiles;
};

}  // namespace

uint64_t FolderGroup::ByteTotal() const
{
    uint64_t total = 0;
    for (const DupFolderEntry& folder : folders)
        total += folder.size;
    return total;
}

std::optional<FolderTotals> CountFolderTree(const FileSystem& fs, const std::string& path)
{
    FolderTotals totals;
    std::vector<std::string> pending{path};
    FolderEntries found;
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        std::unique_ptr<FolderListing> listing = fs.OpenFolder(folder);
        if (!listing)
            return std::nullopt;
        found.Clear();
        listing->Find("*.*", found);
        for (const FolderEntry& entry : found) {
            if (entry.isFolder && !entry.isLink)
                pending.push_back((folder.back() == fs.Separator() ? folder : folder + fs.Separator()) +
                                  std::string(entry.name));
            totals.files += entry.isFolder ? 0 : 1;
            totals.bytes += entry.isFolder ? 0 : entry.size;
        }
    }
    return totals;
}

std::vector<FolderGroup> FindEqualFolders(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
{
    return FolderEquality(job, fs, reporter).Run();
}

}  // namespace twinsweep
