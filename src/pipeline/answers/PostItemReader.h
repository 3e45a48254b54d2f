#pragma once

#include "pipeline/answers/PostDetail.h"

#include <string>
#include <string_view>

namespace quorvane {

class JsonNode;

// The reason given when the platform says a post is unavailable without saying why.
inline constexpr const char* postUnavailable = "作品不可用";

// Reads one post item in the web detail API's shape (the member `aweme_detail` of a detail answer, and
// the items of the list answers). Numbers may come as numbers or numeric texts; anything else reads as
// 0 or absent.
PostDetail readPostItem(const JsonNode& item);

// Reads an item of the share endpoints (the share-slides, item-info and share-page answers): the same
// shape, but a video may list its addresses only under `play_addr` (they then make its one rung), and its
// first rung's addresses may be the watermarked ones, which are turned into their free form.
PostDetail readShareItem(const JsonNode& item);

// Why an answer says that its post is unavailable, read from the object `at`: a `filter_detail` object,
// a first `filter_list` entry, or a non-zero `status_code`. Empty when it says none of these.
std::string unavailableReason(const JsonNode& at);

// "https://…/aweme/v1/playwm/…" becomes "…/play/…", only in the address's path; other addresses stay.
std::string watermarkFreeAddress(std::string_view address);

} // namespace quorvane
