#include "engine/FolderScan.h"

namespace twinsweep {

FolderScanner::FolderScanner(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
    : m_job(job), m_fs(fs), m_reporter(reporter)
{
}

void FolderScanner::ScanFolder(const std::string& folder)
{
    // An explicit stack: a tree as deep as the longest path allows must not
    // overflow the search thread's stack.
    std::vector<Level> levels;
    EnterFolder(m_fs.FullPath(folder), levels);
    while (!levels.empty() && !Stopped()) {
        Level& level = levels.back();
        if (level.next == level.subfolders.size()) {
            levels.pop_back();
            continue;
        }
        std::string subfolder = JoinPath(level.path, level.subfolders[level.next++]);
        EnterFolder(subfolder, levels);
    }
}

bool FolderScanner::EnterFolder(const std::string& path, std::vector<Level>& levels)
{
    bool reportNow = m_throttle.Due();
    if (reportNow)
        m_reporter.ReportFileCount(m_job.files.Count());
    std::unique_ptr<FolderListing> listing = m_fs.OpenFolder(path);
    if (!listing)
        return false;
    if (std::optional<FileIdentity> identity = listing->Identity()) {
        if (!m_walkedFolders.insert(*identity).second)
            return false;
    }
    if (reportNow && !m_reporter.SetProgressText(path))
        m_job.stop = true;
    if (Stopped())
        return false;

    std::string folderWithSeparator = JoinPath(path, {});
    CollectFiles(*listing, m_job.files.AddFolder(std::move(folderWithSeparator)));
    if (Stopped())
        return false;

    Level level{path, {}, 0};
    m_entries.clear();
    listing->Find("*.*", m_entries);
    for (FolderEntry& entry : m_entries) {
        if (entry.isFolder)
            level.subfolders.push_back(std::move(entry.name));
    }
    levels.push_back(std::move(level));
    return true;
}

void FolderScanner::CollectFiles(FolderListing& listing, uint32_t folder)
{
    // A file matching two masks is listed twice but collected once.
    bool severalMasks = m_job.masks.size() > 1;
    m_namesOfFolder.clear();
    for (const std::string& mask : m_job.masks) {
        m_entries.clear();
        listing.Find(mask, m_entries);
        for (const FolderEntry& entry : m_entries) {
            if (Stopped())
                return;
            if (!Collectable(entry))
                continue;
            if (entry.identity) {
                if (!m_collectedFiles.insert(*entry.identity).second)
                    continue;
            } else if (severalMasks && !m_namesOfFolder.insert(entry.name).second) {
                continue;
            }
            m_job.files.AddFile(folder, entry.name, entry.size);
        }
    }
}

bool FolderScanner::Collectable(const FolderEntry& entry)
{
    if (entry.isFolder)
        return false;
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
