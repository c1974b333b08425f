// The folders a search walks: never the same folder twice, never a folder together
// with a folder inside it (its files would be collected twice and shown as
// duplicates of themselves).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace twinsweep {

// A folder as the user gave it, with the key under which paths compare: its full
// form, case folded where the platform ignores case.
struct KeyedFolder {
    std::string path;
    std::string key;
};

// The folder-list rules on folders whose keys are known. Each added folder, in
// order, is checked against the list as it stands by then: one listed under the
// same key is "added twice"; one that lies inside a listed folder is refused; one
// that holds listed folders takes the place of the first of them (in list order)
// and the others leave the list, with a message for each. Any other is appended.
// A batch of n folders costs O(n log n) key comparisons, whatever it holds.
// Returns the messages in order.
std::vector<std::string> MergeFolders(std::vector<KeyedFolder>& listed, std::vector<KeyedFolder> added,
                                      char separator);

// The message boxes that show one batch's messages. Up to three show one by one;
// more are one box: the first twenty messages a line each, "and N more" for the
// rest, and the note about files, which concerns no folder, after them.
std::vector<std::string> FolderMessageBoxes(const std::vector<std::string>& messages);

class FolderList {
public:
    explicit FolderList(const FileSystem& fs);

    // The one way in for new folders. Shortcuts are followed to their targets; a path
    // that is no folder is left out, and one message after all paths says so.
    // Returns the messages in order; the caller shows them once its view of the list
    // is up to date.
    std::vector<std::string> AddFolders(const std::vector<std::string>& paths);
    void RemoveAll();
    void RemoveAt(size_t index);

    const std::vector<std::string>& Folders() const { return m_folders; }
    bool Empty() const { return m_folders.empty(); }

private:
    const FileSystem& m_fs;
    // Each folder with the key made once when it was added: a listed folder keeps
    // meaning the place it named then.
    std::vector<KeyedFolder> m_listed;
    std::vector<std::string> m_folders;  // their paths, as the user gave them, in the order added
};

}  // namespace twinsweep
