// The command line of twinsweep-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/SearchJob.h"

namespace twinsweep {

extern const char* const kCliUsage;

enum class OutputFormat {
    Lines,  // one path a line, an empty line between groups
    Nul,    // each path ended by a NUL, each group by one more
    Json,
};

struct CliOptions {
    SearchOptions search;
    std::string maskText = "*.*";
    OutputFormat format = OutputFormat::Lines;
    bool help = false;
    bool equalFolders = false;
    std::vector<std::string> folders;
};

// Nothing, with error set to a one-line reason, when the arguments are not usable.
std::optional<CliOptions> ParseCliArguments(const std::vector<std::string>& args, std::string& error);

// "1536", "64K", "2M", "1g": bytes, the suffix 1024-based.
std::optional<int64_t> ParseByteCount(const std::string& text);

}  // namespace twinsweep
