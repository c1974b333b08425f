#include "cli/CliOptions.h"

#include <limits>

#include "engine/MaskList.h"

namespace twinsweep {

const char* const kCliUsage =
    "usage: twinsweep-cli [--mask TEXT] [--names] [--ext] [--no-contents] [--empty]\n"
    "                     [--min N] [--max N] [--folders] [--json | -0] FOLDER...\n"
    "\n"
    "Finds duplicate files in the folders and all their subfolders.\n"
    "  --mask TEXT    file masks separated by ';' or ',' (default \"*.*\")\n"
    "  --names        file names without extension must be equal\n"
    "  --ext          file extensions must be equal\n"
    "  --no-contents  file contents need not be equal\n"
    "  --empty        empty files count as duplicates of each other\n"
    "  --min N        only files of at least N bytes (suffix K, M or G: 1024-based)\n"
    "  --max N        only files of at most N bytes\n"
    "  --folders      also print the groups of equal folders after the groups of\n"
    "                 files: folders whose whole trees hold the same names and\n"
    "                 the same bytes, all their files counted, not only those the\n"
    "                 masks and sizes choose; needs equal contents\n"
    "  --json         print the groups and statistics as one JSON document; a name\n"
    "                 that is not valid UTF-8 reads with U+FFFD in \"path\" and comes\n"
    "                 with \"pathBase64\", its exact bytes in base64\n"
    "  -0, --null     end each path with a NUL and each group with one more NUL\n"
    "\n"
    "Without --json or -0 the groups' paths are printed one a line, with an empty\n"
    "line between groups; the folder groups follow a line \"Equal folders:\" (with\n"
    "-0, an empty group). A given folder that does not exist or cannot be opened,\n"
    "or a file, is left out with a message and the other folders are searched.\n"
    "Files and folders that cannot be read are left out, and the messages say how\n"
    "many.\n"
    "\n"
    "Exit status: 0 when everything was searched; 1 when the search ran but left\n"
    "something out (a given folder, or files and folders it could not read);\n"
    "2 for bad usage or when no folder is left to search; 3 when the output could\n"
    "not be written, which stops the search.\n";

std::optional<int64_t> ParseByteCount(const std::string& text)
{
    size_t digits = 0;
    uint64_t value = 0;
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        const auto digit = static_cast<uint64_t>(text[digits] - '0');
        // Checked before the step: past 2^64 the value would wrap to a small one.
        if (value > (kMax - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (digits == 0 || text.size() - digits > 1)
        return std::nullopt;
    uint64_t factor = 1;
    if (digits < text.size()) {
        switch (text[digits]) {
        case 'k': case 'K': factor = 1ull << 10; break;
        case 'm': case 'M': factor = 1ull << 20; break;
        case 'g': case 'G': factor = 1ull << 30; break;
        default: return std::nullopt;
        }
    }
    if (value > kMax / factor)
        return std::nullopt;
    return static_cast<int64_t>(value * factor);
}

std::optional<CliOptions> ParseCliArguments(const std::vector<std::string>& args, std::string& error)
{
    CliOptions options;
    std::optional<int64_t> minSize, maxSize;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            // Most likely a variable that was never set: searching the working
            // folder instead would answer a question nobody asked.
            if (arg.empty()) {
                error = "a folder name is empty";
                return std::nullopt;
            }
            options.folders.push_back(arg);
            continue;
        }
        auto value = [&]() -> const std::string* {
            if (i + 1 < args.size())
                return &args[++i];
            error = "option " + arg + " needs a value";
            return nullptr;
        };
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        } else if (arg == "--names") {
            options.search.equalNames = true;
        } else if (arg == "--ext") {
            options.search.equalExtensions = true;
        } else if (arg == "--no-contents") {
            options.search.equalContents = false;
        } else if (arg == "--folders") {
            options.equalFolders = true;
        } else if (arg == "--empty") {
            options.search.showEmptyFiles = true;
        } else if (arg == "--json" || arg == "-0" || arg == "--null") {
            OutputFormat format = arg == "--json" ? OutputFormat::Json : OutputFormat::Nul;
            if (options.format != OutputFormat::Lines && options.format != format) {
                error = "--json and --null do not go together";
                return std::nullopt;
            }
            options.format = format;
        } else if (arg == "--mask") {
            const std::string* text = value();
            if (!text)
                return std::nullopt;
            // A search for no names at all is a slip, not a question.
            std::vector<std::string> masks;
            SplitMaskList(*text, masks, true);
            if (masks.empty()) {
                error = "option --mask takes file masks separated by ';' or ',': '" + *text + "'";
                return std::nullopt;
            }
            options.maskText = *text;
        } else if (arg == "--min" || arg == "--max") {
            const std::string* text = value();
            if (!text)
                return std::nullopt;
            std::optional<int64_t> bytes = ParseByteCount(*text);
            if (!bytes) {
                error = "option " + arg + " takes a number of bytes with an optional K, M or G: " + *text;
                return std::nullopt;
            }
            (arg == "--min" ? minSize : maxSize) = bytes;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.folders.empty()) {
        error = "no folder given";
        return std::nullopt;
    }
    if (minSize && maxSize && *minSize > *maxSize) {
        error = "--min is above --max";
        return std::nullopt;
    }
    if (minSize || maxSize) {
        options.search.rangeOn = true;
        options.search.minSize = minSize.value_or(0);
        options.search.maxSize = maxSize.value_or(std::numeric_limits<int64_t>::max());
    }
    return options;
}

}  // namespace twinsweep
