#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "platform/FileSystem.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "win32/Utf16.h"

namespace {

// A console answers for its mode. _isatty would also take NUL and every other
// character device for a terminal, and paint progress into them.
bool IsConsole(FILE* stream)
{
    DWORD mode;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

}  // namespace

// Arguments arrive in UTF-16, so names outside the ANSI code page survive; inside,
// paths are UTF-8, which is also what the console is switched to.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(twinsweep::WideToUtf8(argv[i]));
    UINT outputCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::ios::sync_with_stdio(false);
    const twinsweep::Terminals terminals{IsConsole(stdout), IsConsole(stderr)};
    int code = twinsweep::RunCli(args, twinsweep::PlatformFileSystem(), std::cout, std::cerr, terminals);
    SetConsoleOutputCP(outputCodePage);
    return code;
}
#else
#include <signal.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // A reader that went away is a failed write that gets its message and exit
    // code, not a silent death halfway through the groups.
    signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return twinsweep::RunCli(args, twinsweep::PlatformFileSystem(), std::cout, std::cerr,
                             {isatty(1) != 0, isatty(2) != 0});
}
#endif
