#pragma once

#include "net/ResumeRecord.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quorvane {

// The temporary file of one download and the record that lets a later attempt continue it, both beside the
// target. The file is held under an exclusive lock while open, so that two downloads of one target (the
// program and the command line, say) never write into each other's file: the second one gets a private
// temporary name and cannot be continued later. Nothing is removed on destruction; the owner ends with
// commit(), discard() or keep().
class PartialDownload
{
public:
    PartialDownload(std::filesystem::path target, bool resume);
    ~PartialDownload();
    PartialDownload(const PartialDownload&) = delete;
    PartialDownload& operator=(const PartialDownload&) = delete;

    // Opens (creating) the temporary file and reads the record an earlier attempt left, when it belongs to
    // this target and the file holds what it lists; a damaged or foreign record is dropped. Returns 0 or
    // the errno of the failure.
    int open();

    // A private name for a temporary file in the target's folder, used when another download holds the
    // target's own temporary file: short and valid whatever the target's length.
    static std::string privateName();

    const std::filesystem::path& target() const { return m_target; }
    // The size of a regular file already under the final name, if there is one.
    std::optional<std::int64_t> targetSize() const;
    const std::optional<ResumeRecord>& record() const { return m_record; }
    // True when what is written can be continued by a later attempt (the shared temporary name is ours).
    bool resumable() const { return m_resumable; }

    // Empties the file and forgets the record; with `size` > 0 reserves that much space where the file
    // system can, so that a full disk shows at once. Returns 0 or errno.
    int startOver(std::int64_t size);
    // Writes at `offset`. Returns 0 or errno.
    int writeAt(const char* data, std::size_t size, std::int64_t offset);

    // The record describing the file from now on (fields but `done`); saved by saveRecord().
    void setRecord(ResumeRecord record);
    // Flushes the file's data, then stores the record with `done`, which must list only bytes written
    // before this call. Keeps `done` in memory for a retry in this run; writes it only when the download
    // can be continued later.
    bool saveRecord(const RangeSet& done);

    // Starts writing what has arrived to disk, without waiting, once `received` has grown by
    // writebackStep since the last start: the flush before the rename then finds little left, where a
    // fast download would otherwise wait there for all of it.
    void startWriteback(std::int64_t received);
    static constexpr std::int64_t writebackStep = 4 << 20;

    // The complete file: flushed, renamed over the target, the record removed. Returns 0 or errno.
    int commit();
    // Removes the temporary file and the record.
    void discard();
    // Leaves the temporary file and the saved record for a later attempt, or removes them when nothing
    // useful can be continued.
    void keep();

private:
    void close();
    void removeRecord();

    std::filesystem::path m_target;
    std::filesystem::path m_partPath;
    std::filesystem::path m_recordPath;
    bool m_resume;
    bool m_resumable = false;
    bool m_recordSaved = false;
    int m_fd = -1;
    std::int64_t m_writebackAt = 0;
    std::optional<ResumeRecord> m_record;
};

} // namespace quorvane
