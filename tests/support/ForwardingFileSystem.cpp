#include "tests/support/ForwardingFileSystem.h"

#include <filesystem>

namespace twinsweep::test {
namespace {

// The system's clock for file times may move in steps of milliseconds: the edit
// waits until a file written now gets a later time than the file to edit got
// when it was written, so that the edit moves its change time.
void AwaitNewFileTime(const TempTree& tree, const std::string& path)
{
    const auto before = std::filesystem::last_write_time(FromUtf8(path));
    while (std::filesystem::last_write_time(FromUtf8(tree.Write(".edit-clock", "tick"))) <= before) {
    }
    tree.Remove(".edit-clock");
}

}  // namespace

bool ForwardingFileSystem::EditFile(const TempTree& tree, const std::string& relative, Edit edit,
                                    const std::string& bytes)
{
    AwaitNewFileTime(tree, tree.Path(relative));
    tree.Write(".edit", bytes);
    const char* const steps[] = {"cat .edit > F", "rm F && cat .edit > F", "mv .edit F"};
    std::string command = std::string("touch -r F .time && ") + steps[static_cast<int>(edit)] +
                          " && touch -r .time F && rm -f .time .edit";
    const std::string quoted = "'" + relative + "'";
    for (size_t at = command.find('F'); at != std::string::npos; at = command.find('F', at + quoted.size()))
        command.replace(at, 1, quoted);
    return tree.RunShell(command);
}

}  // namespace twinsweep::test
