#include "engine/FileCatalogue.h"

namespace twinsweep {

uint32_t FileCatalogue::AddFolder(std::string folderPath)
{
    m_folders.push_back({std::move(folderPath), m_names.size(), m_names.size()});
    return static_cast<uint32_t>(m_folders.size() - 1);
}

void FileCatalogue::AddFile(uint32_t folder, std::string_view name, uint64_t size, uint64_t index)
{
    Folder& holder = m_folders[folder];
    m_files.push_back({size, index, folder, static_cast<uint32_t>(m_names.size() - holder.namesStart)});
    m_names.append(name.data(), name.size());
    holder.namesEnd = m_names.size();
}

std::string_view FileCatalogue::NameOf(size_t k) const
{
    const File& file = m_files[k];
    const Folder& folder = m_folders[file.folder];
    const uint64_t start = folder.namesStart + file.nameStart;
    const bool lastOfFolder = k + 1 == m_files.size() || m_files[k + 1].folder != file.folder;
    const uint64_t end = lastOfFolder ? folder.namesEnd : folder.namesStart + m_files[k + 1].nameStart;
    return std::string_view(m_names.data() + start, end - start);
}

std::string FileCatalogue::PathOf(size_t k) const
{
    std::string path = m_folders[m_files[k].folder].path;
    path.append(NameOf(k));
    return path;
}

}  // namespace twinsweep
