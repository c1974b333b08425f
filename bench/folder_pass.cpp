// What looking for equal folders adds to a search: searches one folder once,
// then takes the equal-folder pass over that search's result a few times, and
// prints both times, the pass's share and what it found.
//   folder_pass FOLDER... [--runs R] [--mask TEXT]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/EqualFolders.h"
#include "engine/SearchReporter.h"
#include "engine/SearchRun.h"
#include "platform/FileSystem.h"

namespace {

using Clock = std::chrono::steady_clock;

class QuietReporter : public twinsweep::SearchReporter {
public:
    bool SetProgressRange(twinsweep::ProgressBar, uint64_t) override { return true; }
    bool SetProgressPos(twinsweep::ProgressBar, uint64_t) override { return true; }
    bool SetProgressText(const std::string&) override { return true; }
    void HideFileBar() override {}
    void SetCaption(const std::string&) override {}
    void ReportFileCount(size_t) override {}
    void ReportGroup(std::unique_ptr<twinsweep::DupGroup>) override { ++groups; }
    size_t groups = 0;
};

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: folder_pass FOLDER... [--runs R] [--mask TEXT]\n");
        return 2;
    }
    twinsweep::SearchJob job;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--mask" && i + 1 < argc)
            job.maskText = argv[++i];
        else
            job.folders.push_back(arg);
    }
    const twinsweep::FileSystem& fs = twinsweep::PlatformFileSystem();
    QuietReporter reporter;
    const auto searchStart = Clock::now();
    twinsweep::RunSearch(job, fs, reporter);
    const double search = SecondsSince(searchStart);

    std::vector<double> passes;
    std::vector<twinsweep::FolderGroup> groups;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        groups = twinsweep::FindEqualFolders(job, fs, reporter);
        passes.push_back(SecondsSince(start));
    }
    std::sort(passes.begin(), passes.end());
    size_t folders = 0;
    for (const auto& group : groups)
        folders += group.folders.size();
    std::printf("files %zu, folders %zu, file groups %zu; search %.3f s\n", job.files.Count(),
                job.files.FolderCount(), reporter.groups, search);
    std::printf("equal-folder pass: best %.3f s, median %.3f s of %d (%.1f %% of the search); "
                "%zu groups of %zu folders\n",
                passes.front(), passes[passes.size() / 2], runs, 100 * passes[passes.size() / 2] / search,
                groups.size(), folders);
    return 0;
}
