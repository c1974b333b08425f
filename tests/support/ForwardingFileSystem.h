// The platform's file system, with a smaller open-file budget when a test asks for
// one, a record of what the engine asked of it, and a place where a test changes a
// file at a given point of its comparison.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/support/TempTree.h"

namespace twinsweep::test {

class ForwardingFileSystem : public FileSystem {
public:
    using Change = std::function<void()>;

    explicit ForwardingFileSystem(size_t openFileBudget = 0) : m_openFileBudget(openFileBudget) {}

    // Runs change once, just before the engine reads path at offset; the file the
    // engine reads with is open then.
    void BeforeRead(const std::string& path, uint64_t offset, Change change)
    {
        std::lock_guard lock(m_mutex);
        m_changes.push_back({path, offset, false, std::move(change)});
    }

    // Runs change once, right after the engine has closed the file it read path
    // at offset with: between two blocks of a file that is reopened for each.
    void AfterRead(const std::string& path, uint64_t offset, Change change)
    {
        std::lock_guard lock(m_mutex);
        m_changes.push_back({path, offset, true, std::move(change)});
    }

    // Ways another program gives a file other bytes of its size, putting its
    // last-write time back: written over; deleted and written anew, where the
    // system may give the new file the old one's number; replaced by a file
    // renamed over it, which no sharing mode keeps out on Linux. A change for
    // BeforeRead or AfterRead; false when the system did not let it happen.
    enum class Edit { Rewrite, Recreate, Replace };
    static bool EditFile(const TempTree& tree, const std::string& relative, Edit edit, const std::string& bytes);

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
        Record(foldersOpenedByPath, path);
        if (beforeOpenFolder)
            beforeOpenFolder(path);
        return m_inner.OpenFolder(path);
    }

    std::unique_ptr<FolderListing> OpenSubfolder(const FolderListing& parent, const std::string& path) const override
    {
        Record(openedFolders, path);
        if (beforeOpenFolder)
            beforeOpenFolder(path);
        return m_inner.OpenSubfolder(parent, path);
    }

    std::optional<FileIdentity> FolderIdentity(const std::string& path) const override
    {
        return m_inner.FolderIdentity(path);
    }

    OpenResult OpenForReading(const std::string& path) const override
    {
        return Watched(path, [&] { return m_inner.OpenForReading(path); });
    }

    std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) const override
    {
        return m_inner.HoldFolder(path);
    }

    // A file opened by name and then by path, when the name fails, is recorded twice.
    OpenResult OpenInHeldFolder(const HeldFolder& folder, const std::string& name) const override
    {
        return Watched(folder.Path() + name, [&] { return m_inner.OpenInHeldFolder(folder, name); });
    }

    std::optional<FileStamp> StateOf(const std::string& path) const override { return m_inner.StateOf(path); }
    std::optional<FileStamp> StateOfListed(const std::string& path, uint64_t listedIndex) const override
    {
        return m_inner.StateOfListed(path, listedIndex);
    }

    size_t OpenFileBudget() const override
    {
        return m_openFileBudget ? m_openFileBudget : m_inner.OpenFileBudget();
    }

    size_t ReadingThreads() const override { return m_inner.ReadingThreads(); }
    void ReturnFreedMemory() const override { m_inner.ReturnFreedMemory(); }

    mutable std::vector<std::string> resolvedShortcuts;
    mutable std::vector<std::string> openedFolders;
    mutable std::vector<std::string> foldersOpenedByPath;  // not from their parent
    mutable std::vector<std::string> openedFiles;
    // What to do before each open, the opens that found no handle left and what
    // to do on each; called from any thread.
    std::function<void()> beforeOpen;
    std::function<void(const std::string& path)> beforeOpenFolder;
    mutable std::atomic<size_t> outOfHandles{0};
    std::function<void()> onOutOfHandles;
    // Reads of the files opened through it.
    mutable std::atomic<size_t> reads{0};

private:
    struct PendingChange {
        std::string path;
        uint64_t offset;
        bool afterClose;
        Change change;
    };

    class WatchedFile : public ReadableFile {
    public:
        WatchedFile(const ForwardingFileSystem& fs, std::string path, std::unique_ptr<ReadableFile> inner)
            : m_fs(fs), m_path(std::move(path)), m_inner(std::move(inner))
        {
        }
        ~WatchedFile() override
        {
            m_inner.reset();
            for (uint64_t offset : m_offsetsRead)
                m_fs.Apply(m_path, offset, true);
        }
        WatchedFile(const WatchedFile&) = delete;
        WatchedFile& operator=(const WatchedFile&) = delete;

        const FileStamp& Stamp() const override { return m_inner->Stamp(); }
        std::optional<size_t> ReadAt(uint64_t offset, void* buffer, size_t count) override
        {
            m_fs.Apply(m_path, offset, false);
            m_offsetsRead.push_back(offset);
            ++m_fs.reads;
            return m_inner->ReadAt(offset, buffer, count);
        }

    private:
        const ForwardingFileSystem& m_fs;
        std::string m_path;
        std::unique_ptr<ReadableFile> m_inner;
        std::vector<uint64_t> m_offsetsRead;
    };

    void Apply(const std::string& path, uint64_t offset, bool afterClose) const
    {
        Change change;
        {
            std::lock_guard lock(m_mutex);
            for (PendingChange& pending : m_changes) {
                if (pending.change && pending.path == path && pending.offset == offset &&
                    pending.afterClose == afterClose)
                    change = std::exchange(pending.change, nullptr);
            }
        }
        if (change)
            change();
    }

    template <class Open>
    OpenResult Watched(const std::string& path, Open open) const
    {
        Record(openedFiles, path);
        if (beforeOpen)
            beforeOpen();
        OpenResult opened = open();
        if (opened.outOfHandles) {
            ++outOfHandles;
            if (onOutOfHandles)
                onOutOfHandles();
        }
        if (opened.file)
            opened.file = std::make_unique<WatchedFile>(*this, path, std::move(opened.file));
        return opened;
    }

    void Record(std::vector<std::string>& list, const std::string& path) const
    {
        std::lock_guard lock(m_mutex);
        list.push_back(path);
    }

    const FileSystem& m_inner = PlatformFileSystem();
    size_t m_openFileBudget;
    mutable std::mutex m_mutex;
    mutable std::vector<PendingChange> m_changes;
};

}  // namespace twinsweep::test
