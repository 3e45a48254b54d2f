#pragma once

#include "pipeline/live/FlvTag.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

// Reads an HTTP-FLV stream as it arrives, in pieces of any size, and hands on each whole tag. It keeps
// what a new file of the same stream must begin with (the FLV header, the latest script data and the
// latest video and audio decoder configurations), and never holds more than one unfinished tag besides
// those. A malformed stream stops the reading for good with a reason. Pure: no I/O.
class FlvTagReader
{
public:
    // A real stream's largest tags are key frames of a few MiB; the 24-bit size field allows 16 MiB.
    static constexpr std::uint32_t defaultMaxDataSize = 8u << 20;

    using TagSink = std::function<void(const FlvTag&)>;

    explicit FlvTagReader(std::uint32_t maxDataSize = defaultMaxDataSize);

    // Reads `bytes`, calling `sink` for every tag they complete, in order. False once the stream is
    // malformed (then error() says why, and every later call is false at once).
    bool feed(std::string_view bytes, const TagSink& sink);

    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

    // The bytes a new file starts with: the FLV header with the first previous-tag-size, then the
    // script data, video and audio configuration tags seen so far (each whole). Empty before the header.
    std::string headerBytes() const;
    bool hasVideoConfig() const { return !m_videoConfig.empty(); }
    bool hasAudioConfig() const { return !m_audioConfig.empty(); }

    // Bytes held of a tag not yet complete (or of the header): non-zero when a stream ends mid-tag.
    std::size_t pendingBytes() const { return m_pending.size(); }
    // Bytes read so far, the pending ones included.
    std::uint64_t bytesRead() const { return m_offset + m_pending.size(); }

private:
    static constexpr std::size_t fileHeaderSize = 13; // the 9-byte header and PreviousTagSize0
    static constexpr std::size_t tagHeadSize = 11;
    static constexpr std::size_t tagTrailerSize = 4;

    bool readFileHeader(std::string_view header);
    // Checks a tag's 11-byte head; its whole size (head, body, trailer) in `size`.
    bool checkHead(std::string_view head, std::size_t& size);
    bool emit(std::string_view raw, const TagSink& sink);
    bool fail(std::string reason);

    std::uint32_t m_maxDataSize;
    std::string m_pending;      // an unfinished tag (or header), from its first byte
    std::size_t m_needed = 0;   // how many bytes m_pending must reach; 0 while the tag's head is incomplete
    std::uint64_t m_offset = 0; // the stream offset of m_pending's first byte
    std::string m_fileHeader;
    std::string m_script;
    std::string m_videoConfig;
    std::string m_audioConfig;
    std::string m_error;
};

} // namespace quorvane
