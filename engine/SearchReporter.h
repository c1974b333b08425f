// How a search tells its front end what it is doing. The Windows program maps these
// onto its progress window and result view; the console front end onto its output.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/EqualFolders.h"
#include "engine/SearchJob.h"

namespace twinsweep {

enum class ProgressBar { Overall = 0, File = 1 };

// All calls come from the thread that runs the search.
class SearchReporter {
public:
    virtual ~SearchReporter() = default;
    // These three answer false once the user has asked to stop.
    virtual bool SetProgressRange(ProgressBar bar, uint64_t upper) = 0;
    virtual bool SetProgressPos(ProgressBar bar, uint64_t pos) = 0;
    virtual bool SetProgressText(const std::string& text) = 0;
    virtual void HideFileBar() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void ReportFileCount(size_t count) = 0;
    // The receiver takes the group and its entries.
    virtual void ReportGroup(std::unique_ptr<DupGroup> group) = 0;
    // Once, after the file groups, when the job asks for equal folders and the
    // search was not stopped. A front end that shows no folders never asks.
    virtual void ReportFolderGroups(std::vector<FolderGroup> groups) { (void)groups; }
};

}  // namespace twinsweep
