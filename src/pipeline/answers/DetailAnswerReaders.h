#pragma once

#include "pipeline/answers/PostDetail.h"

#include <string_view>

namespace quorvane {

// One reader per shape of the detail answers; each parses its UTF-8 text once.

// The web detail API (also behind the open platform's Origin and the guest session):
// {"aweme_detail":{…}} or why not ({"filter_detail":…}, {"status_code":…}).
DetailReading readWebDetail(std::string_view utf8);

// The share-slides endpoint: {"aweme_details":[{…}]}, a share item.
DetailReading readSlidesInfo(std::string_view utf8);

// The reflow item-info request: {"item_list":[{…}], "filter_list":[…]}, a share item.
DetailReading readItemInfo(std::string_view utf8);

// The share page's router data (the object its script assigns): the video page's answer, or the note
// page's for an image post (`notePageFirst` says which is looked for first), each
// {"item_list":[{…}], "filter_list":[…]}. std::nullopt when the text is no JSON.
std::optional<DetailReading> readRouterData(std::string_view utf8, bool notePageFirst);

} // namespace quorvane
