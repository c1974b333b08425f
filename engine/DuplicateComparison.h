// The comparison phase: divides the collected files into duplicate groups by the
// criteria of the options and reports each group as soon as it is complete.
#pragma once

#include "engine/SearchJob.h"
#include "engine/SearchReporter.h"
#include "platform/FileSystem.h"

namespace twinsweep {

// A file joins the group of the first file collected before it that it matches by
// every criterion on (equal contents, equal names without extension, equal
// extensions; names and extensions fold ASCII case). Groups are reported in the
// order of their first files, each with its files in collection order. Returns
// whether any group was reported.
bool FindDuplicateGroups(SearchJob& job, const FileSystem& fs, SearchReporter& reporter);

}  // namespace twinsweep
