#pragma once

#include "pipeline/answers/PostDetail.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// How many entries of one page are read at most: the platform sends 10 to 35 a page; a page with more
// is cut here and says so (ListPage::truncated).
inline constexpr std::size_t maxListItemsPerPage = 100;

// One page of a list answer: a creator's posts, a collection's or a music's, from any of their doors.
struct ListPage
{
    std::vector<PostDetail> posts; // whole items, in the page's order
    // Items the music door trims to an id: they carry aweme_id but neither video nor images, and need a
    // detail request of their own.
    std::vector<std::string> trimmedIds;
    bool hasMore = false;   // has_more: 0/1, a bool or a numeric text
    std::string nextCursor; // max_cursor, else cursor, as its digits (they pass 2^53); empty when absent
    std::string unavailableReason; // why the answer holds no list (no JSON, status_code not 0, neither
                                   // aweme_list nor has_more)
    std::size_t skippedItems = 0;  // entries that were null, no object, or had no plain id
    bool truncated = false;        // the page listed more than maxListItemsPerPage entries

    // The list's own name, as far as its items tell it: the first item's author (a creator's list), the
    // first mix_info.mix_name (a collection), the first music.title (a music's list). The caller takes the
    // one that fits the list it asked for.
    std::string creatorName;
    std::string mixName;
    std::string musicTitle;
};

// Reads one list answer ({"status_code":0,"aweme_list":[…],"has_more":1,"max_cursor":…}), parsing the
// UTF-8 text once. Items are read as posts with readPostItem; an item without a plain numeric aweme_id
// is skipped (it could name no file and no detail request).
ListPage readListPage(std::string_view utf8);

} // namespace quorvane
