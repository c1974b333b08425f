#include "engine/FolderScan.h"

#include <algorithm>

namespace twinsweep {

FolderScanner::FolderScanner(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
    : m_job(job), m_fs(fs), m_reporter(reporter),
      m_prefetcher([this](const std::string& path, bool identify) { return ListFolder(path, identify); },
                   std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4) - 1)
{
}

void FolderScanner::ScanFolder(const std::string& folder)
{
    // An explicit stack: a tree as deep as the longest path allows must not
    // overflow the search thread's stack.
    // A second listed folder may be reached through a link from the first.
    if (m_listedFoldersWalked++ > 0 && !m_identifyFolders)
        IdentifyWalkedFolders();
    std::vector<Level> levels;
    EnterFolder(Schedule(m_fs.FullPath(folder), true), levels);
    while (!levels.empty() && !Stopped()) {
        Level& level = levels.back();
        if (level.next == level.subfolders.size()) {
            levels.pop_back();
            continue;
        }
        Subfolder subfolder = std::move(level.subfolders[level.next++]);
        EnterFolder(subfolder, levels);
    }
}

FolderScanner::Subfolder FolderScanner::Schedule(std::string path, bool identify)
{
    FolderPrefetcher::Ticket ticket = m_prefetcher.Schedule(path, identify);
    return {std::move(path), std::move(ticket)};
}

void FolderScanner::IdentifyWalkedFolders()
{
    m_identifyFolders = true;
    for (size_t folder = 0; folder < m_job.files.FolderCount(); ++folder) {
        if (std::optional<FileIdentity> identity = m_fs.FolderIdentity(m_job.files.FolderPath(folder)))
            m_walkedFolders.insert(*identity);
    }
}

void FolderScanner::EnterFolder(const Subfolder& folder, std::vector<Level>& levels)
{
    bool reportNow = m_throttle.Due();
    if (reportNow)
        m_reporter.ReportFileCount(m_job.files.Count());
    FolderContents contents = m_prefetcher.Take(folder.ticket);
    if (!contents.entered) {
        ++m_job.unreadableFolders;
        return;
    }
    if (!contents.identity && m_identifyFolders)
        contents.identity = m_fs.FolderIdentity(folder.path);
    if (contents.identity && !m_walkedFolders.insert(*contents.identity).second)
        return;
    if (reportNow && !m_reporter.SetProgressText(folder.path))
        m_job.stop = true;
    if (Stopped())
        return;

    uint32_t catalogueFolder = m_job.files.AddFolder(JoinPath(folder.path, {}));
    for (const FolderEntry& file : contents.files) {
        if (Stopped())
            return;
        if (CollectedBefore(file, catalogueFolder))
            continue;
        m_job.files.AddFile(catalogueFolder, file.name, file.size);
    }

    if (contents.linkedSubfolder && !m_identifyFolders)
        IdentifyWalkedFolders();
    Level level;
    level.subfolders.reserve(contents.subfolders.size());
    for (const std::string& name : contents.subfolders)
        level.subfolders.push_back(Schedule(JoinPath(folder.path, name), m_identifyFolders));
    levels.push_back(std::move(level));
}

bool FolderScanner::CollectedBefore(const FolderEntry& file, uint32_t folder)
{
    const uint64_t index = file.identity ? file.identity->index : file.index;
    if (index == 0)
        return false;
    Collected here{folder, file.identity ? std::optional(file.identity->volume) : std::nullopt};
    auto volumeOf = [this](const Collected& collected) {
        return collected.volume ? collected.volume : FolderVolume(collected.folder);
    };
    auto [first, last] = m_collectedFiles.equal_range(index);
    for (auto earlier = first; earlier != last; ++earlier) {
        std::optional<uint64_t> volume = volumeOf(earlier->second);
        if (volume && volume == volumeOf(here))
            return true;
    }
    m_collectedFiles.emplace(index, here);
    return false;
}

std::optional<uint64_t> FolderScanner::FolderVolume(uint32_t folder)
{
    auto [known, added] = m_folderVolumes.try_emplace(folder);
    if (added) {
        if (std::optional<FileIdentity> identity = m_fs.FolderIdentity(m_job.files.FolderPath(folder)))
            known->second = identity->volume;
    }
    return known->second;
}

// Runs on helper threads too: it only reads the job's masks and options, which
// nothing changes during a walk.
FolderContents FolderScanner::ListFolder(const std::string& path, bool identify) const
{
    FolderContents contents;
    std::unique_ptr<FolderListing> listing = m_fs.OpenFolder(path);
    if (!listing)
        return contents;
    contents.entered = true;
    if (identify)
        contents.identity = listing->Identity();

    // A file matching two masks is listed twice but collected once.
    std::unordered_set<std::string> names;
    const bool severalMasks = m_job.masks.size() > 1;
    std::vector<FolderEntry> entries;
    for (const std::string& mask : m_job.masks) {
        entries.clear();
        listing->Find(mask, entries);
        for (FolderEntry& entry : entries) {
            if (entry.isFolder || !InRange(entry))
                continue;
            if (severalMasks && !names.insert(entry.name).second)
                continue;
            contents.files.push_back(std::move(entry));
        }
    }
    entries.clear();
    listing->Find("*.*", entries);
    for (FolderEntry& entry : entries) {
        if (!entry.isFolder)
            continue;
        contents.linkedSubfolder = contents.linkedSubfolder || entry.isLink;
        contents.subfolders.push_back(std::move(entry.name));
    }
    return contents;
}

bool FolderScanner::InRange(const FolderEntry& entry) const
{
    if (!m_job.options.rangeOn)
        return true;
    auto size = static_cast<int64_t>(entry.size);
    return m_job.options.minSize <= size && size <= m_job.options.maxSize;
}

std::string FolderScanner::JoinPath(const std::string& folder, const std::string& name) const
{
    std::string path = folder;
    if (path.empty() || path.back() != m_fs.Separator())
        path += m_fs.Separator();
    path += name;
    return path;
}

}  // namespace twinsweep
