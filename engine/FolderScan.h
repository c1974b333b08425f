// The walk: collects the files of the listed folders and all their subfolders that
// match the masks and the size range.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/FolderPrefetch.h"
#include "engine/ProgressThrottle.h"
#include "engine/SearchJob.h"
#include "engine/SearchReporter.h"
#include "platform/FileSystem.h"

namespace twinsweep {

// Order of collection: the folders in the order given; within a folder its files,
// all matches of the first mask, then of the second and so on, each in the order
// the platform lists them; then its subfolders, depth first, in listing order.
// Spare cores list folders ahead; the order stays the same.
class FolderScanner {
public:
    FolderScanner(SearchJob& job, const FileSystem& fs, SearchReporter& reporter);

    // Walks one listed folder with all its subfolders. A folder that cannot be
    // entered is skipped and counted in the job.
    void ScanFolder(const std::string& folder);

private:
    struct Level {
        std::vector<Subfolder> subfolders;
        size_t next = 0;
    };

    void EnterFolder(const Subfolder& folder, std::vector<Level>& levels);
    // Queues the subfolders that are not queued yet, links too or not.
    void Queue(std::vector<Subfolder>& subfolders, const std::shared_ptr<const FolderListing>& parent, bool links);
    bool CollectedBefore(const FolderEntry& file, uint32_t folder);
    void NoteVolume(const FolderEntry& file, uint32_t folder, uint32_t collected);
    void RememberEveryFile();
    void Remember(uint32_t collected);
    void Insert(uint32_t collected);
    std::optional<uint64_t> VolumeOf(uint32_t collected);
    std::optional<uint64_t> FolderVolume(uint32_t folder);
    FolderContents ListFolder(const FolderRequest& request);
    std::shared_ptr<const FolderListing> Hold(std::unique_ptr<FolderListing> listing);
    void Release();
    void IdentifyWalkedFolders();
    FolderEntries TakeSpareEntries();
    void KeepSpareEntries(FolderEntries entries);
    bool CollectsEveryName() const;
    void TakeFiles(FolderEntries& all, FolderContents& contents) const;
    void FindFiles(FolderListing& listing, FolderContents& contents) const;
    bool Openable(const FolderEntry& file, FolderContents& contents) const;
    bool InRange(const FolderEntry& entry) const;
    std::string JoinPath(const std::string& folder, const std::string& name) const;
    bool Stopped() const { return m_job.stop.load(std::memory_order_relaxed); }

    SearchJob& m_job;
    const FileSystem& m_fs;
    SearchReporter& m_reporter;
    ProgressThrottle m_throttle;
    // A folder reached twice (a link into walked ground, a repeat) is walked once,
    // and a file reached by two links is collected once. Folders are identified
    // from the first link on, for every listed folder, and wherever they hold
    // files of one path.
    std::unordered_set<FileIdentity, FileIdentityHash> m_walkedFolders;
    // Collected files by their numbers, as catalogue indices in a table open by
    // the number. A number comes again only for one file reached by two paths, or
    // for a file on another volume: the volume, where the listing left it to the
    // folder, is asked only then. Files of one path, in identified folders, stay
    // out until a file that may be another path to one of them comes.
    std::vector<uint32_t> m_collectedFiles;
    size_t m_collectedCount = 0;
    bool m_rememberEveryFile = false;
    // Per catalogue folder, the volume the listing gave for its first file; the
    // files on another one (through a link) by themselves.
    std::vector<std::optional<uint64_t>> m_listedVolumes;
    std::unordered_map<uint32_t, uint64_t> m_otherVolumes;
    std::unordered_map<uint32_t, std::optional<uint64_t>> m_folderVolumes;
    std::mutex m_spareMutex;
    std::vector<FolderEntries> m_spareEntries;
    std::atomic<bool> m_identifyFolders = false;
    size_t m_listedFoldersWalked = 0;
    std::atomic<size_t> m_heldListings{0};
    const size_t m_mostHeldListings;
    FolderPrefetcher m_prefetcher;  // last: its helpers stop before the rest goes
};

}  // namespace twinsweep
