#include "pipeline/live/FlvTagReader.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::string_view signature = "FLV";

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

unsigned char byteAt(std::string_view bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}

// Sound format 10 (AAC), packet type 0.
bool isAudioConfig(std::string_view data)
{
    return data.size() >= 2 && (byteAt(data, 0) >> 4) == 10 && byteAt(data, 1) == 0;
}

bool isVideoConfig(std::string_view data)
{
    if (data.empty())
        return false;
    const unsigned char first = byteAt(data, 0);
    // The extended header (high bit) carries its packet type in the low nibble: 0 starts a sequence.
    if (first & 0x80)
        return (first & 0x0f) == 0;
    // Codec 7 (AVC), or 12, which the Chinese CDNs use for HEVC; packet type 0.
    const unsigned codec = first & 0x0f;
    return data.size() >= 2 && (codec == 7 || codec == 12) && byteAt(data, 1) == 0;
}

std::string at(std::uint64_t offset)
{
    return "（位于第 " + std::to_string(offset) + " 字节）";
}

} // namespace

FlvTagReader::FlvTagReader(std::uint32_t maxDataSize) : m_maxDataSize(maxDataSize) {}

bool FlvTagReader::fail(std::string reason)
{
    m_error = std::move(reason);
    m_pending.clear();
    m_pending.shrink_to_fit();
    return false;
}

bool FlvTagReader::readFileHeader(std::string_view header)
{
    const std::size_t known = std::min(header.size(), signature.size());
    if (header.substr(0, known) != signature.substr(0, known))
        return fail("不是 FLV 流：开头没有 FLV 头");
    if (header.size() < fileHeaderSize)
        return true;
    if (byteAt(header, 3) != 1)
        return fail("不支持的 FLV 版本 " + std::to_string(byteAt(header, 3)));
    if (const std::uint32_t size = bigEndian(header, 5, 4); size != 9)
        return fail("FLV 头的长度是 " + std::to_string(size) + "，应为 9");
    if (bigEndian(header, 9, 4) != 0)
        return fail("FLV 头后的第一个前标签长度不是 0");
    m_fileHeader.assign(header);
    return true;
}

bool FlvTagReader::checkHead(std::string_view head, std::size_t& size)
{
    const unsigned char type = byteAt(head, 0);
    if (type != FlvTag::audio && type != FlvTag::video && type != FlvTag::scriptData)
        return fail("无效的标签类型 " + std::to_string(type) + at(m_offset));
    const std::uint32_t dataSize = bigEndian(head, 1, 3);
    if (dataSize > m_maxDataSize)
        return fail("标签数据长度 " + std::to_string(dataSize) + " 超过上限 " +
                    std::to_string(m_maxDataSize) + at(m_offset));
    size = tagHeadSize + dataSize + tagTrailerSize;
    return true;
}

bool FlvTagReader::emit(std::string_view raw, const TagSink& sink)
{
    const std::uint32_t dataSize = bigEndian(raw, 1, 3);
    const std::uint32_t previous = bigEndian(raw, tagHeadSize + dataSize, 4);
    if (previous != tagHeadSize + dataSize)
        return fail("前标签长度 " + std::to_string(previous) + " 与标签长度 " +
                    std::to_string(tagHeadSize + dataSize) + " 不符" + at(m_offset));
    FlvTag tag;
    tag.type = byteAt(raw, 0);
    tag.timestamp = bigEndian(raw, 4, 3) | (static_cast<std::uint32_t>(byteAt(raw, 7)) << 24);
    tag.offset = m_offset;
    tag.data = raw.substr(tagHeadSize, dataSize);
    tag.raw = raw;
    if (tag.type == FlvTag::video) {
        // Frame type 1 in bits 4-6 (bit 7 marks the extended header).
        tag.keyFrame = !tag.data.empty() && ((byteAt(tag.data, 0) >> 4) & 0x07) == 1;
        tag.sequenceHeader = isVideoConfig(tag.data);
        if (tag.sequenceHeader)
            m_videoConfig.assign(raw);
    } else if (tag.type == FlvTag::audio) {
        tag.sequenceHeader = isAudioConfig(tag.data);
        if (tag.sequenceHeader)
            m_audioConfig.assign(raw);
    } else {
        m_script.assign(raw);
    }
    m_offset += raw.size();
    sink(tag);
    return true;
}

bool FlvTagReader::feed(std::string_view bytes, const TagSink& sink)
{
    if (failed())
        return false;
    if (m_fileHeader.empty()) {
        const std::size_t take = std::min(fileHeaderSize - m_pending.size(), bytes.size());
        m_pending.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (!readFileHeader(m_pending))
            return false;
        if (m_fileHeader.empty())
            return true;
        m_offset = fileHeaderSize;
        m_pending.clear();
    }
    while (!bytes.empty()) {
        if (m_pending.empty()) {
            // Whole tags straight from the caller's bytes, without a copy.
            std::size_t size = 0;
            if (bytes.size() >= tagHeadSize) {
                if (!checkHead(bytes, size))
                    return false;
                if (bytes.size() >= size) {
                    if (!emit(bytes.substr(0, size), sink))
                        return false;
                    bytes.remove_prefix(size);
                    continue;
                }
            }
            m_needed = size;
            m_pending.reserve(std::max(size, tagHeadSize));
            m_pending.assign(bytes);
            return true;
        }
        if (m_needed == 0) {
            const std::size_t take = std::min(tagHeadSize - m_pending.size(), bytes.size());
            m_pending.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (m_pending.size() < tagHeadSize)
                return true;
            if (!checkHead(m_pending, m_needed))
                return false;
            m_pending.reserve(m_needed);
        }
        const std::size_t take = std::min(m_needed - m_pending.size(), bytes.size());
        m_pending.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (m_pending.size() < m_needed)
            return true;
        const std::string tagBytes = std::move(m_pending);
        m_pending.clear();
        m_needed = 0;
        if (!emit(tagBytes, sink))
            return false;
    }
    return true;
}

std::string FlvTagReader::headerBytes() const
{
    if (m_fileHeader.empty())
        return std::string();
    return m_fileHeader + m_script + m_videoConfig + m_audioConfig;
}

} // namespace quorvane
