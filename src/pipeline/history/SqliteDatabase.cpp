#include "pipeline/history/SqliteDatabase.h"

#include "base/platform/Paths.h"

#include <sqlite3.h>

namespace quorvane {

namespace {

sqlite3* openHandle(const std::filesystem::path& path, int flags, std::string& error)
{
    sqlite3* handle = nullptr;
    const int status = sqlite3_open_v2(utf8FromPath(path).c_str(), &handle, flags, nullptr);
    if (status != SQLITE_OK) {
        error = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(status);
        sqlite3_close(handle);
        return nullptr;
    }
    sqlite3_extended_result_codes(handle, 0);
    return handle;
}

} // namespace

std::unique_ptr<SqliteDatabase> SqliteDatabase::openReadOnly(const std::filesystem::path& path,
                                                             std::string& error)
{
    sqlite3* handle = openHandle(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error);
    return handle ? std::unique_ptr<SqliteDatabase>(new SqliteDatabase(handle)) : nullptr;
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const std::filesystem::path& path, std::string& error)
{
    // Our own lock serialises the calls; SQLite's per-connection mutex would only add cost.
    sqlite3* handle =
        openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, error);
    return handle ? std::unique_ptr<SqliteDatabase>(new SqliteDatabase(handle)) : nullptr;
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close(m_db);
}

bool SqliteDatabase::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteStatement SqliteDatabase::prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return SqliteStatement();
    }
    return SqliteStatement(statement);
}

std::string SqliteDatabase::scalarText(const char* sql)
{
    SqliteStatement statement = prepare(sql);
    return statement.step() == SqliteStatement::Step::Row ? statement.text(0) : std::string();
}

void SqliteDatabase::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(m_db, milliseconds);
}

std::int64_t SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteDatabase::changes() const
{
    return sqlite3_changes(m_db);
}

int SqliteDatabase::error() const
{
    return sqlite3_errcode(m_db) & 0xff;
}

std::string SqliteDatabase::message() const
{
    return sqlite3_errmsg(m_db);
}

bool SqliteDatabase::damaged() const
{
    const int code = error();
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

} // namespace quorvane
