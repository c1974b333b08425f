// twinsweep-cli: a search from the command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace twinsweep {

class FileSystem;

// Runs the command line args (without the program name) and returns the exit
// code: 0 after a search, 2 for bad usage or when no given folder exists. Groups go
// to out; messages, statistics and, when err is a terminal, a progress line to err.
int RunCli(const std::vector<std::string>& args, const FileSystem& fs, std::ostream& out,
           std::ostream& err, bool errIsTerminal);

}  // namespace twinsweep
