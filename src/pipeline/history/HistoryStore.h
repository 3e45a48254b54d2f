#pragma once

#include "pipeline/history/HistoryRecord.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class SqliteDatabase;

// The history of handled links: one SQLite file (WAL mode, a busy time-out so that the program and the
// command line can write at the same time, readable by the user only). Every change is one transaction.
// A store may be used from several threads; calls are serialised.
//
// Failures never throw: a call that could not read or write returns false / nothing / an empty list and
// lastError() says why.
class HistoryStore
{
public:
    // The schema this build writes (PRAGMA user_version). Older files are migrated on open.
    static constexpr int schemaVersion = 3;

    // ConfigPaths::historyFile(): $XDG_DATA_HOME/quibexlar/history.sqlite (~/.local/share/... by
    // default); on Windows beside the settings file.
    static std::filesystem::path defaultPath();

    // Opens or creates the store at `path`, making its folder. A file that is not a database or fails
    // its integrity check is set aside (renamed to "<name>.damaged-<time>", never deleted) and a fresh
    // one made; `notice` (when given) then holds a line saying so, and is empty otherwise. Nothing when no
    // store can be opened at all (an unwritable folder); `notice` then says why.
    static std::unique_ptr<HistoryStore> open(const std::filesystem::path& path, std::string* notice);

    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Adds the record (its key is ignored) and returns the new key; 0 on failure. `beforeVisible` gets
    // the new key while no other program can see the record yet (to claim it before anyone could take
    // it up).
    std::int64_t add(const HistoryRecord& record,
                     const std::function<void(std::int64_t key)>& beforeVisible = {});
    // Replaces the stored record with the same key, its files included. False when none has that key.
    bool update(const HistoryRecord& record);
    std::optional<HistoryRecord> find(std::int64_t key) const;
    // The newest record of the post that is done, when there is one.
    std::optional<HistoryRecord> findDone(const std::string& postId) const;
    // Records, newest first, of keys below `before`. A list read page by page passes the last key it read,
    // so records that another program adds or removes meanwhile neither repeat nor skip a row.
    std::vector<HistoryRecord> recent(std::size_t limit, std::int64_t before = INT64_MAX) const;
    std::size_t count() const;
    // Records left queued, running or paused, oldest first.
    std::vector<HistoryRecord> unfinished() const;
    bool remove(std::int64_t key);
    // Removes every record.
    bool clear();
    // Removes the done, failed and cancelled records but those of `keep`.
    bool clearFinished(const std::vector<std::int64_t>& keep = {});

    // Runs `work` on the file's database under the store's lock: the other tables the file keeps (the
    // subscriptions) are read and written through it. False when `work` is; lastError() then says why.
    bool withDatabase(const std::function<bool(SqliteDatabase&)>& work);

    // Why the last failing call failed (UTF-8).
    std::string lastError() const;

private:
    HistoryStore(std::filesystem::path path, std::unique_ptr<SqliteDatabase> database);

    std::vector<HistoryRecord> query(const char* sql, std::int64_t a, std::int64_t b) const;
    bool writeFiles(const HistoryRecord& record);

    std::filesystem::path m_path;
    mutable std::mutex m_mutex;
    std::unique_ptr<SqliteDatabase> m_db;
    mutable std::string m_lastError;
};

} // namespace quorvane
