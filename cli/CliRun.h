// twinsweep-cli: a search from the command line.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace twinsweep {

class FileSystem;

// Which of the two streams a user watches as it is written.
struct Terminals {
    bool out = false;
    bool err = false;
};

// Runs the command line args (without the program name) and returns the exit
// code: 0 when everything was searched, 1 when the search ran but left something
// out (a given folder that is none, files or folders it could not read, files
// that changed), 2 for bad usage or when no folder is left to search, 3 when
// writing to out failed, which stops the search. Groups go to out, each as soon
// as it is found when out is a terminal, in large pieces otherwise; messages,
// statistics and, when err is a terminal, a progress line to err.
int RunCli(const std::vector<std::string>& args, const FileSystem& fs, std::ostream& out,
           std::ostream& err, Terminals terminals);

// What a search had to leave out.
struct LeftOut {
    uint32_t unreadableFiles = 0;
    uint32_t unreadableFolders = 0;
    uint32_t changedFiles = 0;
};

// The lines that tell a user the result is partial ("2 files and 1 folder could
// not be read"); none when nothing was left out.
std::vector<std::string> DescribeLeftOut(const LeftOut& leftOut);

}  // namespace twinsweep
