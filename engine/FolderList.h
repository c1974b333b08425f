// The folders a search walks: never the same folder twice, never a folder together
// with a folder inside it (its files would be collected twice and shown as
// duplicates of themselves).
#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace twinsweep {

class FolderList {
public:
    explicit FolderList(const FileSystem& fs);

    // The one way in for new folders. Shortcuts are followed to their targets; a path
    // that is no folder is left out, and one message after all paths says so. A
    // folder already listed, or inside a listed one, is refused with a message; a
    // folder that contains listed ones takes the place of the first and the others
    // leave the list, with a message for each. Returns the messages in order; the
    // caller shows them once its view of the list is up to date.
    std::vector<std::string> AddFolders(const std::vector<std::string>& paths);
    void RemoveAll() { m_folders.clear(); }
    void RemoveAt(size_t index) { m_folders.erase(m_folders.begin() + static_cast<std::ptrdiff_t>(index)); }

    const std::vector<std::string>& Folders() const { return m_folders; }
    bool Empty() const { return m_folders.empty(); }

private:
    void AddFolder(const std::string& path, std::vector<std::string>& messages);
    std::string ComparisonKey(const std::string& path) const;
    bool LiesInside(const std::string& pathKey, const std::string& folderKey) const;

    const FileSystem& m_fs;
    std::vector<std::string> m_folders;  // as the user gave them, in the order added
};

}  // namespace twinsweep
