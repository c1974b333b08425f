// The files a walk collected, in collection order: a file is known by its index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/GrowingArray.h"

namespace twinsweep {

// Paths are kept as folder plus name, the names of a folder side by side, so a
// catalogue of a million files holds each folder's path once and 24 bytes and a
// name for each file.
class FileCatalogue {
public:
    // folderPath ends with a separator. A folder's files are added right after it.
    uint32_t AddFolder(std::string folderPath);
    // index: the file's number on its volume as the listing gave it; 0 when unknown.
    void AddFile(uint32_t folder, std::string_view name, uint64_t size, uint64_t index);

    size_t Count() const { return m_files.size(); }
    size_t FolderCount() const { return m_folders.size(); }
    const std::string& FolderPath(size_t folder) const { return m_folders[folder].path; }
    uint64_t SizeOf(size_t k) const { return m_files[k].size; }
    uint32_t FolderOf(size_t k) const { return m_files[k].folder; }
    uint64_t IndexOf(size_t k) const { return m_files[k].index; }
    std::string_view NameOf(size_t k) const;
    std::string PathOf(size_t k) const;

private:
    struct Folder {
        std::string path;
        uint64_t namesStart;  // where its files' names start in m_names
        uint64_t namesEnd;
    };
    struct File {
        uint64_t size;
        uint64_t index;
        uint32_t folder;
        uint32_t nameStart;  // from its folder's first name on; the name ends where the next starts
    };
    std::vector<Folder> m_folders;
    GrowingArray<char> m_names;
    GrowingArray<File> m_files;
};

}  // namespace twinsweep
