// The files a walk collected, in collection order: a file is known by its index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace twinsweep {

// Paths are kept as folder plus name, so a catalogue of a million files holds each
// folder's path once.
class FileCatalogue {
public:
    // folderPath ends with a separator.
    uint32_t AddFolder(std::string folderPath);
    // index: the file's number on its volume as the listing gave it; 0 when unknown.
    void AddFile(uint32_t folder, std::string_view name, uint64_t size, uint64_t index);

    size_t Count() const { return m_files.size(); }
    size_t FolderCount() const { return m_folders.size(); }
    const std::string& FolderPath(size_t folder) const { return m_folders[folder]; }
    uint64_t SizeOf(size_t k) const { return m_files[k].size; }
    uint32_t FolderOf(size_t k) const { return m_files[k].folder; }
    uint64_t IndexOf(size_t k) const { return m_files[k].index; }
    std::string_view NameOf(size_t k) const;
    std::string PathOf(size_t k) const;

private:
    struct File {
        uint32_t folder;
        uint32_t nameLength;
        uint64_t nameOffset;
        uint64_t size;
        uint64_t index;
    };
    std::vector<std::string> m_folders;
    std::string m_names;
    std::vector<File> m_files;
};

}  // namespace twinsweep
