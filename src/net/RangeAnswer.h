#pragma once

#include "net/ResumeRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// "bytes FIRST-LAST/TOTAL" of a Content-Range header, with a known total.
struct ContentRange
{
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t total = 0;

    // Nothing for any other shape, an unknown total ("*") or a range beyond the total.
    static std::optional<ContentRange> parse(std::string_view text);
};

// What a download needs of an answer to a range request: the status, the headers of the last answer (a
// redirect's headers are dropped when the next status line arrives) and the announced length.
struct RangeAnswer
{
    long status = 0;
    std::string contentRange;
    std::string etag;
    std::string lastModified;
    std::int64_t contentLength = -1; // -1 when not announced

    // Takes one header line as it arrives ("Name: value\r\n", or a status line that starts a new answer).
    void takeHeaderLine(std::string_view line);
    // The ETag when it can travel as If-Range; weak ETags cannot.
    std::string strongEtag() const;
};

// How a download goes on after the first answer.
enum class FirstAnswerKind
{
    Segments,        // 206 with the file's size, matching the record: fetch the missing ranges in parts
    Stream,          // the whole body (a 2xx without usable range) and no record: one stream from the start
    AlreadyPresent,  // the target already has the announced size: nothing to fetch
    StartOver,       // size or validators unlike the record, or ranges went away: empty the file, try again
    RangesRefused,   // 416: the server refuses the range; start over and ask for the whole file
    UnexpectedRange, // 206 for another range than asked for
    Failed           // any other status
};

struct FirstAnswerPlan
{
    FirstAnswerKind kind = FirstAnswerKind::Failed;
    std::int64_t total = 0; // Segments: the file's size; Stream: the announced length or 0
    std::int64_t first = 0; // Segments: the first byte of the answer
};

// Decides the first answer of an attempt: `askedFrom` is the first byte the request asked for, `record`
// what an earlier attempt left (null when none), `targetSize` the size of a file already at the target.
FirstAnswerPlan classifyFirstAnswer(const RangeAnswer& answer, std::int64_t askedFrom,
                                    const ResumeRecord* record, std::optional<std::int64_t> targetSize);

// Decides the answer of a later connection of a segmented download, which must be the same file as the
// first answer gave (`total`, `etag` when the first had a strong one, else `lastModified`) from
// `askedFrom` on.
enum class LaterAnswerKind
{
    SameFile,
    FileChanged,    // the whole body after our If-Range, or another size or validator
    UnexpectedRange // the same file, but not from where we asked
};
LaterAnswerKind classifyLaterAnswer(const RangeAnswer& answer, std::int64_t askedFrom, std::int64_t total,
                                    const std::string& etag, const std::string& lastModified);

} // namespace quorvane
