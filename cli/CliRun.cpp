#include "cli/CliRun.h"

#include "cli/CliOptions.h"
#include "cli/JsonWriter.h"
#include "engine/FolderList.h"
#include "engine/SearchRun.h"
#include "engine/SizeFormat.h"
#include "platform/FileSystem.h"

namespace twinsweep {
namespace {

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

class CliReporter : public SearchReporter {
public:
    CliReporter(std::ostream& out, std::ostream& err, bool json, bool showProgress)
        : m_out(out), m_err(err), m_json(json), m_showProgress(showProgress)
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
        if (m_json) {
            WriteJsonGroup(*group);
            return;
        }
        ClearProgress();
        if (m_statistics.groups > 1)
            m_out << '\n';
        for (const auto& entry : group->entries)
            m_out << entry->strPath << '\n';
        m_out.flush();
    }

    void Finish(bool found)
    {
        ClearProgress();
        if (m_json) {
            m_out << (m_statistics.groups ? "\n  ]," : "],") << "\n  \"statistics\": {"
                  << "\"totalFiles\": " << m_statistics.totalFiles << ", \"copies\": " << m_statistics.copies
                  << ", \"groups\": " << m_statistics.groups << ", \"totalSpace\": " << m_statistics.totalSpace
                  << ", \"needless\": " << m_statistics.needless << "}\n}\n";
        }
        if (!found)
            m_err << "No duplicates are found.\n";
        m_err << "Total files: " << m_statistics.totalFiles << '\n'
              << "Copies: " << m_statistics.copies << '\n'
              << "Groups: " << m_statistics.groups << '\n'
              << "Total Space: " << FormatSize(m_statistics.totalSpace) << '\n'
              << "Needless: " << FormatSize(m_statistics.needless) << '\n';
    }

    void Start()
    {
        if (m_json)
            m_out << "{\n  \"groups\": [";
    }

private:
    void WriteJsonGroup(const DupGroup& group)
    {
        m_out << (m_statistics.groups > 1 ? ",\n" : "\n") << "    {\"bytes\": " << group.ByteTotal()
              << ", \"files\": [";
        const char* separator = "";
        for (const auto& entry : group.entries) {
            m_out << separator << "{\"path\": " << JsonString(entry->strPath) << ", \"size\": " << entry->dwSize
                  << '}';
            separator = ", ";
        }
        m_out << "]}";
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

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_json;
    bool m_showProgress;
    bool m_progressShown = false;
    std::string m_caption;
    std::string m_text;
    uint64_t m_range = 0;
    uint64_t m_pos = 0;
    Statistics m_statistics;
};

}  // namespace

int RunCli(const std::vector<std::string>& args, const FileSystem& fs, std::ostream& out, std::ostream& err,
           bool errIsTerminal)
{
    std::string error;
    std::optional<CliOptions> options = ParseCliArguments(args, error);
    if (!options) {
        err << "twinsweep-cli: " << error << '\n' << kCliUsage;
        return 2;
    }
    if (options->help) {
        out << kCliUsage;
        return 0;
    }

    FolderList folders(fs);
    std::vector<std::string> paths;
    for (const std::string& folder : options->folders)
        paths.push_back(fs.FullPath(folder));
    for (const std::string& message : folders.AddFolders(paths))
        err << message << '\n';
    if (folders.Empty()) {
        err << "twinsweep-cli: none of the given folders exists\n";
        return 2;
    }

    SearchJob job;
    job.folders = folders.Folders();
    job.maskText = options->maskText;
    job.options = options->search;
    CliReporter reporter(out, err, options->json, errIsTerminal);
    reporter.Start();
    bool found = RunSearch(job, fs, reporter);
    reporter.Finish(found);
    return 0;
}

}  // namespace twinsweep
