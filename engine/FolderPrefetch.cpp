#include "engine/FolderPrefetch.h"

namespace twinsweep {

struct PrefetchTask {
    enum State { Queued, Listing, Listed };
    explicit PrefetchTask(FolderRequest folder) : request(std::move(folder)) {}
    PrefetchTask(const PrefetchTask&) = delete;
    PrefetchTask& operator=(const PrefetchTask&) = delete;

    // A folder listed ahead holds its subfolders' tasks, which may hold theirs: a
    // deep tree left behind by a stopped walk goes task by task, not by recursion.
    ~PrefetchTask()
    {
        std::vector<FolderTicket> left;
        TakeTickets(contents, left);
        while (!left.empty()) {
            FolderTicket ticket = std::move(left.back());
            left.pop_back();
            if (ticket.use_count() == 1)
                TakeTickets(ticket->contents, left);
        }
    }

    static void TakeTickets(FolderContents& from, std::vector<FolderTicket>& to)
    {
        for (Subfolder& subfolder : from.subfolders) {
            if (subfolder.ticket)
                to.push_back(std::move(subfolder.ticket));
        }
    }

    // Whoever moves a task out of Queued lists it; nobody lists a folder twice.
    bool Claim()
    {
        int expected = Queued;
        return state.compare_exchange_strong(expected, Listing);
    }

    // Lists the folder. Its parent is let go at once, so that a parent closes
    // when its last subfolder is open, not when the queue forgets the task.
    FolderContents List(const FolderPrefetcher::Lister& lister)
    {
        FolderContents listed = lister(request);
        request.parent.reset();
        return listed;
    }

    FolderRequest request;
    std::atomic<int> state{Queued};
    FolderContents contents;
};

FolderPrefetcher::FolderPrefetcher(Lister lister, size_t helpers, Room roomAhead)
    : m_lister(std::move(lister)), m_roomAhead(std::move(roomAhead))
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

std::vector<FolderTicket> FolderPrefetcher::Schedule(std::vector<FolderRequest> requests)
{
    std::vector<FolderTicket> tickets;
    tickets.reserve(requests.size());
    for (FolderRequest& request : requests)
        tickets.push_back(std::make_shared<PrefetchTask>(std::move(request)));
    if (!m_helpers.empty() && !tickets.empty()) {
        {
            std::lock_guard lock(m_mutex);
            m_batches.emplace_back(tickets.begin(), tickets.end());
        }
        m_queued.notify_all();
    }
    return tickets;
}

// While a helper lists the folder, the walk lists the next one queued rather than
// wait: both threads list until the queue is empty, and the walk adds each folder
// to the catalogue as it comes, not all the helpers' folders at the end.
FolderContents FolderPrefetcher::Take(const FolderTicket& ticket)
{
    if (ticket->Claim())
        return ticket->List(m_lister);
    for (;;) {
        FolderTicket next;
        {
            std::unique_lock lock(m_mutex);
            if (ticket->state == PrefetchTask::Listed)
                return std::move(ticket->contents);
            if (m_batches.empty() || !m_roomAhead()) {
                m_listed.wait(lock, [&] { return ticket->state == PrefetchTask::Listed; });
                return std::move(ticket->contents);
            }
            next = PopQueued();
        }
        ListAhead(next);
    }
}

void FolderPrefetcher::Wake()
{
    {
        std::lock_guard lock(m_mutex);
    }
    m_queued.notify_all();
}

// Helpers take the first folder of the folders queued last: the walk goes into
// the first one itself and takes the others next, so it finds them listed just
// when it needs them.
void FolderPrefetcher::HelperLoop()
{
    for (;;) {
        FolderTicket task;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [&] { return m_closing || (!m_batches.empty() && m_roomAhead()); });
            if (m_closing)
                return;
            task = PopQueued();
        }
        ListAhead(task);
    }
}

FolderTicket FolderPrefetcher::PopQueued()
{
    std::deque<FolderTicket>& latest = m_batches.back();
    FolderTicket task = std::move(latest.front());
    latest.pop_front();
    if (latest.empty())
        m_batches.pop_back();
    return task;
}

void FolderPrefetcher::ListAhead(const FolderTicket& task)
{
    if (!task->Claim())
        return;
    task->contents = task->List(m_lister);
    {
        std::lock_guard lock(m_mutex);
        task->state = PrefetchTask::Listed;
    }
    m_listed.notify_all();
}

}  // namespace twinsweep
