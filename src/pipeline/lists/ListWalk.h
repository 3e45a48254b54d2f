#pragma once

#include "pipeline/lists/DateBound.h"
#include "pipeline/lists/ItemSelection.h"
#include "pipeline/lists/PagingGuard.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// What the user asked of a list: which places (-I), which publish days, and whether to stop at the
// first post saved before.
struct ListLimits
{
    ItemSelection selection;
    DateBound dates;
    bool breakOnExisting = false;
    std::size_t maxPages = PagingGuard::defaultPageCap;
};

// One post of a page as the walk sees it.
struct WalkEntry
{
    std::string id;
    std::optional<std::int64_t> day; // its publish day (dayNumber), when the page tells its time
    bool pinned = false;             // pinned on the creator's page: first, out of date order
    bool saved = false;              // saved before (history done with its file there, or the archive)
};

// What to do with one page's posts, and whether to ask for the next page.
struct WalkStep
{
    struct Take
    {
        std::size_t entry; // its position in the page's entries
        std::size_t place; // its place in the list, from 1
    };
    std::vector<Take> take;       // the posts to fetch, in the page's order
    std::size_t skippedSaved = 0; // posts saved before, not fetched again
    bool brokeOnExisting = false; // the page reached a post saved before (--break-on-existing)
    PagingStop stop = PagingStop::None;

    bool more() const { return stop == PagingStop::None; }
    // The door stopped before the list's end: another door may give the rest.
    bool incomplete() const { return isIncomplete(stop); }
};

// The decisions of reading a list, apart from its requests: fed each page of the door being read, it says
// which posts to fetch and whether to go on. When a door stops early, the next one starts the list over
// (startDoor): places count again from 1, while posts taken through an earlier door are not taken twice.
class ListWalk
{
public:
    // `newestFirst`: the list runs from the newest post back (a creator's), so the first post older than
    // --dateafter ends it; otherwise dates only filter.
    ListWalk(ListLimits limits, bool newestFirst);

    void startDoor();
    WalkStep feed(const std::string& cursor, const std::string& nextCursor, bool hasMore,
                  const std::vector<WalkEntry>& entries);

    std::size_t pagesRead() const { return m_pages; }
    std::size_t postsFound() const { return m_taken.size() + m_passed.size(); }

private:
    ListLimits m_limits;
    bool m_newestFirst;
    PagingGuard m_guard;
    std::size_t m_pages = 0;
    std::unordered_set<std::string> m_taken;  // ids handed out to be fetched, over every door
    std::unordered_set<std::string> m_passed; // ids found and passed over (saved, not selected)
};

} // namespace quorvane
