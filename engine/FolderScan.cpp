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
    m_listedVolumes.emplace_back();
    for (const FolderEntry& file : contents.files) {
        if (Stopped())
            return;
        if (file.paths == FolderEntry::Paths::Unknown && !m_rememberEveryFile)
            RememberEveryFile();
        // A file with one path is listed again only with its whole folder, which
        // the folder's identity leaves out.
        const bool remember = file.Index() != 0 &&
                              (m_rememberEveryFile || file.paths != FolderEntry::Paths::One || !contents.identity);
        if (remember && CollectedBefore(file, catalogueFolder)) {
            ++m_job.repeatsLeftOut;
            continue;
        }
        m_job.files.AddFile(catalogueFolder, file.name, file.size, file.Index());
        const auto collected = static_cast<uint32_t>(m_job.files.Count() - 1);
        NoteVolume(file, catalogueFolder, collected);
        if (remember)
            Remember(collected);
    }
    KeepSpareEntries(std::move(contents.files));

    if (contents.linkedSubfolder && !m_identifyFolders)
        IdentifyWalkedFolders();
    Queue(contents.subfolders, contents.listing, true);
    levels.push_back({std::move(contents.subfolders)});
}

namespace {

constexpr uint32_t kNoFile = UINT32_MAX;

size_t SlotOf(uint64_t index, size_t slots)
{
    return static_cast<size_t>((index * 0x9E3779B97F4A7C15ull) >> 32) & (slots - 1);
}

bool HasFileOfOnePath(const FolderEntries& files)
{
    for (const FolderEntry& file : files) {
        if (file.paths == FolderEntry::Paths::One)
            return true;
    }
    return false;
}

}  // namespace

bool FolderScanner::CollectedBefore(const FolderEntry& file, uint32_t folder)
{
    const uint64_t index = file.Index();
    if (index == 0 || m_collectedFiles.empty())
        return false;
    std::optional<uint64_t> here;
    bool hereKnown = false;
    const size_t mask = m_collectedFiles.size() - 1;
    for (size_t at = SlotOf(index, m_collectedFiles.size()); m_collectedFiles[at] != kNoFile; at = (at + 1) & mask) {
        const uint32_t earlier = m_collectedFiles[at];
        if (m_job.files.IndexOf(earlier) != index)
            continue;
        if (!hereKnown) {
            here = file.identity ? std::optional(file.identity->volume) : FolderVolume(folder);
            hereKnown = true;
        }
        std::optional<uint64_t> volume = VolumeOf(earlier);
        if (volume && volume == here)
            return true;
    }
    return false;
}

void FolderScanner::NoteVolume(const FolderEntry& file, uint32_t folder, uint32_t collected)
{
    if (!file.identity)
        return;
    std::optional<uint64_t>& listed = m_listedVolumes[folder];
    if (!listed)
        listed = file.identity->volume;
    else if (*listed != file.identity->volume)
        m_otherVolumes.emplace(collected, file.identity->volume);
}

// From the first file that may be another path to a file collected under its one
// name, every file goes into the table, those collected before too.
void FolderScanner::RememberEveryFile()
{
    m_rememberEveryFile = true;
    std::fill(m_collectedFiles.begin(), m_collectedFiles.end(), kNoFile);
    m_collectedCount = 0;
    for (uint32_t collected = 0; collected < m_job.files.Count(); ++collected) {
        if (m_job.files.IndexOf(collected) != 0)
            Remember(collected);
    }
}

// A collected file with a number.
void FolderScanner::Remember(uint32_t collected)
{
    // Kept at most three quarters full.
    if ((m_collectedCount + 1) * 4 > m_collectedFiles.size() * 3) {
        std::vector<uint32_t> old(std::max<size_t>(1024, m_collectedFiles.size() * 2), kNoFile);
        old.swap(m_collectedFiles);
        for (uint32_t earlier : old) {
            if (earlier != kNoFile)
                Insert(earlier);
        }
    }
    Insert(collected);
    ++m_collectedCount;
}

void FolderScanner::Insert(uint32_t collected)
{
    const size_t mask = m_collectedFiles.size() - 1;
    size_t at = SlotOf(m_job.files.IndexOf(collected), m_collectedFiles.size());
    while (m_collectedFiles[at] != kNoFile)
        at = (at + 1) & mask;
    m_collectedFiles[at] = collected;
}

std::optional<uint64_t> FolderScanner::VolumeOf(uint32_t collected)
{
    if (auto other = m_otherVolumes.find(collected); other != m_otherVolumes.end())
        return other->second;
    const uint32_t folder = m_job.files.FolderOf(collected);
    return m_listedVolumes[folder] ? m_listedVolumes[folder] : FolderVolume(folder);
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
    FolderEntries all = TakeSpareEntries();
    listing->Find("*.*", all);
    for (const FolderEntry& entry : all) {
        if (!entry.isFolder)
            continue;
        if (entry.unopenable) {
            ++contents.unopenableFolders;
            continue;
        }
        contents.linkedSubfolder = contents.linkedSubfolder || entry.isLink;
        contents.subfolders.push_back({JoinPath(request.path, std::string(entry.name)), entry.isLink, nullptr});
    }
    if (CollectsEveryName())
        TakeFiles(all, contents);
    else
        FindFiles(*listing, contents);
    if (!contents.identity && HasFileOfOnePath(contents.files))
        contents.identity = listing->Identity();
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

// A listing's buffer, once the walk has taken its files, serves the next folder
// listed, on whichever thread lists it, instead of going back to the heap of the
// thread that made it.
FolderEntries FolderScanner::TakeSpareEntries()
{
    std::lock_guard lock(m_spareMutex);
    if (m_spareEntries.empty())
        return {};
    FolderEntries spare = std::move(m_spareEntries.back());
    m_spareEntries.pop_back();
    return spare;
}

void FolderScanner::KeepSpareEntries(FolderEntries entries)
{
    constexpr size_t kMostSpares = 4;
    entries.Clear();
    std::lock_guard lock(m_spareMutex);
    if (m_spareEntries.size() < kMostSpares)
        m_spareEntries.push_back(std::move(entries));
}

// The usual case: one mask, for every name.
bool FolderScanner::CollectsEveryName() const
{
    return m_job.masks.size() == 1 && MatchesEveryName(m_job.masks.front());
}

// Keeps the files of a listing of every name, in place: a folder of many files
// is not held twice.
void FolderScanner::TakeFiles(FolderEntries& all, FolderContents& contents) const
{
    all.KeepIf([&](const FolderEntry& entry) { return !entry.isFolder && InRange(entry) && Openable(entry, contents); });
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
    FolderEntries entries;
    for (const std::string& mask : m_job.masks) {
        entries.Clear();
        listing.Find(mask, entries);
        for (const FolderEntry& entry : entries) {
            if (entry.isFolder || !InRange(entry))
                continue;
            if (severalMasks && !names.emplace(entry.name).second)
                continue;
            if (Openable(entry, contents))
                contents.files.Add(entry);
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
