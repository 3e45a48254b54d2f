#include "pipeline/history/SqliteStatement.h"

#include <sqlite3.h>

namespace quorvane {

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value)
{
    if (m_statement)
        sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text)
{
    if (m_statement)
        sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

SqliteStatement::Step SqliteStatement::step()
{
    if (!m_statement)
        return Step::Failed;
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Failed;
    }
}

void SqliteStatement::reset()
{
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

std::int64_t SqliteStatement::int64(int column) const
{
    return m_statement ? sqlite3_column_int64(m_statement, column) : 0;
}

std::string SqliteStatement::text(int column) const
{
    if (!m_statement)
        return {};
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return data ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                : std::string();
}

} // namespace quorvane
