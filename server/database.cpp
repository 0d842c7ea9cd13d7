#include "database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include "log.h"

server_db::~server_db()
{
    sqlite3_close(db_);
}

int server_db::open(const std::string& path)
{
    sqlite3_close(db_);
    db_ = nullptr;
    // The file holds the citizens' password hashes and e-mail addresses:
    // a new one is made readable by its owner only, and SQLite gives its
    // journal files the same mode.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    // Another process holding the file (a second server on the same data)
    // is waited for briefly rather than failing at once.
    sqlite3_busy_timeout(db_, 2000);
    return SQLITE_OK;
}

int server_db::exec(const char* sql) const
{
    char* message = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK)
        server_log("database: %s", message ? message : sqlite3_errstr(rc));
    sqlite3_free(message);
    return rc;
}

server_statement::server_statement(const server_db& db, const char* sql)
{
    error_ = sqlite3_prepare_v2(db.get(), sql, -1, &statement_, nullptr);
    if (error_ != SQLITE_OK)
        server_log("database: %s", sqlite3_errmsg(db.get()));
}

server_statement::~server_statement()
{
    sqlite3_finalize(statement_);
}

server_statement& server_statement::bind(int index, int64_t value)
{
    if (!error_)
        error_ = sqlite3_bind_int64(statement_, index, value);
    return *this;
}

server_statement& server_statement::bind(int index, std::string_view text)
{
    if (!error_)
        error_ = sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
    return *this;
}

server_statement& server_statement::bind_blob(int index, std::string_view bytes)
{
    if (!error_)
        error_ = sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()),
                                   SQLITE_TRANSIENT);
    return *this;
}

bool server_statement::step()
{
    if (error_)
        return false;
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        error_ = rc;
        server_log("database: %s", sqlite3_errstr(rc));
    }
    return false;
}

int server_statement::run()
{
    while (step()) {}
    return error_;
}

int64_t server_statement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::string server_statement::text(int column) const
{
    const void* bytes = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return bytes ? std::string(static_cast<const char*>(bytes), static_cast<size_t>(size))
                 : std::string();
}

bool server_statement::is_null(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}
