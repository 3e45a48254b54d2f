#pragma once

#include "net/RangeSet.h"

#include <cstdint>
#include <vector>

namespace quorvane {

// The parts of one file that a segmented download still has to fetch, and which connection works on
// which part. Connections come and go; the table only knows their numbers. Pure bookkeeping, no I/O and
// no locking: the owner serialises the calls.
//
// A part runs from `start` to `end`. Its owner writes from `claimed` on: bytes before `claimed` are
// written or being written, bytes before `written` are on disk. A connection that runs out of work takes
// over the second half of the largest part still outstanding, as long as both halves are at least
// `minimumSplit`; the part's owner then stops where the taken half begins.
class SegmentTable
{
public:
    static constexpr std::int64_t minimumSplit = 1 << 20;

    struct Segment
    {
        std::int64_t start;
        std::int64_t claimed;
        std::int64_t written;
        std::int64_t end; // one past the last byte; lowered when another connection takes a part
        int owner;        // the connection working on it; -1 when none
    };

    // The table of a file of `total` bytes of which `earlier` is on disk: one part per gap.
    SegmentTable(const RangeSet& earlier, std::int64_t total);
    SegmentTable() = default;

    // The part that begins at `start`, given to `owner`; -1 when no part begins there.
    int assign(std::int64_t start, int owner);
    // Work for `owner`: a part nobody works on, else the second half of the largest outstanding part;
    // -1 when there is none worth a request.
    int take(int owner);
    // Claims up to `bytes` of part `segment` for writing; returns the offset and sets `count` to the bytes
    // that still belong to the part (fewer when another connection took its end).
    std::int64_t claim(int segment, std::int64_t bytes, std::int64_t& count);
    // Notes that `count` claimed bytes of the part are on disk.
    void markWritten(int segment, std::int64_t count);
    // The owner lets go of the part. A part not finished goes back to the table from its written bytes on.
    void release(int segment);

    const Segment& at(int segment) const { return m_segments[static_cast<std::size_t>(segment)]; }
    std::size_t size() const { return m_segments.size(); }
    // True when the part is claimed to its end.
    bool claimedToEnd(int segment) const { return at(segment).claimed >= at(segment).end; }
    // What is on disk: the earlier ranges and the written parts.
    RangeSet done() const;
    // True when every byte of the file is on disk.
    bool complete() const;
    // Bytes not yet claimed by any connection.
    std::int64_t unclaimed() const;

private:
    Segment& segment(int index) { return m_segments[static_cast<std::size_t>(index)]; }

    RangeSet m_earlier;
    std::vector<Segment> m_segments;
};

} // namespace quorvane
