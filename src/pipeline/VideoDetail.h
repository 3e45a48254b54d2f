#pragma once

#include "base/Text.h"
#include "script/JsonDocument.h"

#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

struct PlatformSettings;

// Where the four fields of a parse are read, relative to a detail document.
inline constexpr const char* playAddressPath =
    "['aweme_detail'].video['bit_rate'][0]['play_addr']['url_list'][0]";
inline constexpr const char* musicAddressPath = "['aweme_detail'].music['play_url']['url_list'][0]";
inline constexpr const char* titlePath = "['aweme_detail'].desc";
inline constexpr const char* createTimePath = "['aweme_detail']['create_time']";

// One way of obtaining a video's detail. A source answers with a document whose member `aweme_detail` is
// the video's item in the shape of the web detail API, or with std::nullopt when it has none; a source
// that reads another shape brings its item into this one.
struct DetailSource
{
    const char* name;
    std::function<std::optional<JsonDocument>(const Text& videoId, const PlatformSettings& platform)> fetch;
};

// The sources FetchVideoDetail tries, in order: the web detail API.
std::vector<DetailSource> detailSources();

// The address of the web detail API for an id (the id goes in as it is).
Text webDetailUrl(const Text& videoId, const PlatformSettings& platform);

// The detail of a video: the first source's answer that holds an `aweme_detail` object. std::nullopt when
// no source gave one (request failed, empty answer, not JSON, the item null or missing).
std::optional<JsonDocument> FetchVideoDetail(const Text& videoId, const PlatformSettings& platform);

// True when the document's `aweme_detail` member is an object.
bool holdsVideoItem(const JsonDocument& document);

// The body of a GET of the URL (with the browser User-Agent, redirects followed), converted from UTF-8 to
// Text and cut at its first zero byte; empty when the request failed.
Text FetchPageText(const Text& url, const PlatformSettings& platform);

} // namespace quorvane
