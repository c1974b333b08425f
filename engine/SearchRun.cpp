#include "engine/SearchRun.h"

#include "engine/DuplicateComparison.h"
#include "engine/EqualFolders.h"
#include "engine/FolderScan.h"
#include "engine/MaskList.h"

namespace twinsweep {

bool RunSearch(SearchJob& job, const FileSystem& fs, SearchReporter& reporter)
{
    job.masks.clear();
    SplitMaskList(job.maskText, job.masks, true);
    reporter.SetCaption("Folder scan");
    {
        // Gone with the walk: what it kept to walk is freed before the comparison.
        FolderScanner scanner(job, fs, reporter);
        for (const std::string& folder : job.folders) {
            if (job.stop)
                break;
            scanner.ScanFolder(folder);
        }
    }
    fs.ReturnFreedMemory();
    reporter.ReportFileCount(job.files.Count());
    reporter.SetCaption("File comparison");
    bool found = FindDuplicateGroups(job, fs, reporter);
    reporter.SetCaption("Comparing the folders...");
    if (job.findEqualFolders && !job.stop)
        reporter.ReportFolderGroups(FindEqualFolders(job, fs, reporter));
    return found;
}

}  // namespace twinsweep
