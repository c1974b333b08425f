// Lists folders ahead of the walk on spare cores. The walk still takes every folder
// in its own order and decides alone what to collect; a folder that no helper has
// started yet it simply lists itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace twinsweep {

// A folder the walk is going to enter.
struct FolderRequest {
    std::string path;
    // The open folder it is listed in, to open it from; none for a listed folder.
    std::shared_ptr<const FolderListing> parent;
    bool identify = false;  // asks for the folder's identity too
    // Its subfolders are queued as soon as it is listed, but for links: the
    // helpers then always have folders to list, as far down as the tree goes.
    bool queueSubfolders = false;
};

struct PrefetchTask;
using FolderTicket = std::shared_ptr<PrefetchTask>;

struct Subfolder {
    std::string path;
    bool isLink = false;
    FolderTicket ticket;  // none until the folder is queued
};

// What one folder holds for the walk.
struct FolderContents {
    bool entered = false;
    std::optional<FileIdentity> identity;  // when asked for
    FolderEntries files;                   // in collection order
    std::vector<Subfolder> subfolders;
    // Entries that cannot be opened by their names, counted once the walk takes
    // the folder.
    uint32_t unopenableFiles = 0;
    uint32_t unopenableFolders = 0;
    bool linkedSubfolder = false;  // a subfolder is a link or junction
    // The folder, kept open while it has subfolders to be opened from it.
    std::shared_ptr<const FolderListing> listing;
};

class FolderPrefetcher {
public:
    using Lister = std::function<FolderContents(const FolderRequest& request)>;
    using Room = std::function<bool()>;

    // lister must be safe to call from several threads at once. Helpers list a
    // folder only while roomAhead says so, since each folder listed ahead may be
    // held open for its subfolders; Wake tells them to ask again.
    FolderPrefetcher(Lister lister, size_t helpers, Room roomAhead);
    ~FolderPrefetcher();
    FolderPrefetcher(const FolderPrefetcher&) = delete;
    FolderPrefetcher& operator=(const FolderPrefetcher&) = delete;

    // Queues folders for the helpers and returns the tickets to take them with.
    std::vector<FolderTicket> Schedule(std::vector<FolderRequest> requests);
    // The folder's contents: listed here unless a helper has started on it; while
    // a helper lists it, this thread lists other folders queued.
    FolderContents Take(const FolderTicket& ticket);
    void Wake();

private:
    void HelperLoop();
    FolderTicket PopQueued();  // under the mutex, with a folder queued
    void ListAhead(const FolderTicket& task);

    Lister m_lister;
    Room m_roomAhead;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_listed;
    // Each call's folders, in their order, the latest last; never an empty one.
    std::vector<std::deque<FolderTicket>> m_batches;
    bool m_closing = false;
    std::vector<std::thread> m_helpers;
};

}  // namespace twinsweep
