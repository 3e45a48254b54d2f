#include "cli/DownloadArchive.h"

#include <fstream>

namespace quorvane {

namespace {

constexpr std::string_view site = "douyin";

} // namespace

DownloadArchive::DownloadArchive(std::filesystem::path path) : m_path(std::move(path))
{
    std::ifstream in(m_path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || line.compare(0, space, site) != 0)
            continue;
        const std::size_t id = line.find_first_not_of(' ', space);
        if (id != std::string::npos)
            m_ids.insert(line.substr(id));
    }
}

bool DownloadArchive::add(const std::string& id)
{
    if (id.empty() || contains(id))
        return true;
    std::ofstream out(m_path, std::ios::binary | std::ios::app);
    out << site << ' ' << id << '\n';
    out.flush();
    if (!out)
        return false;
    m_ids.insert(id);
    return true;
}

} // namespace quorvane
