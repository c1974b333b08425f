#include "engine/FolderPrefetch.h"

namespace twinsweep {

struct FolderPrefetcher::Task {
    enum State { Queued, Listing, Listed };
    explicit Task(FolderRequest folder) : request(std::move(folder)) {}
    // Whoever moves a task out of Queued lists it; nobody lists a folder twice.
    bool Claim()
    {
        int expected = Queued;
        return state.compare_exchange_strong(expected, Listing);
    }

    // Lists the folder. Its parent is let go at once, so that a parent closes
    // when its last subfolder is open, not when the queue forgets the task.
    FolderContents List(const Lister& lister)
    {
        FolderContents listed = lister(request);
        request.parent.reset();
        return listed;
    }

    FolderRequest request;
    std::atomic<int> state{Queued};
    FolderContents contents;
};

FolderPrefetcher::FolderPrefetcher(Lister lister, size_t helpers) : m_lister(std::move(lister))
{
    for (size_t i = 0; i < helpers; ++i)
        m_helpers.emplace_back(&FolderPrefetcher::HelperLoop, this);
}

FolderPrefetcher::~FolderPrefetcher()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_queued.notify_all();
    for (std::thread& helper : m_helpers)
        helper.join();
}

FolderPrefetcher::Ticket FolderPrefetcher::Schedule(FolderRequest request)
{
    auto task = std::make_shared<Task>(std::move(request));
    if (!m_helpers.empty()) {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(task);
        m_queued.notify_one();
    }
    return task;
}

FolderContents FolderPrefetcher::Take(const Ticket& ticket)
{
    if (ticket->Claim())
        return ticket->List(m_lister);
    std::unique_lock lock(m_mutex);
    m_listed.wait(lock, [&] { return ticket->state == Task::Listed; });
    return std::move(ticket->contents);
}

// Helpers take the folder queued last: a sibling further down the list, which the
// walk reaches later, while the walk goes on into the first one itself.
void FolderPrefetcher::HelperLoop()
{
    for (;;) {
        Ticket task;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [&] { return m_closing || !m_queue.empty(); });
            if (m_closing)
                return;
            task = std::move(m_queue.back());
            m_queue.pop_back();
        }
        if (!task->Claim())
            continue;
        task->contents = task->List(m_lister);
        {
            std::lock_guard lock(m_mutex);
            task->state = Task::Listed;
        }
        m_listed.notify_all();
    }
}

}  // namespace twinsweep
