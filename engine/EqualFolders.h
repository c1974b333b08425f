// Equal folders: whole folder trees that are copies of each other, found from the
// files a search collected and the groups it divided them into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/SearchJob.h"
#include "platform/FileSystem.h"

namespace twinsweep {

class SearchReporter;

struct DupFolderEntry {
    std::string strPath;  // without a trailing separator, unless a root
    uint64_t files = 0;   // files in the folder and all its subfolders
    uint64_t size = 0;    // their bytes
    // Its files that no file group lists and the folder pass read, as they were
    // read: a delete checks them as it checks the files of the groups.
    std::vector<DupFileEntry> otherFiles;
};

struct FolderGroup {
    std::vector<DupFolderEntry> folders;  // two or more, in collection order
    uint64_t ByteTotal() const;
};

// Two folders are equal when deleting one loses nothing the other does not hold:
// the same relative names, subfolders (empty ones too) included, compared as
// Windows compares names, and at every name files of the same bytes. Masks, the
// size range and the name criteria never make folders equal: where the walk left
// files out, the candidates are listed again whole and their other files compared.
// Works on a job whose comparison has run; with equal contents off, or once
// stopped, there are no groups. A folder without a file is never in a group, and
// a group is left out when its folders are the copies of one place inside the
// folders of another group. Groups come largest first by their byte totals.
std::vector<FolderGroup> FindEqualFolders(SearchJob& job, const FileSystem& fs, SearchReporter& reporter);

struct FolderTotals {
    uint64_t files = 0;
    uint64_t bytes = 0;
    bool operator==(const FolderTotals&) const = default;
};

// The files of a folder and all its subfolders as they are now, links not
// followed; nothing when a part cannot be listed.
std::optional<FolderTotals> CountFolderTree(const FileSystem& fs, const std::string& path);

}  // namespace twinsweep
