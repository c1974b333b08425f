#include "cli/CliRun.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "cli/CliOptions.h"
#include "cli/JsonWriter.h"
#include "engine/FolderList.h"
#include "engine/SearchRun.h"
#include "engine/SizeFormat.h"
#include "platform/FileSystem.h"

namespace twinsweep {
namespace {

constexpr int kExitComplete = 0;
constexpr int kExitPartial = 1;
constexpr int kExitUsage = 2;
constexpr int kExitOutputLost = 3;

struct Statistics {
    uint64_t totalFiles = 0;
    uint64_t copies = 0;
    uint64_t groups = 0;
    uint64_t totalSpace = 0;
    uint64_t needless = 0;

    void Add(const DupGroup& group)
    {
        ++groups;
        copies += group.entries.size();
        totalSpace += group.ByteTotal();
        needless += group.ByteTotal() - group.entries.front()->dwSize;
    }
};

// "1 file", "2 files".
std::string Count(uint64_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// stdout, remembering its first failed write: a full disk or a reader that went
// away must not pass for a short result. A user watching a terminal sees every
// piece at once; a file or a pipe gets large pieces, since each write costs a
// system call (on Windows a console query too).
class CheckedOutput {
public:
    CheckedOutput(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}

    // False once output has been lost; nothing is written after that.
    bool Write(std::string_view text)
    {
        if (m_lost)
            return false;
        m_pending += text;
        if (m_terminal || m_pending.size() >= kPieceSize)
            return Flush();
        return true;
    }

    // Writes what is pending; false once output has been lost.
    bool Flush()
    {
        if (m_lost)
            return false;
        if (m_pending.empty())
            return true;
        errno = 0;
        m_out.write(m_pending.data(), static_cast<std::streamsize>(m_pending.size()));
        m_out.flush();
        m_pending.clear();
        if (!m_out) {
            m_lost = true;
            m_error = errno;
        }
        return !m_lost;
    }

    bool Lost() const { return m_lost; }

    // Says why output was lost and returns the exit code for it.
    int Fail(std::ostream& err) const
    {
        err << "twinsweep-cli: cannot write the output";
        if (m_error != 0)
            err << ": " << std::strerror(m_error);
        err << '\n';
        return kExitOutputLost;
    }

private:
    static constexpr size_t kPieceSize = 64 * 1024;

    std::ostream& m_out;
    bool m_terminal;
    std::string m_pending;
    bool m_lost = false;
    int m_error = 0;
};

class CliReporter : public SearchReporter {
public:
    CliReporter(SearchJob& job, CheckedOutput& out, std::ostream& err, OutputFormat format, bool showProgress)
        : m_job(job), m_out(out), m_err(err), m_format(format), m_showProgress(showProgress)
    {
    }

    bool SetProgressRange(ProgressBar bar, uint64_t upper) override
    {
        if (bar == ProgressBar::Overall)
            m_range = upper;
        return true;
    }
    bool SetProgressPos(ProgressBar bar, uint64_t pos) override
    {
        if (bar == ProgressBar::Overall) {
            m_pos = pos;
            ShowProgress();
        }
        return true;
    }
    bool SetProgressText(const std::string& text) override
    {
        m_text = text;
        ShowProgress();
        return true;
    }
    void HideFileBar() override {}
    void SetCaption(const std::string& caption) override { m_caption = caption; }
    void ReportFileCount(size_t count) override { m_statistics.totalFiles = count; }

    void ReportGroup(std::unique_ptr<DupGroup> group) override
    {
        m_statistics.Add(*group);
        ClearProgress();
        // Nobody sees the groups found after output is lost: stop comparing.
        if (!m_out.Write(FormatGroup(*group)))
            m_job.stop = true;
    }

    void ReportFolderGroups(std::vector<FolderGroup> groups) override { m_folderGroups = std::move(groups); }

    void Start()
    {
        if (m_format == OutputFormat::Json)
            m_out.Write("{\n  \"groups\": [");
    }

    void Finish(bool found)
    {
        ClearProgress();
        const LeftOut leftOut{m_job.unreadableFiles, m_job.unreadableFolders, m_job.changedFiles};
        if (m_format == OutputFormat::Json ? !WriteJsonEnd(leftOut) : !m_out.Write(FormatFolderGroups()))
            return;
        // The last groups go out before the statistics, and a write that fails
        // now still loses the result.
        if (!m_out.Flush())
            return;
        if (!found)
            m_err << "No duplicates are found.\n";
        for (const std::string& line : DescribeLeftOut(leftOut))
            m_err << line << '\n';
        m_err << "Total files: " << m_statistics.totalFiles << '\n'
              << "Copies: " << m_statistics.copies << '\n'
              << "Groups: " << m_statistics.groups << '\n'
              << "Total Space: " << FormatSize(m_statistics.totalSpace) << '\n'
              << "Needless: " << FormatSize(m_statistics.needless) << '\n';
    }

private:
    std::string FormatGroup(const DupGroup& group) const
    {
        std::string text;
        switch (m_format) {
        case OutputFormat::Lines:
            if (m_statistics.groups > 1)
                text += '\n';
            for (const auto& entry : group.entries)
                text += entry->strPath + '\n';
            break;
        case OutputFormat::Nul:
            for (const auto& entry : group.entries)
                text += entry->strPath + '\0';
            text += '\0';
            break;
        case OutputFormat::Json:
            text = (m_statistics.groups > 1 ? ",\n" : "\n");
            text += "    {\"bytes\": ";
            text += std::to_string(group.ByteTotal());
            text += ", \"files\": [";
            const char* separator = "{";
            for (const auto& entry : group.entries) {
                text += separator;
                text += JsonPathMembers(entry->strPath);
                text += ", \"size\": ";
                text += std::to_string(entry->dwSize);
                text += '}';
                separator = ", {";
            }
            text += "]}";
            break;
        }
        return text;
    }

    // After the file groups, when there are folder groups: a header line, or with
    // NULs an empty group, so that a reader knows where the file groups end.
    std::string FormatFolderGroups() const
    {
        if (m_folderGroups.empty() || m_job.stop)
            return {};
        const bool nul = m_format == OutputFormat::Nul;
        std::string text = nul ? std::string(1, '\0') : "Equal folders:\n";
        if (!nul && m_statistics.groups)
            text.insert(0, "\n");
        for (const FolderGroup& group : m_folderGroups) {
            if (!nul && &group != &m_folderGroups.front())
                text += '\n';
            for (const DupFolderEntry& folder : group.folders)
                text += folder.strPath + (nul ? '\0' : '\n');
            if (nul)
                text += '\0';
        }
        return text;
    }

    std::string JsonFolderGroups() const
    {
        if (!m_job.findEqualFolders || m_job.stop)
            return {};
        std::string text = "\n  \"folderGroups\": [";
        const char* groupSeparator = "\n    ";
        for (const FolderGroup& group : m_folderGroups) {
            text += groupSeparator;
            text += "{\"bytes\": " + std::to_string(group.ByteTotal()) + ", \"folders\": [";
            const char* separator = "{";
            for (const DupFolderEntry& folder : group.folders) {
                text += separator + JsonPathMembers(folder.strPath) + ", \"files\": " + std::to_string(folder.files) +
                        ", \"size\": " + std::to_string(folder.size) + '}';
                separator = ", {";
            }
            text += "]}";
            groupSeparator = ",\n    ";
        }
        return text + (m_folderGroups.empty() ? "]," : "\n  ],");
    }

    bool WriteJsonEnd(const LeftOut& leftOut)
    {
        const Statistics& s = m_statistics;
        return m_out.Write(std::string(s.groups ? "\n  ]," : "],") + JsonFolderGroups() + "\n  \"statistics\": {" +
                           "\"totalFiles\": " + std::to_string(s.totalFiles) +
                           ", \"copies\": " + std::to_string(s.copies) +
                           ", \"groups\": " + std::to_string(s.groups) +
                           ", \"totalSpace\": " + std::to_string(s.totalSpace) +
                           ", \"needless\": " + std::to_string(s.needless) +
                           ", \"unreadableFiles\": " + std::to_string(leftOut.unreadableFiles) +
                           ", \"unreadableFolders\": " + std::to_string(leftOut.unreadableFolders) +
                           ", \"changedFiles\": " + std::to_string(leftOut.changedFiles) + "}\n}\n");
    }

    void ShowProgress()
    {
        if (!m_showProgress)
            return;
        std::string line = m_caption + ": " + std::to_string(m_statistics.totalFiles) + " files";
        if (m_range)
            line += ", " + std::to_string(m_pos) + "/" + std::to_string(m_range);
        line += "  ";
        constexpr size_t kWidth = 79;
        if (line.size() < kWidth) {
            size_t room = kWidth - line.size();
            line += m_text.size() <= room ? m_text : "..." + m_text.substr(m_text.size() - room + 3);
        }
        m_err << "\r\x1b[K" << line << std::flush;
        m_progressShown = true;
    }

    void ClearProgress()
    {
        if (m_progressShown)
            m_err << "\r\x1b[K" << std::flush;
        m_progressShown = false;
    }

    SearchJob& m_job;
    CheckedOutput& m_out;
    std::ostream& m_err;
    OutputFormat m_format;
    bool m_showProgress;
    bool m_progressShown = false;
    std::string m_caption;
    std::string m_text;
    uint64_t m_range = 0;
    uint64_t m_pos = 0;
    Statistics m_statistics;
    std::vector<FolderGroup> m_folderGroups;
};

// The folder an argument names, or nothing after telling err why it is left out.
std::optional<std::string> FolderOfArgument(const std::string& arg, const FileSystem& fs, std::ostream& err)
{
    std::string path = fs.FullPath(arg);
    if (fs.IsFolder(path))
        return path;
    // A Windows shortcut to a folder stands for the folder.
    std::string target = fs.ResolveShortcut(path);
    if (!target.empty() && fs.IsFolder(target))
        return target;
    err << "twinsweep-cli: '" << arg << "' ";
    if (!fs.Exists(path))
        err << "does not exist\n";
    else if (fs.StateOf(path))
        err << "is a file, not a folder\n";
    else
        err << "cannot be opened as a folder\n";
    return std::nullopt;
}

// Puts the folders given through the folder-list rules; returns how many were left
// out because they are no folders.
size_t AddGivenFolders(const std::vector<std::string>& args, const FileSystem& fs, FolderList& folders,
                       std::ostream& err)
{
    std::vector<std::string> paths;
    for (const std::string& arg : args) {
        if (std::optional<std::string> folder = FolderOfArgument(arg, fs, err))
            paths.push_back(std::move(*folder));
    }
    for (const std::string& message : folders.AddFolders(paths))
        err << message << '\n';
    return args.size() - paths.size();
}

}  // namespace

std::vector<std::string> DescribeLeftOut(const LeftOut& leftOut)
{
    std::vector<std::string> lines;
    std::string unreadable;
    if (leftOut.unreadableFiles)
        unreadable = Count(leftOut.unreadableFiles, "file", "files");
    if (leftOut.unreadableFolders)
        unreadable += (unreadable.empty() ? "" : " and ") + Count(leftOut.unreadableFolders, "folder", "folders");
    if (!unreadable.empty())
        lines.push_back(unreadable + " could not be read");
    if (leftOut.changedFiles)
        lines.push_back(Count(leftOut.changedFiles, "file", "files") + " changed during the search and " +
                        (leftOut.changedFiles == 1 ? "was" : "were") + " left out");
    return lines;
}

int RunCli(const std::vector<std::string>& args, const FileSystem& fs, std::ostream& out, std::ostream& err,
           Terminals terminals)
{
    std::string error;
    std::optional<CliOptions> options = ParseCliArguments(args, error);
    if (!options) {
        err << "twinsweep-cli: " << error << '\n' << kCliUsage;
        return kExitUsage;
    }
    CheckedOutput output(out, terminals.out);
    if (options->help)
        return output.Write(kCliUsage) && output.Flush() ? kExitComplete : output.Fail(err);

    FolderList folders(fs);
    const size_t refused = AddGivenFolders(options->folders, fs, folders, err);
    if (folders.Empty()) {
        err << "twinsweep-cli: no folder left to search\n";
        return kExitUsage;
    }

    SearchJob job;
    job.folders = folders.Folders();
    job.maskText = options->maskText;
    job.options = options->search;
    job.findEqualFolders = options->equalFolders;
    CliReporter reporter(job, output, err, options->format, terminals.err);
    reporter.Start();
    bool found = !output.Lost() && RunSearch(job, fs, reporter);
    if (!output.Lost())
        reporter.Finish(found);
    if (output.Lost())
        return output.Fail(err);
    bool partial = refused || job.unreadableFiles || job.unreadableFolders || job.changedFiles;
    return partial ? kExitPartial : kExitComplete;
}

}  // namespace twinsweep
