#pragma once

#include "pipeline/history/SqliteStatement.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

struct sqlite3;

namespace quorvane {

// Our one layer over SQLite: a connection to one database file. Not thread-safe (the store serialises
// its calls). Failures are values: calls return false or an invalid statement, and error()/message() say
// why.
class SqliteDatabase
{
public:
    // Opens (creating) the file. Nothing when SQLite cannot open it at all; `error` then says why.
    static std::unique_ptr<SqliteDatabase> open(const std::filesystem::path& path, std::string& error);
    // Opens an existing file for reading only (it is neither created nor written; SQLite may still make
    // the shared-memory file of a database in WAL mode beside it).
    static std::unique_ptr<SqliteDatabase> openReadOnly(const std::filesystem::path& path,
                                                        std::string& error);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Runs one or more statements that return nothing wanted.
    bool exec(const char* sql);
    // A statement to bind and step; invalid (ok() false) when the text does not compile.
    SqliteStatement prepare(const char* sql);
    // The first column of the first row of `sql` as text (PRAGMA answers); empty on failure.
    std::string scalarText(const char* sql);

    // How long a write waits for another connection's lock before it fails with SQLITE_BUSY.
    void setBusyTimeout(int milliseconds);
    std::int64_t lastInsertRowId() const;
    int changes() const;

    // The last failure: SQLite's primary result code and its message.
    int error() const;
    std::string message() const;
    // True when the last failure says the file is not a database or is damaged.
    bool damaged() const;

private:
    explicit SqliteDatabase(sqlite3* handle) : m_db(handle) {}
    sqlite3* m_db;
};

// One write transaction: BEGIN IMMEDIATE (so that two writers queue on the busy time-out instead of
// failing on upgrade), rolled back unless committed.
class SqliteTransaction
{
public:
    explicit SqliteTransaction(SqliteDatabase& db) : m_db(db), m_open(db.exec("BEGIN IMMEDIATE")) {}
    ~SqliteTransaction()
    {
        if (m_open)
            m_db.exec("ROLLBACK");
    }
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool begun() const { return m_open; }
    bool commit()
    {
        if (!m_open)
            return false;
        m_open = !m_db.exec("COMMIT");
        return !m_open;
    }

private:
    SqliteDatabase& m_db;
    bool m_open;
};

} // namespace quorvane
