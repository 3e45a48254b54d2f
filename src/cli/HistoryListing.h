#pragma once

#include "pipeline/history/HistoryRecord.h"

#include <iosfwd>
#include <string>

namespace quorvane {

struct CliOptions;

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

    // --history [N] and --clear-history: the history alone, no link handled. The exit status: 0, or 1
    // when the history cannot be opened or cleared.
    static int command(const CliOptions& options);
};

} // namespace quorvane
