#pragma once

#include "pipeline/lists/ItemSelection.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// Why reading a list's pages stops.
enum class PagingStop
{
    None,         // not stopped: ask for the next page
    ListEnded,    // the platform says there is no more (has_more ended, or an empty last page)
    LimitReached, // the user's limit or item selection wants nothing further on
    EmptyPromise, // an empty page that promises more: the platform held the rest back (often without
                  // a logged-in cookie)
    NoCursor,     // more promised but no next cursor given
    CursorStuck,  // the next cursor is one already asked for
    PageRepeated, // the page held no id that earlier pages had not (the same page again)
    PageCap,      // the hard cap of pages
};

// Whether the list may have more than was read when paging stopped so.
bool isIncomplete(PagingStop stop);
// The reason in words a user reads (empty for None).
std::string describePagingStop(PagingStop stop);

// One page as the guard sees it.
struct PageFacts
{
    std::string cursor;     // the cursor the page was asked with
    std::string nextCursor; // the cursor it gave for the next page
    bool hasMore = false;
    std::vector<std::string> ids; // the ids it held, in order
};

struct PagingDecision
{
    PagingStop stop = PagingStop::None;
    std::vector<std::string> freshIds; // the page's ids not seen on an earlier page, in order

    bool more() const { return stop == PagingStop::None; }
};

// Decides, page by page, whether to ask for the next one. Pure: fed each page's facts in order, it
// keeps the ids and cursors seen. The platform's paging has gone wrong in every way listed in
// PagingStop; each ends the reading with its own reason instead of a loop. Once stopped, it stays so.
class PagingGuard
{
public:
    static constexpr std::size_t defaultPageCap = 1000;

    struct Limits
    {
        std::size_t maxItems = 0; // 0: no limit; counts distinct ids
        std::size_t maxPages = defaultPageCap;
        ItemSelection selection; // places counted over distinct ids
    };

    PagingGuard() = default;
    explicit PagingGuard(Limits limits) : m_limits(std::move(limits)) {}

    PagingDecision feed(const PageFacts& page);

    std::size_t pagesSeen() const { return m_pages; }
    std::size_t itemsSeen() const { return m_ids.size(); }
    PagingStop stop() const { return m_stop; }

private:
    PagingStop judge(const PageFacts& page, std::vector<std::string>& fresh);

    Limits m_limits;
    std::size_t m_pages = 0;
    PagingStop m_stop = PagingStop::None;
    std::unordered_set<std::string> m_ids;
    std::unordered_set<std::string> m_cursorsAsked;
};

} // namespace quorvane
