#pragma once

#include "pipeline/lists/ListDoor.h"
#include "pipeline/lists/ListWalk.h"
#include "pipeline/post/ParsedPost.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quorvane {

struct ListSettings;

// Where a post stands in the list it came from.
struct ListPlace
{
    LinkKind kind = LinkKind::Creator;
    std::string id;        // the sec_uid, mix id or music id
    std::string name;      // the creator's nickname, the collection's or the music's title (UTF-8)
    std::size_t index = 0; // the episode in a collection, else the place from 1 (a creator's newest: 1)
};

// "creator", "collection", "music" (the --json and history name of a list's kind).
const char* listKindName(LinkKind kind);

// What the reading of a list asks of its caller.
struct ListHooks
{
    // Whether the post was saved before (history done with its file there, or the archive).
    std::function<bool(const std::string& id)> isSaved;
    // Each post taken, in list order, as soon as it is read: its place, the link it stands for, and the
    // parse of it (a whole item read as it came; a trimmed one through the post sources).
    std::function<void(const ListPlace& place, const std::string& link, ParseOutcome outcome)> post;
    // The day (dayNumber) of a publish time, as the user's clock reads it.
    std::function<std::int64_t(std::int64_t time)> dayOf;
    // A line for --verbose: each door asked and what came of it (may be empty).
    std::function<void(const std::string& line)> verbose;
    // After each page: pages read, posts found so far (may be empty).
    std::function<void(std::size_t pages, std::size_t found)> progress;
};

struct ListOutcome
{
    std::string name; // the list's name, once a page told it; else its id
    PagingStop stop = PagingStop::None;
    std::string incomplete; // "列表不完整：…（登录 Cookie 可以取得更多）" when no door could give the rest
    std::size_t pages = 0;
    std::size_t found = 0;        // distinct posts seen
    std::size_t skippedSaved = 0; // saved before, not fetched again
    bool brokeOnExisting = false;
};

// Reads the list through the doors of its kind in the settings' order, page by page, handing each post
// to hooks.post. A door that fails or stops early hands over to the next that can answer; when none can,
// the outcome says the list is incomplete. Blocking; requests give up when `cancel` becomes true.
ListOutcome readList(const LinkTarget& list, const PlatformSettings& platform, const ListSettings& order,
                     const ListAccess& access, const ListLimits& limits, const ListHooks& hooks,
                     const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
