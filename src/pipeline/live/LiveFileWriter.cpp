#include "pipeline/live/LiveFileWriter.h"

#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"
#include "pipeline/live/FlvTagReader.h"

#include <cerrno>

namespace quorvane {

namespace {

constexpr std::size_t flushAbove = 1u << 20;
constexpr int maxNameTries = 100;

// "a.flv" as "a (n).flv".
std::string numbered(const std::string& path, int n)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t cut =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
    return path.substr(0, cut) + " (" + std::to_string(n) + ")" + path.substr(cut);
}

} // namespace

LiveFileWriter::LiveFileWriter(PathOfPart pathOfPart, double segmentSeconds, FileStarted fileStarted)
    : m_pathOfPart(std::move(pathOfPart)),
      m_segmentMs(segmentSeconds > 0 ? static_cast<std::int64_t>(segmentSeconds * 1000) : 0),
      m_fileStarted(std::move(fileStarted))
{}

LiveFileWriter::~LiveFileWriter()
{
    close();
}

void LiveFileWriter::newConnection()
{
    ++m_connections;
    m_awaitingMedia = true;
    m_connectionTags = 0;
}

bool LiveFileWriter::fail(TransferResult error)
{
    m_error = std::move(error);
    m_pending.clear();
    return false;
}

double LiveFileWriter::mediaSeconds() const
{
    return m_firstOut < 0 ? 0.0 : static_cast<double>(m_lastOut - m_firstOut) / 1000.0;
}

void LiveFileWriter::append(const FlvTag& tag, std::uint32_t timestamp)
{
    const std::size_t at = m_pending.size();
    m_pending.append(tag.raw);
    if (timestamp != tag.timestamp) {
        m_pending[at + 4] = static_cast<char>((timestamp >> 16) & 0xff);
        m_pending[at + 5] = static_cast<char>((timestamp >> 8) & 0xff);
        m_pending[at + 6] = static_cast<char>(timestamp & 0xff);
        m_pending[at + 7] = static_cast<char>((timestamp >> 24) & 0xff);
    }
}

bool LiveFileWriter::openPart(const FlvTagReader& reader)
{
    if (!flush() || !close())
        return false;
    const int part = m_part + 1;
    const std::string wanted = m_pathOfPart(part);
    std::string path = wanted;
    for (int n = 2;; ++n) {
        m_fd = ::open(pathFromUtf8(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0 || errno != EEXIST || n > maxNameTries)
            break;
        path = numbered(wanted, n);
    }
    if (m_fd < 0) {
        TransferResult failure = localFailure(errno, "open");
        failure.host = path;
        return fail(std::move(failure));
    }
    m_part = part;
    m_files.push_back(path);
    m_pending = reader.headerBytes();
    m_fileBytes = 0;
    m_fileFirstOut = -1;
    if (m_fileStarted)
        m_fileStarted(path);
    return true;
}

bool LiveFileWriter::take(const FlvTag& tag, const FlvTagReader& reader)
{
    if (!m_error.ok())
        return false;
    if (tag.type == FlvTag::scriptData) {
        // A new connection's script data repeats the first; before the file exists it is in its header.
        if (m_fd >= 0 && !(m_awaitingMedia && m_connections > 1))
            append(tag, static_cast<std::uint32_t>(m_lastOut < 0 ? 0 : m_lastOut));
        return true;
    }
    if (tag.sequenceHeader) {
        std::string& config = tag.type == FlvTag::video ? m_videoConfig : m_audioConfig;
        m_video = m_video || tag.type == FlvTag::video;
        const bool same = config == tag.data;
        config.assign(tag.data);
        if (m_fd >= 0 && !same)
            append(tag, static_cast<std::uint32_t>(m_lastOut < 0 ? 0 : m_lastOut));
        return true;
    }

    if (m_awaitingMedia) {
        m_awaitingMedia = false;
        // A new connection whose clock starts again: it goes on from the last timestamp written.
        if (m_lastOut >= 0 && static_cast<std::int64_t>(tag.timestamp) + m_offset < m_lastOut)
            m_offset = m_lastOut - static_cast<std::int64_t>(tag.timestamp);
    }
    const std::int64_t out = static_cast<std::int64_t>(tag.timestamp) + m_offset;
    const bool cutHere = tag.type == FlvTag::video ? tag.keyFrame : !m_video;
    if (m_fd < 0 ||
        (m_segmentMs > 0 && m_fileFirstOut >= 0 && cutHere && out - m_fileFirstOut >= m_segmentMs)) {
        if (!openPart(reader))
            return false;
    }
    append(tag, static_cast<std::uint32_t>(out));
    if (m_fileFirstOut < 0)
        m_fileFirstOut = out;
    if (m_firstOut < 0)
        m_firstOut = out;
    m_lastOut = std::max(m_lastOut, out);
    ++m_connectionTags;
    return m_pending.size() < flushAbove || flush();
}

bool LiveFileWriter::flush()
{
    if (!m_error.ok())
        return false;
    std::size_t done = 0;
    while (done < m_pending.size() && m_fd >= 0) {
        const auto wrote =
            ::write(m_fd, m_pending.data() + done, static_cast<unsigned>(m_pending.size() - done));
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            TransferResult failure = localFailure(errno, "write");
            failure.host = m_files.empty() ? std::string() : m_files.back();
            // A full disk may have taken part of a tag: the file is cut back to its last whole tag.
            if (done > 0 && truncateFile(m_fd, static_cast<long long>(m_fileBytes)) == 0)
                m_bytes -= done;
            return fail(std::move(failure));
        }
        done += static_cast<std::size_t>(wrote);
        m_bytes += static_cast<std::uint64_t>(wrote);
    }
    m_fileBytes += done;
    m_pending.clear();
    return true;
}

bool LiveFileWriter::close()
{
    const bool flushed = flush();
    if (m_fd < 0)
        return flushed;
    const bool closed = ::close(m_fd) == 0;
    const int error = errno;
    m_fd = -1;
    if (flushed && !closed)
        return fail(localFailure(error, "close"));
    return flushed && closed;
}

} // namespace quorvane
