#include "engines/keyed_file.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

// The database holds three tables: the records by position, the index of
// keys, and one row describing the store.
struct kf_store {
    sqlite3* db = nullptr;
    int key_length = 0;
    int record_length = 0;
    int detail = 0;
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* first = nullptr;
    sqlite3_stmt* next = nullptr;
    sqlite3_stmt* add_key = nullptr;
    sqlite3_stmt* delete_key = nullptr;
    sqlite3_stmt* allocate = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_stmt* length = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* release = nullptr;
};

namespace {

const char* schema =
    "CREATE TABLE layout(key_length INTEGER, record_length INTEGER);"
    "CREATE TABLE records(position INTEGER PRIMARY KEY, data BLOB NOT NULL);"
    "CREATE TABLE keys(key BLOB PRIMARY KEY, position INTEGER NOT NULL) WITHOUT ROWID;";

int fail(kf_store* s, int code)
{
    if (s)
        s->detail = s->db ? sqlite3_extended_errcode(s->db) : errno;
    return code;
}

int prepare(kf_store* s, const char* sql, sqlite3_stmt** statement)
{
    return sqlite3_prepare_v3(s->db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr);
}

int prepare_all(kf_store* s)
{
    struct {
        const char* sql;
        sqlite3_stmt** statement;
    } all[] = {
        {"SELECT position FROM keys WHERE key = ?1", &s->find},
        {"SELECT key, position FROM keys ORDER BY key LIMIT 1", &s->first},
        {"SELECT key, position FROM keys WHERE key > ?1 ORDER BY key LIMIT 1", &s->next},
        {"INSERT INTO keys(key, position) VALUES (?1, ?2)", &s->add_key},
        {"DELETE FROM keys WHERE key = ?1", &s->delete_key},
        {"INSERT INTO records(data) VALUES (zeroblob(?1))", &s->allocate},
        {"UPDATE records SET data = ?2 WHERE position = ?1", &s->write},
        {"SELECT length(data) FROM records WHERE position = ?1", &s->length},
        {"SELECT data FROM records WHERE position = ?1", &s->read},
        {"DELETE FROM records WHERE position = ?1", &s->release},
    };
    for (auto& one : all) {
        if (int rc = prepare(s, one.sql, one.statement))
            return rc;
    }
    return SQLITE_OK;
}

void finalize_all(kf_store* s)
{
    for (sqlite3_stmt* st : {s->find, s->first, s->next, s->add_key, s->delete_key, s->allocate,
                             s->write, s->length, s->read, s->release})
        sqlite3_finalize(st);
}

// Runs a statement to its end; SQLITE_ROW is left for the caller.
int step(kf_store* s, sqlite3_stmt* st)
{
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        rc = SQLITE_OK;
    if (rc != SQLITE_OK && rc != SQLITE_ROW) {
        sqlite3_reset(st);
        return fail(s, rc);
    }
    return rc;
}

bool valid_key(const kf_store* s, const void* key)
{
    return s && key;
}

// Opens the database file with the settings of the store's kind.
int connect(const char* path, int flags, int write_through, kf_store* s)
{
    int rc = sqlite3_open_v2(path, &s->db, flags, nullptr);
    if (rc != SQLITE_OK)
        return fail(s, rc);
    sqlite3_extended_result_codes(s->db, 1);
    // A write-through store is on disk at every change; a cache that may
    // be lost in a crash only needs to be consistent, which the check at
    // open and the repair of a damaged store look after.
    // The program is the file's only user: holding the lock saves taking
    // it again for every statement.
    const char* settings = write_through
                               ? "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=TRUNCATE;"
                                 " PRAGMA synchronous=FULL;"
                               : "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=MEMORY;"
                                 " PRAGMA synchronous=OFF;";
    rc = sqlite3_exec(s->db, settings, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? rc : fail(s, rc);
}

int finish(kf_store* s, int rc, kf_store** out)
{
    if (rc == SQLITE_OK)
        rc = prepare_all(s);
    if (rc != SQLITE_OK) {
        finalize_all(s);
        sqlite3_close(s->db);
        delete s;
        return rc;
    }
    *out = s;
    return SQLITE_OK;
}

}  // namespace

int kf_init()
{
    return sqlite3_initialize();
}

int kf_create(const char* path, int key_length, int record_length, int write_through,
              kf_store** store)
{
    if (!path || !store || key_length <= 0 || record_length < 0)
        return kf_bad_argument;
    kf_delete(path);
    auto* s = new kf_store;
    s->key_length = key_length;
    s->record_length = record_length;
    int rc = connect(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, write_through, s);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(s->db, schema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        std::string layout = "INSERT INTO layout VALUES (" + std::to_string(key_length) + ", " +
                             std::to_string(record_length) + ")";
        rc = sqlite3_exec(s->db, layout.c_str(), nullptr, nullptr, nullptr);
    }
    return finish(s, rc, store);
}

int kf_open(const char* path, int key_length, int record_length, int write_through,
            kf_store** store)
{
    if (!path || !store || key_length <= 0 || record_length < 0)
        return kf_bad_argument;
    auto* s = new kf_store;
    s->key_length = key_length;
    s->record_length = record_length;
    int rc = connect(path, SQLITE_OPEN_READWRITE, write_through, s);
    if (rc == SQLITE_OK) {
        // Reading the layout also tells a damaged or foreign file.
        sqlite3_stmt* st = nullptr;
        rc = prepare(s, "SELECT key_length, record_length FROM layout", &st);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(st);
            if (rc == SQLITE_ROW) {
                rc = sqlite3_column_int(st, 0) == key_length &&
                             sqlite3_column_int(st, 1) == record_length
                         ? SQLITE_OK
                         : kf_wrong_layout;
            } else if (rc == SQLITE_DONE) {
                rc = kf_wrong_layout;
            }
        }
        sqlite3_finalize(st);
    }
    return finish(s, rc, store);
}

int kf_close(kf_store* store)
{
    if (!store)
        return kf_bad_argument;
    finalize_all(store);
    int rc = sqlite3_close(store->db);
    delete store;
    return rc;
}

int kf_delete(const char* path)
{
    if (!path)
        return kf_bad_argument;
    int rc = 0;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::string file = std::string(path) + suffix;
        if (unlink(file.c_str()) != 0 && errno != ENOENT)
            rc = SQLITE_IOERR;
    }
    return rc;
}

namespace {

int execute(kf_store* store, const char* sql)
{
    if (!store)
        return kf_bad_argument;
    int rc = sqlite3_exec(store->db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? rc : fail(store, rc);
}

}  // namespace

int kf_begin(kf_store* store)
{
    return execute(store, "BEGIN");
}

int kf_commit(kf_store* store)
{
    return execute(store, "COMMIT");
}

int kf_rollback(kf_store* store)
{
    return execute(store, "ROLLBACK");
}

int kf_find(kf_store* store, const void* key, int64_t* position)
{
    if (!valid_key(store, key) || !position)
        return kf_bad_argument;
    sqlite3_stmt* st = store->find;
    sqlite3_bind_blob(st, 1, key, store->key_length, SQLITE_STATIC);
    int rc = step(store, st);
    if (rc == SQLITE_ROW)
        *position = sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
    return rc == SQLITE_ROW ? SQLITE_OK : rc == SQLITE_OK ? kf_not_found : rc;
}

namespace {

int key_row(kf_store* s, sqlite3_stmt* st, void* key, int64_t* position)
{
    int rc = step(s, st);
    if (rc == SQLITE_ROW) {
        const void* k = sqlite3_column_blob(st, 0);
        int n = sqlite3_column_bytes(st, 0);
        if (n != s->key_length) {
            sqlite3_reset(st);
            return fail(s, SQLITE_CORRUPT);
        }
        std::memcpy(key, k, static_cast<size_t>(n));
        *position = sqlite3_column_int64(st, 1);
    }
    sqlite3_reset(st);
    return rc == SQLITE_ROW ? SQLITE_OK : rc == SQLITE_OK ? kf_not_found : rc;
}

}  // namespace

int kf_first(kf_store* store, void* key, int64_t* position)
{
    if (!valid_key(store, key) || !position)
        return kf_bad_argument;
    return key_row(store, store->first, key, position);
}

int kf_next(kf_store* store, const void* after, void* key, int64_t* position)
{
    if (!valid_key(store, key) || !after || !position)
        return kf_bad_argument;
    sqlite3_bind_blob(store->next, 1, after, store->key_length, SQLITE_TRANSIENT);
    return key_row(store, store->next, key, position);
}

int kf_add_key(kf_store* store, const void* key, int64_t position)
{
    if (!valid_key(store, key))
        return kf_bad_argument;
    sqlite3_bind_blob(store->add_key, 1, key, store->key_length, SQLITE_STATIC);
    sqlite3_bind_int64(store->add_key, 2, position);
    int rc = step(store, store->add_key);
    sqlite3_reset(store->add_key);
    return rc;
}

int kf_delete_key(kf_store* store, const void* key)
{
    if (!valid_key(store, key))
        return kf_bad_argument;
    sqlite3_bind_blob(store->delete_key, 1, key, store->key_length, SQLITE_STATIC);
    int rc = step(store, store->delete_key);
    sqlite3_reset(store->delete_key);
    return rc;
}

int kf_allocate(kf_store* store, size_t length, int64_t* position)
{
    if (!store || !position || length > 0x7fffffff ||
        (store->record_length && length != static_cast<size_t>(store->record_length)))
        return kf_bad_argument;
    sqlite3_bind_int64(store->allocate, 1, static_cast<sqlite3_int64>(length));
    int rc = step(store, store->allocate);
    sqlite3_reset(store->allocate);
    if (rc == SQLITE_OK)
        *position = sqlite3_last_insert_rowid(store->db);
    return rc;
}

int kf_write(kf_store* store, int64_t position, const void* data, size_t length)
{
    if (!store || (!data && length) || length > 0x7fffffff)
        return kf_bad_argument;
    size_t current = 0;
    if (int rc = kf_length(store, position, &current))
        return rc;
    if (length != current)
        return kf_bad_argument;
    sqlite3_bind_int64(store->write, 1, position);
    sqlite3_bind_blob(store->write, 2, length ? data : "", static_cast<int>(length), SQLITE_STATIC);
    int rc = step(store, store->write);
    sqlite3_reset(store->write);
    return rc;
}

int kf_length(kf_store* store, int64_t position, size_t* length)
{
    if (!store || !length)
        return kf_bad_argument;
    sqlite3_bind_int64(store->length, 1, position);
    int rc = step(store, store->length);
    if (rc == SQLITE_ROW)
        *length = static_cast<size_t>(sqlite3_column_int64(store->length, 0));
    sqlite3_reset(store->length);
    return rc == SQLITE_ROW ? SQLITE_OK : rc == SQLITE_OK ? fail(store, SQLITE_CORRUPT) : rc;
}

int kf_read(kf_store* store, int64_t position, void* buffer, size_t length)
{
    if (!store || (!buffer && length))
        return kf_bad_argument;
    sqlite3_bind_int64(store->read, 1, position);
    int rc = step(store, store->read);
    if (rc == SQLITE_ROW) {
        const void* data = sqlite3_column_blob(store->read, 0);
        auto n = static_cast<size_t>(sqlite3_column_bytes(store->read, 0));
        if (n != length)
            rc = kf_bad_argument;
        else if (n)
            std::memcpy(buffer, data, n);
    }
    sqlite3_reset(store->read);
    return rc == SQLITE_ROW ? SQLITE_OK : rc == SQLITE_OK ? fail(store, SQLITE_CORRUPT) : rc;
}

int kf_release(kf_store* store, int64_t position)
{
    if (!store)
        return kf_bad_argument;
    sqlite3_bind_int64(store->release, 1, position);
    int rc = step(store, store->release);
    sqlite3_reset(store->release);
    return rc;
}

int kf_detail(const kf_store* store)
{
    return store ? store->detail : 0;
}
