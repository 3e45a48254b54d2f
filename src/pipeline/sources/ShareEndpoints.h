#pragma once

#include "pipeline/answers/PlatformIds.h"
#include "pipeline/sources/VideoDetail.h"

#include <string>
#include <string_view>

namespace quorvane {

struct PlatformSettings;
struct VideoReference;

// The script variable of the share page that holds the page's data.
inline constexpr const char* routerDataVariable = "window._ROUTER_DATA";

// "https://<share host>/web/api/v2/aweme/slidesinfo/?aweme_ids=[<id>]", with "&request_source=200" for
// an image post.
std::string slidesInfoUrl(const VideoReference& reference, const PlatformSettings& platform);
// "https://<share host>/share/video/<id>/".
std::string sharePageUrl(const VideoReference& reference, const PlatformSettings& platform);

// The share-slides endpoint (asked as a phone's browser, as are the share page and its data): the item is
// `aweme_details[0]` of its JSON answer.
DetailAnswer fetchFromSlidesInfo(const VideoReference& reference, const PlatformSettings& platform,
                                 const std::atomic<bool>* cancel = nullptr);

// The share page: the item is `loaderData["video_(id)/page"].videoInfoRes.item_list[0]` of the object
// the page assigns to window._ROUTER_DATA (`note_(id)/page` for image posts; both are looked for, the
// one the reference suggests first).
DetailAnswer fetchFromSharePage(const VideoReference& reference, const PlatformSettings& platform,
                                const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
