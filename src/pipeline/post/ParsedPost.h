#pragma once

#include "base/Text.h"
#include "net/TransferResult.h"
#include "pipeline/sources/VideoDetail.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What one parse found out about a post, as a value: the window, the command line and the naming of files
// all work from it. Texts are Text (GB18030), as the window takes them.
struct ParsedPost
{
    Text link;         // the link that was parsed
    Text id;           // the post's id, from the short link's redirect target
    Text title;        // the description
    Text author;       // the author's nickname
    Text coverAddress; // the cover picture's first address (empty when the answer gives none)
    Text createTime;   // the create time as the answer gave it (normally seconds, 10 digits)
    Text timePrefix;   // the publish-time prefix of file names, MakeTimePrefix of createTime
    Text playAddress;  // the first address of the rung the quality setting chooses (首项: bit_rate[0]'s
                       // first entry, as read by its path)
    Text musicAddress; // the first music address, likewise
    std::vector<Text> videoAddresses;              // the chosen rung's addresses, in the order to try them
    std::vector<Text> musicAddresses;              // every usable music address
    std::vector<std::vector<Text>> imageAddresses; // an image post: the addresses of each image
    // Beside each image, the addresses of its live photo's video (empty for a still).
    std::vector<std::vector<Text>> liveVideoAddresses;
    std::string quality;          // the video's rung (its gear_name) or "original" (UTF-8)
    std::string qualityNote;      // which video and why, when the quality setting weighed one (UTF-8)
    bool imagePost = false;       // a post of images: no video
    const char* source = nullptr; // the detail source that answered
};

// Why a parse gave no post.
struct ParseFailure
{
    std::string
        reason; // one line for the user (UTF-8): "网络连接失败：v.douyin.com", "作品已删除或不可见"...
    Text videoId;            // the id, when the link resolved
    Text unavailableReason;  // what the platform said about the post, when it said something
    TransferResult transfer; // the request that failed, when one did
};

// A post or the failure, never both.
struct ParseOutcome
{
    std::optional<ParsedPost> post;
    ParseFailure failure;
    std::vector<DetailResult::Attempt> attempts; // every detail source asked, with what it reported

    bool ok() const { return post.has_value(); }
};

} // namespace quorvane
