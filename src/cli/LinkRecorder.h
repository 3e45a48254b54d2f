#pragma once

#include "pipeline/history/HistoryRecord.h"
#include "pipeline/post/ParsedPost.h"
#include <string>

#include <string>
#include <vector>

namespace quorvane {

class HistoryStore;

// The history record of one link the command line handles: added as it starts (running), filled in
// when the parse gives the post, and closed with its files or its failure. A store that fails a write
// costs the record, never the download.
class LinkRecorder
{
public:
    LinkRecorder(HistoryStore& store, const std::string& link);

    void parsed(const ParsedPost& post);
    // Done when `error` is empty, else failed with it; `files` are the paths written (UTF-8).
    void finish(const std::vector<std::string>& files, const std::string& error);

private:
    HistoryStore& m_store;
    HistoryRecord m_record;
};

} // namespace quorvane
