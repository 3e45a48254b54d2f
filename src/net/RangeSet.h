#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace quorvane {

// A set of byte positions as sorted, disjoint half-open ranges [begin, end): the parts of a file that are
// on disk.
class RangeSet
{
public:
    using Range = std::pair<std::int64_t, std::int64_t>;

    // Adds [begin, end), merging with touching or overlapping ranges; empty ranges are ignored.
    void add(std::int64_t begin, std::int64_t end);

    const std::vector<Range>& ranges() const { return m_ranges; }
    bool empty() const { return m_ranges.empty(); }
    // Bytes covered.
    std::int64_t covered() const;
    // The gaps inside [0, total), in order.
    std::vector<Range> missing(std::int64_t total) const;

    bool operator==(const RangeSet&) const = default;

private:
    std::vector<Range> m_ranges;
};

} // namespace quorvane
