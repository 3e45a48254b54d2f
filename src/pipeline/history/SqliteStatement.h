#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace quorvane {

// A prepared statement of SqliteDatabase. Parameters count from 1, columns from 0.
class SqliteStatement
{
public:
    enum class Step
    {
        Row,
        Done,
        Failed
    };

    explicit SqliteStatement(sqlite3_stmt* statement = nullptr) : m_statement(statement) {}
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept : m_statement(other.m_statement)
    {
        other.m_statement = nullptr;
    }
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;

    bool ok() const { return m_statement != nullptr; }

    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, std::string_view text);
    Step step();
    // Runs a statement that returns no rows; true when it finished.
    bool run() { return step() == Step::Done; }
    // Ready to bind and step again.
    void reset();

    std::int64_t int64(int column) const;
    std::string text(int column) const;

private:
    sqlite3_stmt* m_statement;
};

} // namespace quorvane
