#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace linkindex {

// Why the index could not be read or written. The message names the index file and says what
// went wrong in words a user can act on.
class IndexError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class Statement;

// One connection to an SQLite database file. Every failure becomes an IndexError naming the file.
class Database
{
public:
    enum class Access { ReadOnly, ReadWrite };

    // path ":memory:" opens a private database in memory.
    Database(const std::string &path, Access access);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const char *sql);
    const std::string &path() const { return m_path; }
    sqlite3 *handle() const { return m_db; }

    // Turns an SQLite result code other than OK, ROW and DONE into an IndexError.
    void check(int code) const;
    [[noreturn]] void fail(int code) const;

private:
    sqlite3 *m_db = nullptr;
    std::string m_path;
};

// A prepared statement, reset and rebound for every use.
class Statement
{
public:
    Statement(Database &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, int64_t value);
    Statement &bind(int index, std::string_view text);
    Statement &bind(int index, std::optional<int64_t> value);

    // The next row, false when there is none; the statement is reset after its last row.
    bool step();
    // Runs a statement that yields no rows.
    void run();
    void reset();

    int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    std::optional<int64_t> optionalInteger(int column) const;
    std::string_view text(int column) const;

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// A transaction that is rolled back unless committed. A write transaction takes the write lock
// at once; a read transaction sees one state of the database throughout, and within another
// transaction is part of it.
class Transaction
{
public:
    enum class Kind { Read, Write };
    explicit Transaction(Database &db, Kind kind = Kind::Write);
    ~Transaction();
    void commit();

private:
    Database &m_db;
    bool m_open = true;
};

} // namespace linkindex
