#include "tests/support/RecordingReporter.h"

namespace twinsweep::test {

bool RecordingReporter::Answer(std::string event)
{
    if (!stopped && stopAt && stopAt(event))
        stopped = true;
    events.push_back(std::move(event));
    return !stopped;
}

bool RecordingReporter::SetProgressRange(ProgressBar bar, uint64_t upper)
{
    return Answer("range " + std::to_string(static_cast<int>(bar)) + " " + std::to_string(upper));
}

bool RecordingReporter::SetProgressPos(ProgressBar bar, uint64_t pos)
{
    return Answer("pos " + std::to_string(static_cast<int>(bar)) + " " + std::to_string(pos));
}

bool RecordingReporter::SetProgressText(const std::string& text)
{
    return Answer("text " + text);
}

void RecordingReporter::HideFileBar()
{
    events.push_back("hide");
}

void RecordingReporter::SetCaption(const std::string& caption)
{
    events.push_back("caption " + caption);
}

void RecordingReporter::ReportFileCount(size_t count)
{
    fileCounts.push_back(count);
}

void RecordingReporter::ReportGroup(std::unique_ptr<DupGroup> group)
{
    std::vector<std::string> paths;
    for (const auto& entry : group->entries) {
        paths.push_back(entry->strPath);
        entries.push_back(*entry);
    }
    groups.push_back(std::move(paths));
    groupTotals.push_back(group->ByteTotal());
    events.push_back("group");
    if (onGroup)
        onGroup();
}

size_t RecordingReporter::Count(const std::string& prefix) const
{
    size_t count = 0;
    for (const std::string& event : events)
        count += event.rfind(prefix, 0) == 0;
    return count;
}

}  // namespace twinsweep::test
