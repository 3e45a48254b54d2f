#include "pipeline/lists/ListWalk.h"

namespace quorvane {

ListWalk::ListWalk(ListLimits limits, bool newestFirst)
    : m_limits(std::move(limits)), m_newestFirst(newestFirst)
{
    startDoor();
}

void ListWalk::startDoor()
{
    PagingGuard::Limits guardLimits;
    guardLimits.maxPages = m_limits.maxPages;
    guardLimits.selection = m_limits.selection;
    m_guard = PagingGuard(guardLimits);
}

WalkStep ListWalk::feed(const std::string& cursor, const std::string& nextCursor, bool hasMore,
                        const std::vector<WalkEntry>& entries)
{
    ++m_pages;
    const std::size_t placesBefore = m_guard.itemsSeen();
    PageFacts facts{cursor, nextCursor, hasMore, {}};
    for (const WalkEntry& entry : entries)
        facts.ids.push_back(entry.id);
    const PagingDecision decision = m_guard.feed(facts);

    WalkStep step;
    step.stop = decision.stop;
    std::unordered_set<std::string> fresh(decision.freshIds.begin(), decision.freshIds.end());
    std::size_t place = placesBefore;
    bool ended = false; // the user's limits end the list on this page
    for (std::size_t i = 0; i < entries.size() && !ended; ++i) {
        const WalkEntry& entry = entries[i];
        if (!fresh.erase(entry.id))
            continue; // an id this door gave before, or twice on this page
        ++place;
        if (!m_limits.selection.wants(place)) {
            if (!m_limits.selection.wantsAnyFrom(place))
                ended = true;
            else
                m_passed.insert(entry.id);
            continue;
        }
        if (m_taken.count(entry.id) || m_passed.count(entry.id))
            continue; // an earlier door's: taken or judged already
        if (entry.day && !m_limits.dates.admits(*entry.day)) {
            // Newest first, a post older than the first day kept ends the list; pinned posts stand
            // first out of order and end nothing.
            if (m_newestFirst && !entry.pinned && m_limits.dates.isTooOld(*entry.day))
                ended = true;
            else
                m_passed.insert(entry.id);
            continue;
        }
        if (entry.saved) {
            m_passed.insert(entry.id);
            ++step.skippedSaved;
            if (m_limits.breakOnExisting && !entry.pinned) {
                step.brokeOnExisting = true;
                ended = true;
            }
            continue;
        }
        m_taken.insert(entry.id);
        step.take.push_back({i, place});
    }
    if (ended)
        step.stop = PagingStop::LimitReached;
    return step;
}

} // namespace quorvane
