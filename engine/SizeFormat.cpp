#include "engine/SizeFormat.h"

#include "engine/TextFormat.h"

namespace twinsweep {

std::string FormatSize(uint64_t bytes)
{
    constexpr uint64_t KB = 1024, MB = KB * 1024, GB = MB * 1024;
    auto shown = [](uint64_t value) { return static_cast<unsigned long long>(value); };
    if (bytes > 5 * GB)
        return FormatText("%llu GB", shown(bytes / GB));
    if (bytes > 5 * MB)
        return FormatText("%llu MB", shown(bytes / MB));
    if (bytes > 5 * KB)
        return FormatText("%llu KB", shown(bytes / KB));
    return FormatText("%llu bytes", shown(bytes));
}

}  // namespace twinsweep
