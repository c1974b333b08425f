#include "engine/SearchJob.h"

namespace twinsweep {

int32_t UnitFactor(int32_t unit)
{
    switch (unit) {
    case 0: return 1;
    case 1: return 1024;
    default: return 1048576;
    }
}

uint64_t DupGroup::ByteTotal() const
{
    uint64_t total = 0;
    for (const auto& entry : entries)
        total += entry->dwSize;
    return total;
}

bool IsAsFound(const DupFileEntry& entry, const FileSystem& fs)
{
    return entry.stamp && fs.StateOf(entry.strPath) == entry.stamp;
}

}  // namespace twinsweep
