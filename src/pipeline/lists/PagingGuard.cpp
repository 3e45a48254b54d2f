#include "pipeline/lists/PagingGuard.h"

namespace quorvane {

bool isIncomplete(PagingStop stop)
{
    return stop != PagingStop::None && stop != PagingStop::ListEnded && stop != PagingStop::LimitReached;
}

std::string describePagingStop(PagingStop stop)
{
    switch (stop) {
    case PagingStop::None:
        return {};
    case PagingStop::ListEnded:
        return "列表已读完";
    case PagingStop::LimitReached:
        return "已达到所选数量";
    case PagingStop::EmptyPromise:
        return "平台返回空页却说还有更多（未登录时常见），列表可能不完整";
    case PagingStop::NoCursor:
        return "平台没有给出下一页的位置，列表可能不完整";
    case PagingStop::CursorStuck:
        return "下一页的位置没有前进，列表可能不完整";
    case PagingStop::PageRepeated:
        return "平台重复返回同一页，列表可能不完整";
    case PagingStop::PageCap:
        return "页数已达上限，列表可能不完整";
    }
    return {};
}

PagingDecision PagingGuard::feed(const PageFacts& page)
{
    PagingDecision decision;
    if (m_stop != PagingStop::None) {
        decision.stop = m_stop;
        return decision;
    }
    m_stop = judge(page, decision.freshIds);
    decision.stop = m_stop;
    return decision;
}

PagingStop PagingGuard::judge(const PageFacts& page, std::vector<std::string>& fresh)
{
    ++m_pages;
    m_cursorsAsked.insert(page.cursor);
    if (page.ids.empty())
        return page.hasMore ? PagingStop::EmptyPromise : PagingStop::ListEnded;
    for (const std::string& id : page.ids) {
        if (m_ids.insert(id).second)
            fresh.push_back(id);
    }
    // A page of nothing new (the same page again, or only ids from earlier ones) is paging gone round.
    if (fresh.empty())
        return PagingStop::PageRepeated;
    const std::size_t count = m_ids.size();
    if ((m_limits.maxItems != 0 && count >= m_limits.maxItems) || !m_limits.selection.wantsAnyFrom(count + 1))
        return PagingStop::LimitReached;
    if (!page.hasMore)
        return PagingStop::ListEnded;
    if (page.nextCursor.empty())
        return PagingStop::NoCursor;
    if (m_cursorsAsked.contains(page.nextCursor))
        return PagingStop::CursorStuck;
    if (m_pages >= m_limits.maxPages)
        return PagingStop::PageCap;
    return PagingStop::None;
}

} // namespace quorvane
