#pragma once

#include "base/ByteSet.h"
#include "base/Text.h"
#include "net/TransferResult.h"
#include "script/JsonDocument.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct PlatformSettings;
struct VideoReference;

// Where the four fields of a parse are read, relative to a detail document.
inline constexpr const char* playAddressPath =
    "['aweme_detail'].video['bit_rate'][0]['play_addr']['url_list'][0]";
inline constexpr const char* musicAddressPath = "['aweme_detail'].music['play_url']['url_list'][0]";
inline constexpr const char* titlePath = "['aweme_detail'].desc";
inline constexpr const char* createTimePath = "['aweme_detail']['create_time']";

// The address lists the play and music addresses are the first entries of, and an image post's images.
inline constexpr const char* playAddressListPath =
    "['aweme_detail'].video['bit_rate'][0]['play_addr']['url_list']";
inline constexpr const char* musicAddressListPath = "['aweme_detail'].music['play_url']['url_list']";
inline constexpr const char* imagesPath = "['aweme_detail']['images']";

// How many entries of an address list, and how many images of a post, are used at most: real answers
// carry a handful, and a hostile one must not start thousands of downloads.
inline constexpr std::size_t maxAddressesPerList = 16;
inline constexpr std::size_t maxImagesPerPost = 100;

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
    // A document whose member `aweme_detail` is the post's item in the shape of the web detail API; set
    // only when the answer held the item.
    std::optional<JsonDocument> document;
    // Set when the answer said that the post is unavailable (removed, private, filtered): why, as the
    // platform put it.
    std::string unavailableReason; // UTF-8
    // The request of this source, when it failed or answered with an error status.
    TransferResult transfer;
    SourceReport report;
};

// One way of obtaining a post's detail. A source that reads another shape brings its item into the shape
// of the web detail API.
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
    std::optional<JsonDocument> document;        // the first item found; std::nullopt when no source had one
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

// Asks the sources of the platform's source order and stops at the first whose answer holds an `aweme_detail`
// object.
DetailResult FetchVideoDetail(const VideoReference& reference, const PlatformSettings& platform,
                              const std::atomic<bool>* cancel = nullptr);

// The address of the web detail API for an id (the id goes in as it is).
Text webDetailUrl(const Text& videoId, const PlatformSettings& platform);

// True when the document's `aweme_detail` member is an object.
bool holdsVideoItem(const JsonDocument& document);

// True for an image post: its `images` array has entries and no bit rate gives a video.
bool isImagePost(const JsonDocument& document);

// The text entries of the list at `path` (at most maxAddressesPerList), empty ones left out.
std::vector<std::string> addressList(const JsonDocument& document, const Text& path);

// Why an answer says that its post is unavailable, read from the object at `path` (empty: the root): a
// `filter_detail` object, a first `filter_list` entry, or a non-zero `status_code`. Empty when it says
// none of these.
std::string unavailableReason(const JsonDocument& document, const Text& path = Text());

// The body of a GET of the URL (with the browser User-Agent, redirects followed), converted from UTF-8 to
// Text and cut at its first zero byte; empty when the request failed.
Text FetchPageText(const Text& url, const PlatformSettings& platform);
// The same, telling how the request went: a failed request, or an answer whose status is not 2xx, leaves
// its reason in `transfer` (an error status counts as TransferError::HttpStatus). `report`, when given,
// gets the request, the status and the body's size.
Text FetchPageText(const Text& url, const PlatformSettings& platform, TransferResult& transfer,
                   SourceReport* report = nullptr, const std::atomic<bool>* cancel = nullptr);
// The same body as UTF-8 bytes (cut at its first zero byte), for readers that take UTF-8.
std::string fetchPageUtf8(const Text& url, const PlatformSettings& platform, TransferResult& transfer,
                          SourceReport* report = nullptr, const std::atomic<bool>* cancel = nullptr);

// A GET of `url` for a detail source with the header lines `headerText`: the body as it came, with the
// request noted in `report` (may be null) and an error status judged into `transfer`.
ByteSet getForSource(const Text& url, const std::string& headerText, const PlatformSettings& platform,
                     TransferResult& transfer, SourceReport* report, const std::atomic<bool>* cancel);

// What an answer in the web detail API's shape says: its item, else why the post is unavailable, else
// nothing (with `transfer` telling how the request went).
DetailAnswer webShapedAnswer(const std::string& utf8Body, TransferResult transfer, SourceReport report);

// An answer's status as a failure: a 2xx status leaves `transfer` as it is, any other turns it into
// TransferError::HttpStatus.
void judgeStatus(TransferResult& transfer);

// Notes a request and its answer in a report (`report` may be null).
void noteRequest(SourceReport* report, const char* method, const std::string& url, int status,
                 std::size_t bytes);

} // namespace quorvane
