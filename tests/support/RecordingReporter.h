// A search reporter that records what the search tells it and can answer "stop".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/SearchReporter.h"

namespace twinsweep::test {

class RecordingReporter : public SearchReporter {
public:
    // Once this returns true for an event, every progress call answers stop.
    std::function<bool(const std::string& event)> stopAt;
    std::function<void()> onGroup;

    std::vector<std::string> events;  // "range 0 12", "pos 1 4096", "text ...", "caption ...", "hide"
    std::vector<std::vector<std::string>> groups;
    std::vector<uint64_t> groupTotals;
    std::vector<DupFileEntry> entries;  // of every group, in order
    std::vector<size_t> fileCounts;
    bool stopped = false;

    bool SetProgressRange(ProgressBar bar, uint64_t upper) override;
    bool SetProgressPos(ProgressBar bar, uint64_t pos) override;
    bool SetProgressText(const std::string& text) override;
    void HideFileBar() override;
    void SetCaption(const std::string& caption) override;
    void ReportFileCount(size_t count) override;
    void ReportGroup(std::unique_ptr<DupGroup> group) override;

    size_t Count(const std::string& prefix) const;

private:
    bool Answer(std::string event);
};

}  // namespace twinsweep::test
