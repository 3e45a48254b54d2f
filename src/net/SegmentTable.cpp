#include "net/SegmentTable.h"

#include <algorithm>

namespace quorvane {

SegmentTable::SegmentTable(const RangeSet& earlier, std::int64_t total) : m_earlier(earlier)
{
    for (const auto& [begin, end] : earlier.missing(total))
        m_segments.push_back(Segment{begin, begin, begin, end, -1});
}

int SegmentTable::assign(std::int64_t start, int owner)
{
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        if (m_segments[i].start == start && m_segments[i].owner < 0) {
            m_segments[i].owner = owner;
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SegmentTable::take(int owner)
{
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        if (m_segments[i].owner < 0 && m_segments[i].claimed < m_segments[i].end) {
            m_segments[i].owner = owner;
            return static_cast<int>(i);
        }
    }
    std::size_t largest = m_segments.size();
    std::int64_t largestLeft = 0;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const std::int64_t left = m_segments[i].end - m_segments[i].claimed;
        if (m_segments[i].owner >= 0 && left > largestLeft) {
            largest = i;
            largestLeft = left;
        }
    }
    if (largest == m_segments.size() || largestLeft < 2 * minimumSplit)
        return -1;
    Segment& victim = m_segments[largest];
    const std::int64_t middle = victim.claimed + largestLeft / 2;
    const std::int64_t end = victim.end;
    victim.end = middle;
    m_segments.push_back(Segment{middle, middle, middle, end, owner});
    return static_cast<int>(m_segments.size()) - 1;
}

std::int64_t SegmentTable::claim(int index, std::int64_t bytes, std::int64_t& count)
{
    Segment& s = segment(index);
    count = std::clamp<std::int64_t>(s.end - s.claimed, 0, bytes);
    const std::int64_t offset = s.claimed;
    s.claimed += count;
    return offset;
}

void SegmentTable::markWritten(int index, std::int64_t count)
{
    segment(index).written += count;
}

void SegmentTable::release(int index)
{
    if (index < 0)
        return;
    Segment& s = segment(index);
    if (s.written < s.end) {
        s.claimed = s.written; // nothing is being written beyond this any more
        s.owner = -1;
    }
}

RangeSet SegmentTable::done() const
{
    RangeSet done = m_earlier;
    for (const Segment& s : m_segments)
        done.add(s.start, s.written);
    return done;
}

bool SegmentTable::complete() const
{
    return std::all_of(m_segments.begin(), m_segments.end(),
                       [](const Segment& s) { return s.written == s.end; });
}

std::int64_t SegmentTable::unclaimed() const
{
    std::int64_t left = 0;
    for (const Segment& s : m_segments)
        left += s.end - s.claimed;
    return left;
}

} // namespace quorvane
