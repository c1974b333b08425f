#include "engine/DuplicateComparison.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <thread>

#include "engine/ContentComparison.h"
#include "engine/NameParts.h"
#include "engine/ProgressThrottle.h"

namespace twinsweep {
namespace {

constexpr uint64_t kLargeFile = 1u << 20;  // files above this show the file bar

// Files that can only match each other: equal in every key the criteria need.
// Bucketing replaces a look at every pair, which is a hang for tens of thousands of
// files of one size.
struct Buckets {
    std::vector<uint32_t> order;  // candidate indices, bucket by bucket, ascending within
    struct Range {
        uint32_t begin, end;
    };
    std::vector<Range> ranges;  // buckets of two or more, by their first index
    std::span<const uint32_t> Members(size_t bucket) const
    {
        return std::span<const uint32_t>(order).subspan(ranges[bucket].begin,
                                                        ranges[bucket].end - ranges[bucket].begin);
    }
    uint32_t First(size_t bucket) const { return order[ranges[bucket].begin]; }
};

Buckets MakeBuckets(const FileCatalogue& files, const SearchOptions& options)
{
    const auto count = static_cast<uint32_t>(files.Count());
    Buckets buckets;
    for (uint32_t k = 0; k < count; ++k) {
        // Empty files are equal in contents only when the options say so.
        if (options.equalContents && !options.showEmptyFiles && files.SizeOf(k) == 0)
            continue;
        buckets.order.push_back(k);
    }

    std::vector<std::string> nameKeys, extensionKeys;
    if (options.equalNames || options.equalExtensions) {
        nameKeys.resize(count);
        extensionKeys.resize(count);
        for (uint32_t k : buckets.order) {
            NameParts parts = SplitFileName(files.NameOf(k));
            if (options.equalNames)
                nameKeys[k] = FoldAsciiCase(parts.name);
            if (options.equalExtensions)
                extensionKeys[k] = FoldAsciiCase(parts.extension);
        }
    }
    auto sameKey = [&](uint32_t a, uint32_t b) {
        return (!options.equalContents || files.SizeOf(a) == files.SizeOf(b)) &&
               (nameKeys.empty() || (nameKeys[a] == nameKeys[b] && extensionKeys[a] == extensionKeys[b]));
    };
    auto keyBefore = [&](uint32_t a, uint32_t b) {
        if (options.equalContents && files.SizeOf(a) != files.SizeOf(b))
            return files.SizeOf(a) < files.SizeOf(b);
        if (!nameKeys.empty()) {
            if (int c = nameKeys[a].compare(nameKeys[b]))
                return c < 0;
            if (int c = extensionKeys[a].compare(extensionKeys[b]))
                return c < 0;
        }
        return a < b;
    };
    std::sort(buckets.order.begin(), buckets.order.end(), keyBefore);

    for (size_t begin = 0; begin < buckets.order.size();) {
        size_t end = begin + 1;
        while (end < buckets.order.size() && sameKey(buckets.order[begin], buckets.order[end]))
            ++end;
        if (end - begin >= 2)
            buckets.ranges.push_back({static_cast<uint32_t>(begin), static_cast<uint32_t>(end)});
        begin = end;
    }
    std::sort(buckets.ranges.begin(), buckets.ranges.end(),
              [&](const Buckets::Range& a, const Buckets::Range& b) {
                  return buckets.order[a.begin] < buckets.order[b.begin];
              });
    return buckets;
}

std::unique_ptr<DupFileEntry> MakeEntry(const FileCatalogue& files, uint32_t k, std::optional<FileStamp> stamp)
{
    auto entry = std::make_unique<DupFileEntry>();
    entry->strPath = files.PathOf(k);
    entry->dwSize = files.SizeOf(k);
    entry->stamp = stamp;
    return entry;
}

// Reports groups in the order of their first files and keeps the progress bar on
// the first file still being looked at.
class GroupReporter {
public:
    GroupReporter(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
        : m_job(job), m_fs(fs), m_reporter(reporter)
    {
    }

    // Files grouped without a look at their contents: each as it is now.
    void Report(std::span<const uint32_t> members)
    {
        auto group = std::make_unique<DupGroup>();
        for (uint32_t k : members)
            group->entries.push_back(Entry(k, m_fs.StateOfListed(m_job.files.PathOf(k), m_job.files.IndexOf(k))));
        Report(std::move(group));
    }

    // Files found equal: each as it was compared.
    void Report(const FileClass& members)
    {
        auto group = std::make_unique<DupGroup>();
        for (const EqualFile& file : members)
            group->entries.push_back(Entry(file.index, file.stamp));
        Report(std::move(group));
    }

    bool ProgressDue() { return m_throttle.Due(); }

    // Tells where the comparison stands: at the first file still being looked at.
    void ShowPosition(uint32_t current)
    {
        if (!m_reporter.SetProgressPos(ProgressBar::Overall, current))
            m_job.stop = true;
        if (current != m_shownText && current < m_job.files.Count()) {
            m_shownText = current;
            if (!m_reporter.SetProgressText(m_job.files.PathOf(current)))
                m_job.stop = true;
        }
    }

    // The file bar follows one set of large files at a time.
    void ShowFileBar(uint64_t size, uint64_t done)
    {
        if (size != m_fileBarRange) {
            if (!m_reporter.SetProgressRange(ProgressBar::File, size))
                m_job.stop = true;
            m_fileBarRange = size;
        }
        if (!m_reporter.SetProgressPos(ProgressBar::File, done))
            m_job.stop = true;
    }

    void HideFileBar()
    {
        if (m_fileBarRange) {
            m_reporter.HideFileBar();
            m_fileBarRange = 0;
        }
    }

    bool Stopped() const { return m_job.stop.load(std::memory_order_relaxed); }
    bool Found() const { return m_found; }

private:
    // An entry of the group being made; its file is marked as in that group.
    std::unique_ptr<DupFileEntry> Entry(uint32_t k, std::optional<FileStamp> stamp)
    {
        m_job.fileGroups[k] = m_groupCount;
        return MakeEntry(m_job.files, k, stamp);
    }

    void Report(std::unique_ptr<DupGroup> group)
    {
        ++m_groupCount;
        m_reporter.ReportGroup(std::move(group));
        m_found = true;
    }

    SearchJob& m_job;
    const FileSystem& m_fs;
    SearchReporter& m_reporter;
    ProgressThrottle m_throttle;
    bool m_found = false;
    uint32_t m_groupCount = 0;
    size_t m_shownText = SIZE_MAX;
    uint64_t m_fileBarRange = 0;
};

// Without equal contents, a bucket is a group: no file is opened.
void ReportBuckets(const Buckets& buckets, GroupReporter& groups)
{
    for (size_t b = 0; b < buckets.ranges.size(); ++b) {
        if (groups.ProgressDue())
            groups.ShowPosition(buckets.First(b));
        if (groups.Stopped())
            return;
        groups.Report(buckets.Members(b));
    }
}

// Compares the buckets on worker threads while the calling thread reports: groups
// in order, progress a few times a second. A worker takes the next bucket and
// follows the sets it splits into, depth first; once no bucket is left to take,
// a worker with nothing to do is handed sets by the others, so that one large
// bucket keeps every core busy.
class ContentRun {
public:
    ContentRun(SearchJob& job, const FileSystem& fs, const Buckets& buckets, GroupReporter& groups)
        : m_job(job), m_fs(fs), m_buckets(buckets), m_groups(groups), m_done(buckets.ranges.size(), false),
          m_unfinishedSets(buckets.ranges.size(), 1), m_remaining(buckets.ranges.size()),
          m_results(buckets.ranges.size())
    {
    }

    void Run()
    {
        size_t workerCount = m_job.comparisonWorkers;
        if (workerCount == 0)
            workerCount = m_fs.ReadingThreads();
        // A set of n files splits into at most n / 2 sets that go on.
        size_t candidates = 0;
        for (const Buckets::Range& range : m_buckets.ranges)
            candidates += range.end - range.begin;
        workerCount = std::clamp<size_t>(candidates / 2, 1, workerCount);
        // The workers share the process's handles: together they keep within the
        // budget, or opens fail for want of handles.
        const size_t openFileBudget = std::max<size_t>(1, m_fs.OpenFileBudget() / workerCount);
        m_workers.reserve(workerCount);
        for (size_t w = 0; w < workerCount; ++w)
            m_workers.push_back(std::make_unique<Worker>(m_fs, m_job, openFileBudget));
        std::vector<std::thread> threads;
        for (auto& worker : m_workers)
            threads.emplace_back(&ContentRun::WorkerLoop, this, std::ref(*worker));
        Coordinate();
        {
            std::lock_guard lock(m_mutex);
            if (m_firstUndone < m_buckets.ranges.size())
                m_job.stop = true;  // leaving early: let the workers go
        }
        m_handed.notify_all();
        for (std::thread& thread : threads)
            thread.join();
        m_groups.HideFileBar();
    }

private:
    // A set to take a pass over, or a share of a pass divided among workers.
    struct Task {
        size_t bucket;
        FileSet set;
        std::shared_ptr<SharedPass> shared;
        size_t share = 0;
    };

    struct Worker {
        Worker(const FileSystem& fs, SearchJob& job, size_t openFileBudget) : comparer(fs, job, openFileBudget)
        {
        }
        ContentComparer comparer;
        std::atomic<size_t> bucket{SIZE_MAX};
        std::deque<Task> sets;  // the next at the back
    };

    void WorkerLoop(Worker& worker)
    {
        try {
            while (!m_job.stop) {
                if (!worker.sets.empty()) {
                    Task task = std::move(worker.sets.back());
                    worker.sets.pop_back();
                    worker.bucket = task.bucket;
                    Advance(worker, std::move(task));
                } else if (size_t b = m_nextBucket.fetch_add(1); b < m_buckets.ranges.size()) {
                    worker.sets.push_back({b, worker.comparer.FirstSet(m_buckets.Members(b)), nullptr});
                } else {
                    worker.bucket = SIZE_MAX;
                    std::optional<Task> task = AwaitHandedSet();
                    if (!task)
                        break;
                    worker.sets.push_back(std::move(*task));
                }
            }
        } catch (...) {
            // Out of memory in a worker ends the search as a stop would, not the program.
            {
                std::lock_guard lock(m_mutex);
                m_job.stop = true;
            }
            m_wake.notify_one();
            m_handed.notify_all();
        }
        worker.bucket = SIZE_MAX;
    }

    void Advance(Worker& worker, Task task)
    {
        if (task.shared) {
            if (std::optional<PassResult> result = worker.comparer.AdvanceShare(*task.shared, task.share))
                Settle(worker, task.bucket, std::move(*result));
            return;
        }
        // A large set while other workers wait, or soon will, having no bucket left
        // to take: they take shares of its pass. A share nobody takes is done by
        // this worker after its own.
        const bool othersFree = m_waiting.load(std::memory_order_relaxed) > 0 ||
                                m_nextBucket.load(std::memory_order_relaxed) >= m_buckets.ranges.size();
        if (m_workers.size() < 2 || !othersFree || !worker.comparer.Divisible(task.set)) {
            Settle(worker, task.bucket, worker.comparer.Advance(std::move(task.set)));
            return;
        }
        auto shared = std::make_shared<SharedPass>(std::move(task.set), m_workers.size());
        {
            std::lock_guard lock(m_mutex);
            for (size_t share = 1; share < shared->ShareCount(); ++share)
                m_handedSets.push_back({task.bucket, {}, shared, share});
        }
        m_handed.notify_all();
        Advance(worker, {task.bucket, {}, shared, 0});
    }

    // Takes in what a pass over a set left: a bucket is done when none of its
    // sets is left unfinished.
    void Settle(Worker& worker, size_t bucket, PassResult result)
    {
        const auto change = static_cast<ptrdiff_t>(result.sets.size()) - 1;
        if (change != 0 || !result.classes.empty()) {
            std::lock_guard lock(m_mutex);
            for (FileClass& equal : result.classes)
                m_results[bucket].push_back(std::move(equal));
            m_unfinishedSets[bucket] += change;
            if (m_unfinishedSets[bucket] == 0) {
                m_done[bucket] = true;
                if (--m_remaining == 0) {
                    m_wake.notify_one();
                    m_handed.notify_all();
                }
            }
        }
        // The set holding the lowest index is done first.
        for (auto set = result.sets.rbegin(); set != result.sets.rend(); ++set)
            worker.sets.push_back({bucket, std::move(*set), nullptr});
        HandOver(worker);
    }

    // Gives the sets this worker would come to last to workers that wait for work.
    // Their files are closed: each worker keeps within its own share of handles.
    void HandOver(Worker& worker)
    {
        if (m_waiting.load(std::memory_order_relaxed) == 0 || worker.sets.size() < 2)
            return;
        std::lock_guard lock(m_mutex);
        if (m_waiting <= m_handedSets.size())
            return;
        // Half of what is left: a worker handed one set at a time would wait again
        // after each, until this one next finishes a pass.
        for (size_t give = worker.sets.size() / 2; give > 0; --give) {
            worker.sets.front().set.CloseFiles();
            m_handedSets.push_back(std::move(worker.sets.front()));
            worker.sets.pop_front();
        }
        m_handed.notify_all();
    }

    // Nothing when every bucket is done or the search stops.
    std::optional<Task> AwaitHandedSet()
    {
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_handed.wait(lock, [&] { return !m_handedSets.empty() || m_remaining == 0 || m_job.stop; });
        --m_waiting;
        if (m_handedSets.empty() || m_job.stop)
            return std::nullopt;
        Task task = std::move(m_handedSets.front());
        m_handedSets.pop_front();
        return task;
    }

    // Wakes a few times a second, not for every bucket: groups go out in batches
    // and progress stays rationed however small the buckets are.
    void Coordinate()
    {
        using Ready = std::pair<uint32_t, FileClass>;  // first index, members
        auto later = [](const Ready& a, const Ready& b) { return a.first > b.first; };
        std::priority_queue<Ready, std::vector<Ready>, decltype(later)> ready(later);
        for (;;) {
            // No bucket still open can hold a group that starts below this file.
            bool finished = m_firstUndone == m_buckets.ranges.size();
            uint32_t current = finished ? static_cast<uint32_t>(m_job.files.Count()) : m_buckets.First(m_firstUndone);
            while (!ready.empty() && ready.top().first < current && !m_groups.Stopped()) {
                m_groups.Report(ready.top().second);
                ready.pop();
            }
            if (finished || m_groups.Stopped())
                return;
            if (m_groups.ProgressDue()) {
                m_groups.ShowPosition(current);
                ShowLargeFile();
            }
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, ProgressThrottle::kInterval, [&] { return m_job.stop || m_remaining == 0; });
            for (; m_firstUndone < m_done.size() && m_done[m_firstUndone]; ++m_firstUndone) {
                for (FileClass& equal : m_results[m_firstUndone])
                    ready.emplace(equal.front().index, std::move(equal));
                m_results[m_firstUndone] = {};
            }
        }
    }

    void ShowLargeFile()
    {
        for (const auto& worker : m_workers) {
            size_t b = worker->bucket;
            if (b == SIZE_MAX)
                continue;
            uint64_t size = m_job.files.SizeOf(m_buckets.First(b));
            if (size > kLargeFile) {
                m_groups.ShowFileBar(size, worker->comparer.BytesCompared());
                return;
            }
        }
        m_groups.HideFileBar();
    }

    SearchJob& m_job;
    const FileSystem& m_fs;
    const Buckets& m_buckets;
    GroupReporter& m_groups;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::atomic<size_t> m_nextBucket{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;    // the coordinator's: buckets are done
    std::condition_variable m_handed;  // the waiting workers': sets are handed over
    std::deque<Task> m_handedSets;
    std::atomic<size_t> m_waiting{0};  // changed under the mutex
    std::vector<bool> m_done;
    std::vector<ptrdiff_t> m_unfinishedSets;
    size_t m_remaining;
    std::vector<std::vector<FileClass>> m_results;
    size_t m_firstUndone = 0;
};

}  // namespace

bool FindDuplicateGroups(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
{
    reporter.SetProgressRange(ProgressBar::Overall, job.files.Count());
    job.fileGroups.assign(job.files.Count(), SearchJob::kNoGroup);
    if (job.stop)
        return false;
    GroupReporter groups(job, fs, reporter);
    Buckets buckets = MakeBuckets(job.files, job.options);
    if (!job.options.equalContents)
        ReportBuckets(buckets, groups);
    else if (!buckets.ranges.empty())
        ContentRun(job, fs, buckets, groups).Run();
    return groups.Found();
}

}  // namespace twinsweep
