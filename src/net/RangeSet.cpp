#include "net/RangeSet.h"

#include <algorithm>

namespace quorvane {

void RangeSet::add(std::int64_t begin, std::int64_t end)
{
    if (begin >= end)
        return;
    // First range that ends at or after `begin`: everything from there that starts at or before `end`
    // merges with the new one.
    auto first =
        std::lower_bound(m_ranges.begin(), m_ranges.end(), begin,
                         [](const Range& range, std::int64_t value) { return range.second < value; });
    auto last = first;
    while (last != m_ranges.end() && last->first <= end) {
        begin = std::min(begin, last->first);
        end = std::max(end, last->second);
        ++last;
    }
    first = m_ranges.erase(first, last);
    m_ranges.insert(first, Range{begin, end});
}

std::int64_t RangeSet::covered() const
{
    std::int64_t total = 0;
    for (const Range& range : m_ranges)
        total += range.second - range.first;
    return total;
}

std::vector<RangeSet::Range> RangeSet::missing(std::int64_t total) const
{
    std::vector<Range> gaps;
    std::int64_t position = 0;
    for (const Range& range : m_ranges) {
        if (range.first >= total)
            break;
        if (range.first > position)
            gaps.emplace_back(position, range.first);
        position = std::max(position, range.second);
    }
    if (position < total)
        gaps.emplace_back(position, total);
    return gaps;
}

} // namespace quorvane
