#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace quorvane {

// A program's hold on one history record it is working on, so that another program does not take the
// same work over (the desktop program continuing at start-up what quorvane-cli is still downloading).
// The hold is an exclusive lock on the empty file "<key>" in the folder "<history file>.claims"; the
// system drops it when the program ends, killed included, so a record whose claim can be taken belongs
// to nobody now. No process ids are stored: they are reused.
//
// Whoever takes a claim reads the record again afterwards: the owner writes its last state before it lets
// go, so a claim taken just then shows a finished record.
class RecordClaim
{
public:
    // Takes the claim of record `key` of the history at `historyFile`. Null when another program (or
    // another claim in this one) holds it. Where no lock file can be made (an unwritable folder) the
    // claim is given but holds nothing, and the record counts as nobody's.
    static std::unique_ptr<RecordClaim> take(const std::filesystem::path& historyFile, std::int64_t key);

    // Lets go: the lock file is removed, then the lock dropped.
    ~RecordClaim();
    RecordClaim(const RecordClaim&) = delete;
    RecordClaim& operator=(const RecordClaim&) = delete;

    // The lock file (for tests).
    static std::filesystem::path fileOf(const std::filesystem::path& historyFile, std::int64_t key);

private:
    RecordClaim(std::filesystem::path file, int fd) : m_file(std::move(file)), m_fd(fd) {}

    std::filesystem::path m_file;
    int m_fd;
};

} // namespace quorvane
