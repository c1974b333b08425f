// Real files in a fresh temporary folder, removed again at the end of a test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace twinsweep::test {

std::string Utf8(const std::filesystem::path& path);
std::filesystem::path FromUtf8(std::string_view text);

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The full path of the tree's folder, without a trailing separator.
    const std::string& Root() const { return m_root; }
    // relative uses '/' between names, whatever the platform.
    std::string Path(std::string_view relative) const;
    std::string MakeFolder(std::string_view relative) const;
    // Writes a file, making its folders; returns its full path.
    std::string Write(std::string_view relative, std::string_view contents) const;
    void Remove(std::string_view relative) const;
    // Makes a symbolic link to a folder; false where the platform cannot.
    bool LinkFolder(std::string_view target, std::string_view link) const;
    // Runs a command of the Unix shell in the tree's folder and waits until it has
    // ended, under Wine too: what a Unix program does beside a Windows one, and
    // names Windows cannot make. False where there is no Unix shell, or the
    // command failed.
    bool RunShell(const std::string& command) const;

private:
    std::string m_root;
    mutable std::vector<std::string> m_links;
};

// size bytes of a pattern that depends on seed.
std::string PatternBytes(uint64_t size, uint32_t seed);

}  // namespace twinsweep::test
