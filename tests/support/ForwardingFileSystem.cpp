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
    tree.Write(".edit-bytes", bytes);
    const std::string file = "'" + relative + "'";
    switch (edit) {
    case Edit::Rewrite:
        return tree.RunShell("touch -r " + file + " .edit-time && cat .edit-bytes > " + file + " && touch -r .edit-time " +
                             file + " && rm .edit-time .edit-bytes");
    case Edit::Recreate:
        return tree.RunShell("touch -r " + file + " .edit-time && rm " + file + " && cat .edit-bytes > " + file +
                             " && touch -r .edit-time " + file + " && rm .edit-time .edit-bytes");
    case Edit::Replace:
        return tree.RunShell("touch -r " + file + " .edit-bytes && mv .edit-bytes " + file);
    }
    return false;
}

}  // namespace twinsweep::test
