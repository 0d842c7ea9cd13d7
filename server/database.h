#pragma once
// Small owners of an SQLite connection and its prepared statements, shared
// by the modules that keep the universe's state on disk.
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class server_db {
public:
    server_db() = default;
    ~server_db();
    server_db(const server_db&) = delete;
    server_db& operator=(const server_db&) = delete;

    // Opens the database file, creating it readable by its owner only.
    // Returns 0 or an SQLite code.
    int open(const std::string& path);
    // Runs statements without results. Returns 0 or an SQLite code.
    int exec(const char* sql) const;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class server_statement {
public:
    server_statement(const server_db& db, const char* sql);
    ~server_statement();
    server_statement(const server_statement&) = delete;
    server_statement& operator=(const server_statement&) = delete;

    // Parameters count from 1, as in SQLite.
    server_statement& bind(int index, int64_t value);
    server_statement& bind(int index, std::string_view text);
    server_statement& bind_blob(int index, std::string_view bytes);

    // Runs one step: true while it yields a row. Errors end the rows and
    // are kept for failed().
    bool step();
    // Runs the statement to its end; returns 0 or an SQLite code.
    int run();
    bool failed() const { return error_ != 0; }

    int64_t integer(int column) const;
    std::string text(int column) const;  // also reads blobs
    bool is_null(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
    int error_ = 0;
};
