#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// How many entries of an address list, how many images of a post and how many rungs are read at most:
// real answers carry a handful (about ten rungs), and a hostile one must not start thousands of downloads.
inline constexpr std::size_t maxAddressesPerList = 16;
inline constexpr std::size_t maxImagesPerPost = 100;
inline constexpr std::size_t maxRungs = 64;

// One rung of a video's bit-rate ladder, with what the quality choice looks at.
struct Rung
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t fps = 0;
    std::int64_t bitRate = 0;
    std::int64_t dataSize = 0;
    // is_h265, is_bytevc1 (1 ByteVC1, 2 ByteVC2: neither is H.264), or "h265"/"bytevc1" in the url key
    bool hevc = false;
    std::vector<std::string> addresses; // in listed order, empty entries left out
    std::string gearName;

    std::int64_t shortEdge() const { return width < height ? width : height; }
};

// One picture of an image post, with its live photo's video (no addresses for a still).
struct PostImage
{
    std::vector<std::string> addresses;
    std::vector<std::string> liveVideoAddresses;
};

// What the sources found out about the uploaded original, when the quality setting weighs it: its
// address, its size from a ranged request, and the best rung's size when the answer gave none.
struct OriginalOffer
{
    std::string url;                      // empty when the post names no video uri
    std::optional<std::int64_t> size;     // the original's size; unknown when the probe failed
    std::string why;                      // why the size is unknown
    std::optional<std::int64_t> rungSize; // the best rung's probed size, when its data_size is 0
};

// One post as the platform's answers describe it, read once from whichever answer shape held it. Every
// text is UTF-8; ids stay text (they pass 2^53).
struct PostDetail
{
    std::string id;                          // aweme_id
    std::string title;                       // desc
    std::string author;                      // author.nickname
    std::string authorId;                    // author.sec_uid
    std::optional<std::int64_t> createTime;  // seconds since 1970
    bool imagePost = false;                  // images listed and no bit rate: a post of pictures, no video
    bool pinned = false;                     // is_top: pinned on the creator's page
    std::optional<std::int64_t> episode;     // its place in its collection, from 1 (mix_info.statis)
    std::vector<Rung> rungs;                 // the video's bit-rate ladder, in listed order
    std::string videoUri;                    // video.play_addr.uri: names the uploaded original
    std::vector<std::string> coverAddresses; // the video's cover, else its first frame
    std::vector<std::string> musicAddresses;
    std::string musicTitle;
    std::vector<PostImage> images;
    std::optional<OriginalOffer> original; // filled by the sources when the original is weighed
};

} // namespace quorvane

namespace quorvane {

// What a detail answer says: the post it holds, else why the post is unavailable, else nothing (an
// answer that is no JSON, or JSON without either).
struct DetailReading
{
    std::optional<PostDetail> post;
    std::string unavailableReason;
};

} // namespace quorvane
