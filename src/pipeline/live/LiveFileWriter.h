#pragma once

#include "net/TransferResult.h"
#include "pipeline/live/FlvTag.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class FlvTagReader;

// The files of one recording, written as the tags arrive. Each file starts with the FLV header and the
// stream's script data and decoder configurations, and holds only whole tags, so that it plays on its own
// whatever stops the recording. A new connection (after a drop) goes on in the same file: its repeated
// script data and unchanged configurations are left out, and its timestamps are moved on where they start
// again below the last one written. With a period, a new file starts at the first key frame (any tag of
// a stream without video) after it.
class LiveFileWriter
{
public:
    // The path (UTF-8) of the first file, the second, …; a path already taken gets " (2)", " (3)", … before
    // its suffix, so that nothing recorded earlier is overwritten.
    using PathOfPart = std::function<std::string(int part)>;
    using FileStarted = std::function<void(const std::string& path)>;

    LiveFileWriter(PathOfPart pathOfPart, double segmentSeconds, FileStarted fileStarted = {});
    ~LiveFileWriter();
    LiveFileWriter(const LiveFileWriter&) = delete;
    LiveFileWriter& operator=(const LiveFileWriter&) = delete;

    // The tags that follow come from a new connection.
    void newConnection();
    // Takes one whole tag that `reader` read (its header bytes start each new file). False once writing
    // failed (error() says why).
    bool take(const FlvTag& tag, const FlvTagReader& reader);
    // Hands what take() gathered to the system: once it returns true, every tag taken is in the file.
    bool flush();
    // Flushes and closes the current file.
    bool close();

    bool hasFile() const { return m_fd >= 0 || !m_files.empty(); }
    const std::vector<std::string>& files() const { return m_files; }
    std::uint64_t bytesWritten() const { return m_bytes; }
    // Media tags written in this connection.
    std::uint64_t tagsThisConnection() const { return m_connectionTags; }
    // From the first media tag written to the last, over all files.
    double mediaSeconds() const;
    const TransferResult& error() const { return m_error; }

private:
    bool openPart(const FlvTagReader& reader);
    void append(const FlvTag& tag, std::uint32_t timestamp);
    bool fail(TransferResult error);

    PathOfPart m_pathOfPart;
    std::int64_t m_segmentMs;
    FileStarted m_fileStarted;
    int m_fd = -1;
    int m_part = 0;
    std::vector<std::string> m_files;
    std::string m_pending; // whole tags not yet handed to the system
    std::uint64_t m_bytes = 0;
    std::uint64_t m_fileBytes = 0; // of the current file, whole tags all
    std::uint64_t m_connectionTags = 0;
    int m_connections = 0;
    bool m_awaitingMedia = true; // no media tag yet in this connection
    bool m_video = false;        // the stream has video: files are cut at key frames
    std::int64_t m_offset = 0;   // added to this connection's timestamps
    std::int64_t m_firstOut = -1;
    std::int64_t m_lastOut = -1;
    std::int64_t m_fileFirstOut = -1;
    std::string m_videoConfig; // the configuration data last written (or about to start a file)
    std::string m_audioConfig;
    TransferResult m_error;
};

} // namespace quorvane
