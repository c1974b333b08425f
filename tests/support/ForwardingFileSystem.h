// The platform's file system, with a smaller open-file budget when a test asks for
// one, and a record of what the engine asked of it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace twinsweep::test {

class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(size_t openFileBudget = 0) : m_openFileBudget(openFileBudget) {}

    char Separator() const override { return m_inner.Separator(); }
    std::string FullPath(const std::string& path) const override { return m_inner.FullPath(path); }
    bool Exists(const std::string& path) const override { return m_inner.Exists(path); }
    bool IsFolder(const std::string& path) const override { return m_inner.IsFolder(path); }
    std::string PathCaseKey(const std::string& path) const override { return m_inner.PathCaseKey(path); }

    std::string ResolveShortcut(const std::string& path) const override
    {
        Record(resolvedShortcuts, path);
        return m_inner.ResolveShortcut(path);
    }

    // Helpers list folders ahead of the walk, so these come in no fixed order.
    std::unique_ptr<FolderListing> OpenFolder(const std::string& path) const override
    {
        Record(openedFolders, path);
        return m_inner.OpenFolder(path);
    }

    std::optional<FileIdentity> FolderIdentity(const std::string& path) const override
    {
        return m_inner.FolderIdentity(path);
    }

    std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) const override
    {
        Record(openedFiles, path);
        return m_inner.OpenForReading(path);
    }

    size_t OpenFileBudget() const override
    {
        return m_openFileBudget ? m_openFileBudget : m_inner.OpenFileBudget();
    }

    mutable std::vector<std::string> resolvedShortcuts;
    mutable std::vector<std::string> openedFolders;
    mutable std::vector<std::string> openedFiles;

private:
    void Record(std::vector<std::string>& list, const std::string& path) const
    {
        std::lock_guard lock(m_mutex);
        list.push_back(path);
    }

    const FileSystem& m_inner = PlatformFileSystem();
    size_t m_openFileBudget;
    mutable std::mutex m_mutex;
};

}  // namespace twinsweep::test
