#pragma once

#include "pipeline/history/HistoryRecord.h"

#include <iosfwd>
#include <string>

namespace quorvane {

// quorvane-cli --history: one line a record, newest first.
class HistoryListing
{
public:
    // "<added> <state> <title> <first file>" in the terminal's words, with "(+N)" when a post saved more
    // files, and the reason of a failure.
    static std::string line(const HistoryRecord& record);
    // One JSON object: key, id (the post's), link, title, author, cover, state, files (paths), sizes,
    // error (null or the reason), added and finished (ISO 8601, finished null while not finished).
    static std::string json(const HistoryRecord& record);
};

} // namespace quorvane
