#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace quorvane {

// The file of --download-archive: one line "douyin <id>" per saved post, as yt-dlp writes its archive, so
// that one file serves both tools. Lines of other sites are kept and ignored.
class DownloadArchive
{
public:
    // Reads the file; a missing file is an empty archive.
    explicit DownloadArchive(std::filesystem::path path);

    bool contains(const std::string& id) const { return m_ids.count(id) > 0; }
    // Appends the post's line (once). False when the file cannot be written.
    bool add(const std::string& id);

private:
    std::filesystem::path m_path;
    std::set<std::string> m_ids;
};

} // namespace quorvane
