#include "engine/FolderScan.h"

#include <algorithm>
#include <functional>

namespace twinsweep {

FolderScanner::FolderScanner(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
    : m_job(job), m_fs(fs), m_reporter(reporter), m_mostHeldListings(std::max<size_t>(1, fs.OpenFileBudget() / 4)),
      m_prefetcher([this](const FolderRequest& request) { return ListFolder(request); }, fs.ReadingThreads() - 1,
                   [this] { return m_heldListings.load(std::memory_order_relaxed) < m_mostHeldListings; })
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
    Subfolder listed{m_fs.FullPath(folder), false, nullptr};
    listed.ticket = m_prefetcher.Schedule({{listed.path, nullptr, true, false}}).front();
    EnterFolder(listed, levels);
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

// A link may lead back up the tree: what lies behind it is queued only once the
// walk has entered it, and so knows it for a folder not walked before.
void FolderScanner::Queue(std::vector<Subfolder>& subfolders, const std::shared_ptr<const FolderListing>& parent,
                          bool links)
{
    std::vector<FolderRequest> requests;
    std::vector<Subfolder*> queued;
    for (Subfolder& subfolder : subfolders) {
        if (subfolder.ticket || (subfolder.isLink && !links))
            continue;
        requests.push_back({subfolder.path, parent, m_identifyFolders, !subfolder.isLink});
        queued.push_back(&subfolder);
    }
    std::vector<FolderTicket> tickets = m_prefetcher.Schedule(std::move(requests));
    for (size_t i = 0; i < tickets.size(); ++i)
        queued[i]->ticket = std::move(tickets[i]);
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
    if (Stopped())
        return;
    if (!contents.entered) {
        ++m_job.unreadableFolders;
        return;
    }
    if (!contents.identity && m_identifyFolders)
        contents.identity = m_fs.FolderIdentity(folder.path);
    if (contents.identity && !m_walkedFolders.insert(*contents.identity).second) {
        ++m_job.repeatsLeftOut;
        return;
    }
    m_job.unreadableFiles += contents.unopenableFiles;
    m_job.unreadableFolders += contents.unopenableFolders;
    if (reportNow && !m_reporter.SetProgressText(folder.path))
        m_job.stop = true;
    if (Stopped())
        return;

    uint32_t catalogueFolder = m_job.files.AddFolder(JoinPath(folder.path, {}));
    for (const FolderEntry& file : contents.files) {
        if (Stopped())
            return;
        if (CollectedBefore(file, catalogueFolder)) {
            ++m_job.repeatsLeftOut;
            continue;
        }
        m_job.files.AddFile(catalogueFolder, file.name, file.size, file.Index());
    }

    if (contents.linkedSubfolder && !m_identifyFolders)
        IdentifyWalkedFolders();
    Queue(contents.subfolders, contents.listing, true);
    levels.push_back({std::move(contents.subfolders)});
}

bool FolderScanner::CollectedBefore(const FolderEntry& file, uint32_t folder)
{
    const uint64_t index = file.Index();
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
// nothing changes during a walk, and queues folders.
FolderContents FolderScanner::ListFolder(const FolderRequest& request)
{
    FolderContents contents;
    if (Stopped())
        return contents;
    std::unique_ptr<FolderListing> listing =
        request.parent ? m_fs.OpenSubfolder(*request.parent, request.path) : m_fs.OpenFolder(request.path);
    if (!listing)
        return contents;
    contents.entered = true;
    if (request.identify)
        contents.identity = listing->Identity();

    // One listing serves files and subfolders alike when every name matches;
    // other masks each ask the folder for their own names.
    std::vector<FolderEntry> all;
    listing->Find("*.*", all);
    for (const FolderEntry& entry : all) {
        if (!entry.isFolder)
            continue;
        if (entry.unopenable) {
            ++contents.unopenableFolders;
            continue;
        }
        contents.linkedSubfolder = contents.linkedSubfolder || entry.isLink;
        contents.subfolders.push_back({JoinPath(request.path, entry.name), entry.isLink, nullptr});
    }
    if (CollectsEveryName())
        TakeFiles(all, contents);
    else
        FindFiles(*listing, contents);
    if (!contents.subfolders.empty())
        contents.listing = Hold(std::move(listing));
    if (request.queueSubfolders)
        Queue(contents.subfolders, contents.listing, false);
    return contents;
}

namespace {

// A listing kept open for its subfolders; the scanner is told when it closes.
struct HeldListing {
    HeldListing(std::unique_ptr<FolderListing> held, std::function<void()> closed)
        : listing(std::move(held)), onClose(std::move(closed))
    {
    }
    ~HeldListing() { onClose(); }
    HeldListing(const HeldListing&) = delete;
    HeldListing& operator=(const HeldListing&) = delete;

    std::unique_ptr<FolderListing> listing;
    std::function<void()> onClose;
};

}  // namespace

// A folder keeps its listing open until its subfolders are opened from it: a
// subfolder opened by its path instead can lie beyond the longest path the
// system takes. Folders listed ahead hold listings too, so the helpers wait
// while a few hundred are held; the walk itself never does.
std::shared_ptr<const FolderListing> FolderScanner::Hold(std::unique_ptr<FolderListing> listing)
{
    m_heldListings.fetch_add(1, std::memory_order_relaxed);
    auto held = std::make_shared<HeldListing>(std::move(listing), [this] { Release(); });
    return {held, held->listing.get()};
}

void FolderScanner::Release()
{
    if (m_heldListings.fetch_sub(1, std::memory_order_relaxed) == m_mostHeldListings)
        m_prefetcher.Wake();
}

// The usual case: one mask, for every name.
bool FolderScanner::CollectsEveryName() const
{
    return m_job.masks.size() == 1 && MatchesEveryName(m_job.masks.front());
}

// Keeps the files of a listing of every name, in place: a folder of many files
// is not held twice.
void FolderScanner::TakeFiles(std::vector<FolderEntry>& all, FolderContents& contents) const
{
    std::erase_if(all, [&](const FolderEntry& entry) {
        return entry.isFolder || !InRange(entry) || !Openable(entry, contents);
    });
    contents.files = std::move(all);
}

// Counts a file that cannot be opened by its name.
bool FolderScanner::Openable(const FolderEntry& file, FolderContents& contents) const
{
    contents.unopenableFiles += file.unopenable;
    return !file.unopenable;
}

// A file matching two masks is listed twice but collected once.
void FolderScanner::FindFiles(FolderListing& listing, FolderContents& contents) const
{
    std::unordered_set<std::string> names;
    const bool severalMasks = m_job.masks.size() > 1;
    std::vector<FolderEntry> entries;
    for (const std::string& mask : m_job.masks) {
        entries.clear();
        listing.Find(mask, entries);
        for (FolderEntry& entry : entries) {
            if (entry.isFolder || !InRange(entry))
                continue;
            if (severalMasks && !names.insert(entry.name).second)
                continue;
            if (Openable(entry, contents))
                contents.files.push_back(std::move(entry));
        }
    }
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
