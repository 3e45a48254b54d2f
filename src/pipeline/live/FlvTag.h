#pragma once

#include <cstdint>
#include <string_view>

namespace quorvane {

// One whole tag of an FLV stream as FlvTagReader hands it on. The views are valid only during the call
// that receives the tag.
struct FlvTag
{
    static constexpr std::uint8_t audio = 8;
    static constexpr std::uint8_t video = 9;
    static constexpr std::uint8_t scriptData = 18;

    std::uint8_t type = 0;
    std::uint32_t timestamp = 0; // milliseconds, the extended byte as the upper eight bits
    std::uint64_t offset = 0;    // where the tag starts in the stream (the FLV header is at 0)
    std::string_view data;       // the tag's body
    std::string_view raw;        // the whole tag: its 11-byte head, the body and its previous-tag-size
    bool keyFrame = false;       // a video tag of frame type 1
    bool sequenceHeader = false; // the decoder configuration of the video (AVC, HEVC) or audio (AAC)
};

} // namespace quorvane
