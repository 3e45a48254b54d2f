#pragma once

#include "net/TransferResult.h"
#include "pipeline/sources/VideoDetail.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What one parse found out about a post, as a value: the window, the command line, the download list and
// the naming of files all work from it. Every text is UTF-8, as the detail answer gave it.
struct ParsedPost
{
    std::string link;         // the link that was parsed
    std::string id;           // the post's id, from the short link's redirect target
    std::string title;        // the description
    std::string author;       // the author's nickname
    std::string coverAddress; // the cover picture's first address (empty when the answer gives none)
    std::string createTime;   // the create time as the answer gave it (normally seconds, 10 digits)
    std::string timePrefix;   // the publish-time prefix of file names, MakeTimePrefix of createTime
    std::string playAddress;  // the first address of the rung the quality setting chooses (首项:
                              // bit_rate[0]'s first entry, as read by its path)
    std::string musicAddress; // the first music address, likewise
    std::vector<std::string> videoAddresses;              // the chosen rung's addresses, in the order to try
    std::vector<std::string> musicAddresses;              // every usable music address
    std::vector<std::vector<std::string>> imageAddresses; // an image post: the addresses of each image
    // Beside each image, the addresses of its live photo's video (empty for a still).
    std::vector<std::vector<std::string>> liveVideoAddresses;
    std::string quality;          // the video's rung (its gear_name) or "original"
    std::string qualityNote;      // which video and why, when the quality setting weighed one
    bool imagePost = false;       // a post of images: no video
    const char* source = nullptr; // the detail source that answered
};

// Why a parse gave no post.
struct ParseFailure
{
    std::string reason; // one line for the user: "网络连接失败：v.douyin.com", "作品已删除或不可见"...
    std::string videoId;           // the id, when the link resolved
    std::string unavailableReason; // what the platform said about the post, when it said something
    TransferResult transfer;       // the request that failed, when one did
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
