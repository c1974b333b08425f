#include "engine/FileCatalogue.h"

namespace twinsweep {

uint32_t FileCatalogue::AddFolder(std::string folderPath)
{
    m_folders.push_back(std::move(folderPath));
    return static_cast<uint32_t>(m_folders.size() - 1);
}

void FileCatalogue::AddFile(uint32_t folder, std::string_view name, uint64_t size, uint64_t index)
{
    m_files.push_back({folder, static_cast<uint32_t>(name.size()), m_names.size(), size, index});
    m_names.append(name);
}

std::string_view FileCatalogue::NameOf(size_t k) const
{
    const File& file = m_files[k];
    return std::string_view(m_names).substr(file.nameOffset, file.nameLength);
}

std::string FileCatalogue::PathOf(size_t k) const
{
    std::string path = m_folders[m_files[k].folder];
    path.append(NameOf(k));
    return path;
}

}  // namespace twinsweep
