#pragma once

#include "base/ByteSet.h"
#include "net/TransferResult.h"
#include "pipeline/answers/PostDetail.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct PlatformSettings;
struct VideoReference;

// What a detail source asked and what came back, for a user reporting which source broke.
struct SourceReport
{
    std::string asked;     // the requests made, "METHOD URL", joined by "; "
    int status = 0;        // status of the last answer; 0 when none came
    std::size_t bytes = 0; // size of the last answer's body
    std::string outcome;   // why the source was passed over (UTF-8); empty when it held the post
};

// What one detail source made of its answer.
struct DetailAnswer
{
    // The post, read from whichever shape the source's answer has; set only when the answer held it.
    std::optional<PostDetail> post;
    // Set when the answer said that the post is unavailable (removed, private, filtered): why, as the
    // platform put it.
    std::string unavailableReason; // UTF-8
    // The request of this source, when it failed or answered with an error status.
    TransferResult transfer;
    SourceReport report;
};

// One way of obtaining a post's detail: its requests, and the reader of its answer's shape.
struct DetailSource
{
    // Its names (SourceNames.h): in the settings' source order, and as --json names it.
    const char* key;
    const char* name;
    // Asks for the post; its requests give up early when `cancel` (when not null) becomes true.
    std::function<DetailAnswer(const VideoReference& reference, const PlatformSettings& platform,
                               const std::atomic<bool>* cancel)>
        fetch;
    const char* label = ""; // as --verbose names it (UTF-8)
};

// Every detail source, in the default order: the web detail API, the same with the open platform's
// Origin, the same with a guest session, the share-slides endpoint, the reflow request, the share page.
// The names and the order are the rows of detailSourceNames (SourceNames.h); this pairs each with its
// request.
std::vector<DetailSource> detailSources();
// The sources named by platform.sourceOrder, in that order.
std::vector<DetailSource> detailSources(const PlatformSettings& platform);

struct DetailResult
{
    std::optional<PostDetail> post;              // the first post found; std::nullopt when no source had one
    const char* source = nullptr;                // name of the source that gave it
    std::vector<std::string> unavailableReasons; // what sources without an item said about the post (UTF-8)
    TransferResult firstTransferFailure;         // the first source whose request failed, when one did
    struct Attempt
    {
        const char* source; // the source's name
        SourceReport report;
        const char* label = ""; // the source's name for --verbose
    };
    std::vector<Attempt> attempts; // every source asked, in order
};

// Asks the sources of the platform's source order and stops at the first whose answer holds the post.
DetailResult FetchVideoDetail(const VideoReference& reference, const PlatformSettings& platform,
                              const std::atomic<bool>* cancel = nullptr);

// The address of the web detail API for an id (the id goes in as it is).
std::string webDetailUrl(const std::string& videoId, const PlatformSettings& platform);

// A GET of `url` for a detail source with the header lines `headerText`: the body as it came, with the
// request noted in `report` (may be null) and an error status judged into `transfer`.
ByteSet getForSource(const std::string& url, const std::string& headerText, const PlatformSettings& platform,
                     TransferResult& transfer, SourceReport* report, const std::atomic<bool>* cancel);

// What an answer in the web detail API's shape says: its post, else why the post is unavailable, else
// nothing (with `transfer` telling how the request went).
DetailAnswer webShapedAnswer(const std::string& utf8Body, TransferResult transfer, SourceReport report);

// An answer's status as a failure: a 2xx status leaves `transfer` as it is, any other turns it into
// TransferError::HttpStatus.
void judgeStatus(TransferResult& transfer);

// Notes a request and its answer in a report (`report` may be null).
void noteRequest(SourceReport* report, const char* method, const std::string& url, int status,
                 std::size_t bytes);

} // namespace quorvane
