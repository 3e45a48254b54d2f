#pragma once

#include "pipeline/history/HistoryRecord.h"
#include "pipeline/history/RecordClaim.h"
#include "pipeline/post/ParsedPost.h"
#include <string>

#include <memory>
#include <string>
#include <vector>

namespace quorvane {

struct ListPlace;

class HistoryStore;

// The history record of one link the command line handles: added as it starts (running), filled in
// when the parse gives the post, and closed with its files or its failure. A store that fails a write
// costs the record, never the download. The record's claim is held until it is closed, so that the
// desktop program starting meanwhile does not take the running record for one left by a crash.
class LinkRecorder
{
public:
    // `place`: the list the link's post came from, and where in it (null for a link on its own).
    LinkRecorder(HistoryStore& store, const std::string& link, const ListPlace* place = nullptr);

    void parsed(const ParsedPost& post);
    // A live room's recording: the record is of kind live, named after the room.
    void recording(const std::string& roomId, const std::string& title, const std::string& author);
    // A file the recording began: listed at once, so that after a crash the record still names it.
    void fileStarted(const std::string& path);
    void setDuration(std::int64_t seconds) { m_record.durationSeconds = seconds; }
    // Done when `error` is empty, else failed with it; `files` are the paths written (UTF-8).
    void finish(const std::vector<std::string>& files, const std::string& error);

private:
    HistoryStore& m_store;
    HistoryRecord m_record;
    std::unique_ptr<RecordClaim> m_claim;
};

} // namespace quorvane
