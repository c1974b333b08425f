// The walk: collects the files of the listed folders and all their subfolders that
// match the masks and the size range.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "engine/ProgressThrottle.h"
#include "engine/SearchJob.h"
#include "engine/SearchReporter.h"
#include "platform/FileSystem.h"

namespace twinsweep {

// Order of collection: the folders in the order given; within a folder its files,
// all matches of the first mask, then of the second and so on, each in the order
// the platform lists them; then its subfolders, depth first, in listing order.
class FolderScanner {
public:
    FolderScanner(SearchJob& job, const FileSystem& fs, SearchReporter& reporter);

    // Walks one listed folder with all its subfolders. A folder that cannot be
    // entered is skipped silently.
    void ScanFolder(const std::string& folder);

private:
    struct Level {
        std::string path;
        std::vector<std::string> subfolders;
        size_t next = 0;
    };

    // Collects the files of one folder; false when the folder is not to be walked.
    bool EnterFolder(const std::string& path, std::vector<Level>& levels);
    void CollectFiles(FolderListing& listing, uint32_t folder);
    bool Collectable(const FolderEntry& entry);
    std::string JoinPath(const std::string& folder, const std::string& name) const;
    bool Stopped() const { return m_job.stop.load(std::memory_order_relaxed); }

    SearchJob& m_job;
    const FileSystem& m_fs;
    SearchReporter& m_reporter;
    ProgressThrottle m_throttle;
    // A folder reached twice (a link into walked ground, a repeat) is walked once,
    // so links never loop and never collect a file twice.
    std::unordered_set<FileIdentity, FileIdentityHash> m_walkedFolders;
    std::unordered_set<FileIdentity, FileIdentityHash> m_collectedFiles;
    std::unordered_set<std::string> m_namesOfFolder;
    std::vector<FolderEntry> m_entries;
};

}  // namespace twinsweep
