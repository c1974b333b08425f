// The comparison against the plain way of doing it: every file not yet grouped in
// turn is the reference and is compared with every later file not yet grouped,
// reading both whole. On many random trees and every combination of criteria, both
// must give the same groups, members and order.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>

#include "engine/DuplicateComparison.h"
#include "engine/FolderScan.h"
#include "engine/NameParts.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempTree.h"

namespace twinsweep {
namespace {

using test::RecordingReporter;
using test::TempTree;
using Groups = std::vector<std::vector<std::string>>;

// A file as the plain comparison sees it now: its bytes when it can be read whole
// at the size the walk found.
std::optional<std::string> CurrentContents(const FileSystem& fs, const std::string& path, uint64_t collectedSize)
{
    std::unique_ptr<ReadableFile> file = fs.OpenForReading(path).file;
    if (!file || file->Stamp().size != collectedSize)
        return std::nullopt;
    std::string bytes(collectedSize, '\0');
    std::optional<size_t> got = file->ReadAt(0, bytes.data(), bytes.size());
    if (!got || *got != bytes.size())
        return std::nullopt;
    return bytes;
}

Groups PairwiseGroups(const FileCatalogue& files, const SearchOptions& options, const FileSystem& fs)
{
    const size_t n = files.Count();
    std::vector<std::optional<std::string>> contents(n);
    for (size_t k = 0; k < n; ++k)
        contents[k] = CurrentContents(fs, files.PathOf(k), files.SizeOf(k));

    auto match = [&](size_t i, size_t j) {
        NameParts a = SplitFileName(files.NameOf(i)), b = SplitFileName(files.NameOf(j));
        if (options.equalNames && FoldAsciiCase(a.name) != FoldAsciiCase(b.name))
            return false;
        if (options.equalExtensions && FoldAsciiCase(a.extension) != FoldAsciiCase(b.extension))
            return false;
        if (!options.equalContents)
            return true;
        if (files.SizeOf(i) != files.SizeOf(j) || !contents[i] || !contents[j])
            return false;
        if (files.SizeOf(i) == 0)
            return options.showEmptyFiles;
        return *contents[i] == *contents[j];
    };

    Groups groups;
    std::vector<bool> grouped(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (grouped[i])
            continue;
        std::vector<std::string> group;
        for (size_t j = i + 1; j < n; ++j) {
            if (grouped[j] || !match(i, j))
                continue;
            if (group.empty())
                group.push_back(files.PathOf(i));
            group.push_back(files.PathOf(j));
            grouped[j] = true;
        }
        if (!group.empty())
            groups.push_back(std::move(group));
    }
    return groups;
}

// A tree of files in families: exact copies, and copies that differ at the first
// byte, at byte 4096 or at the last byte; empty files; names that differ only in
// case, shared names and extensions. Some files are deleted or resized after the
// walk, so they can no longer be read at their collected size.
class RandomTree {
public:
    RandomTree(const TempTree& tree, uint32_t seed) : m_tree(tree), m_random(seed) {}

    void Build()
    {
        const size_t sizes[] = {0, 1, 7, 4095, 4096, 4097, 5000, 8193, 70001};
        int families = Pick(4, 9);
        for (int family = 0; family < families; ++family) {
            size_t size = PickOf(sizes);
            std::string bytes = test::PatternBytes(size, static_cast<uint32_t>(m_random()));
            int members = Pick(1, 5);
            for (int member = 0; member < members; ++member)
                Place(Variant(bytes));
        }
    }

    void Spoil()
    {
        for (const std::string& relative : m_files) {
            int roll = Pick(0, 19);
            if (roll == 0)
                m_tree.Remove(relative);
            else if (roll == 1)
                m_tree.Write(relative, "resized");
        }
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    template <typename T, size_t N>
    const T& PickOf(const T (&items)[N])
    {
        return items[static_cast<size_t>(Pick(0, static_cast<int>(N) - 1))];
    }

    std::string Variant(std::string bytes)
    {
        int kind = Pick(0, 5);
        if (bytes.empty() || kind < 3)
            return bytes;
        size_t at = kind == 3 ? 0 : kind == 4 ? std::min<size_t>(4096, bytes.size() - 1) : bytes.size() - 1;
        bytes[at] = static_cast<char>(bytes[at] ^ 1);
        return bytes;
    }

    void Place(const std::string& bytes)
    {
        static const char* const folders[] = {"", "a/", "a/b/", "c/", "c/d/e/", "C2/"};
        static const char* const names[] = {"report.txt", "REPORT.doc", "Report.TXT", "x.tar.gz", "X.TAR.GZ",
                                            "x.tgz", ".profile", "noext", "NoExt", "data.bin", "photo.JPG",
                                            "photo.jpg", "a.b.c"};
        for (int attempt = 0; attempt < 20; ++attempt) {
            std::string folder = PickOf(folders);
            std::string name = PickOf(names);
            // One name per folder whatever its case, as a Windows folder allows.
            std::string key = folder + FoldAsciiCase(name);
            if (!m_taken.insert(key).second)
                continue;
            m_files.push_back(folder + name);
            m_tree.Write(m_files.back(), bytes);
            return;
        }
    }

    const TempTree& m_tree;
    std::mt19937 m_random;
    std::vector<std::string> m_files;
    std::set<std::string> m_taken;
};

TEST(Equivalence, GivesThePlainComparisonsGroupsOnRandomTrees)
{
    const FileSystem& fs = PlatformFileSystem();
    // Files are slow to make under Wine; the rules are the same on every platform.
#ifdef _WIN32
    constexpr uint32_t kTrees = 15;
#else
    constexpr uint32_t kTrees = 40;
#endif
    for (uint32_t seed = 1; seed <= kTrees; ++seed) {
        TempTree tree;
        RandomTree random(tree, seed);
        random.Build();
        SearchJob job;
        job.masks = {"*.*"};
        RecordingReporter walkReporter;
        FolderScanner(job, fs, walkReporter).ScanFolder(tree.Root());
        random.Spoil();

        for (int criteria = 0; criteria < 16; ++criteria) {
            job.options.equalContents = criteria & 1;
            job.options.equalNames = criteria & 2;
            job.options.equalExtensions = criteria & 4;
            job.options.showEmptyFiles = criteria & 8;
            RecordingReporter reporter;
            bool found = FindDuplicateGroups(job, fs, reporter);
            Groups expected = PairwiseGroups(job.files, job.options, fs);
            ASSERT_EQ(reporter.groups, expected) << "seed " << seed << ", criteria " << criteria;
            ASSERT_EQ(found, !expected.empty());
        }
    }
}

}  // namespace
}  // namespace twinsweep
