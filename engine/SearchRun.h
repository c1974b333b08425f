// One search from folders to groups, as the search thread runs it.
#pragma once

#include "engine/SearchJob.h"
#include "engine/SearchReporter.h"
#include "platform/FileSystem.h"

namespace twinsweep {

// Splits the mask text, walks every folder of the job, then compares what it
// collected. Returns whether any group was reported.
bool RunSearch(SearchJob& job, const FileSystem& fs, SearchReporter& reporter);

}  // namespace twinsweep
