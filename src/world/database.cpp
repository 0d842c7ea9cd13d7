#include "world/database.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/log.h"
#include "base/main.h"
#include "base/msg.h"
#include "base/msgbox.h"
#include "engines/keyed_file.h"

struct database {
    kf_store* engine = nullptr;
    std::string name;
    std::string file;
    int key_length = 0;
    int record_length = 0;
    int write_through = 0;
    // Where database_next stands: the last key it gave.
    bool positioned = false;
    std::vector<uint8_t> current;
};

namespace {

const char* fatal_text =
    "Sorry, %s has encountered a fatal disk error (reason %d).  Unable to continue.\n"
    "(Tip: a system reboot can sometimes resolve this problem)";
const char* repair_text =
    "An error of type %d was encountered in a cache file.  %s will attempt to repair the error "
    "and continue.";
const char* unrecoverable_text = "Unable to recover from cache failure (reason %d).  %s will now exit.";

// Logs an engine call's outcome when store logging is on; returns it.
int logged(const database* d, const char* operation, int rc)
{
    if (log_database())
        log_write("%s, %s: %d, %d", d->name.c_str(), operation, rc, kf_detail(d->engine));
    return rc;
}

void fatal(const char* format, int reason)
{
    char text[512];
    std::snprintf(text, sizeof text, format, msg(msg_product), reason);
    main_abort(text);
}

// Both files anew; 0 on success.
int recreate(database* d)
{
    if (d->engine) {
        kf_close(d->engine);
        d->engine = nullptr;
    }
    d->positioned = false;
    return logged(d, "create",
                  kf_create(d->file.c_str(), d->key_length, d->record_length, d->write_through,
                            &d->engine));
}

// An engine error met while using the store: say so, empty the store and
// go on without its content.
void repair(database* d, int error)
{
    char text[512];
    std::snprintf(text, sizeof text, repair_text, error, msg(msg_product));
    msgbox_show(msg(msg_product), text, msgbox_warning, msgbox_ok);
    if (int rc = recreate(d)) {
        std::snprintf(text, sizeof text, unrecoverable_text, rc, msg(msg_product));
        main_abort(text);
    }
}

// Runs an engine call during fetch, store or lookup: absent keys are no
// error; anything else repairs the store and reports failure.
bool ok(database* d, const char* operation, int rc)
{
    logged(d, operation, rc);
    if (rc == 0 || rc == kf_not_found)
        return true;
    if (d->engine)
        kf_rollback(d->engine);
    repair(d, rc);
    return false;
}

}  // namespace

int database_init()
{
    if (log_trace())
        log_write("database_init");
    return kf_init() == 0 ? 1 : 0;
}

database* database_open(const char* name, int key_length, int record_length, int data_extension,
                        int index_extension, int key_compression, int write_through)
{
    // Extension sizes and key compression are matters of the old file
    // layout; the engine grows its file and stores keys as it sees fit.
    (void)data_extension;
    (void)index_extension;
    (void)key_compression;
    auto* d = new database;
    d->name = name;
    d->file = d->name + ".db";
    d->key_length = key_length;
    d->record_length = record_length;
    d->write_through = write_through;
    if (log_database())
        log_write("database_open (%s)", name);
    file_touch(d->file.c_str());
    int rc = logged(d, "open",
                    kf_open(d->file.c_str(), key_length, record_length, write_through, &d->engine));
    if (rc != 0)
        rc = recreate(d);
    if (rc != 0) {
        delete d;
        fatal(fatal_text, rc);
    }
    return d;
}

void database_close(database* store)
{
    if (!store)
        return;
    if (log_database())
        log_write("database_close (%s)", store->name.c_str());
    int rc = kf_close(store->engine);
    store->engine = nullptr;
    logged(store, "close", rc);
    delete store;
}

int database_key_exists(database* store, const void* key)
{
    if (log_database())
        log_write("database_key_exists (%s)", store->name.c_str());
    int64_t position = 0;
    int rc = kf_find(store->engine, key, &position);
    return ok(store, "find", rc) && rc == 0 ? 1 : 0;
}

namespace {

// The key's record length and position; false when absent or on an error.
bool locate(database* d, const void* key, int64_t* position, size_t* length)
{
    int rc = kf_find(d->engine, key, position);
    if (!ok(d, "find", rc) || rc == kf_not_found)
        return false;
    if (d->record_length) {
        *length = static_cast<size_t>(d->record_length);
        return true;
    }
    return ok(d, "length", kf_length(d->engine, *position, length));
}

}  // namespace

int database_fetch(database* store, const void* key, void* buffer, size_t capacity,
                   size_t* length)
{
    if (log_database())
        log_write("database_fetch (%s)", store->name.c_str());
    int64_t position = 0;
    size_t n = 0;
    if (!locate(store, key, &position, &n) || n == 0 || n > capacity)
        return 0;
    if (!ok(store, "read", kf_read(store->engine, position, buffer, n)))
        return 0;
    *length = n;
    return 1;
}

int database_fetch_unknown(database* store, const void* key, uint8_t** buffer, size_t* length)
{
    if (log_database())
        log_write("database_fetch_unknown (%s)", store->name.c_str());
    int64_t position = 0;
    size_t n = 0;
    if (!locate(store, key, &position, &n) || n == 0)
        return 0;
    auto* bytes = static_cast<uint8_t*>(std::malloc(n));
    if (!bytes)
        return 0;
    if (!ok(store, "read", kf_read(store->engine, position, bytes, n))) {
        std::free(bytes);
        return 0;
    }
    *buffer = bytes;
    *length = n;
    return 1;
}

int database_store(database* store, const void* key, const void* data, size_t length)
{
    if (log_database())
        log_write("database_store (%s)", store->name.c_str());
    kf_store* e = store->engine;
    if (!ok(store, "begin", kf_begin(e)))
        return 0;
    int64_t old = 0;
    int rc = kf_find(e, key, &old);
    if (!ok(store, "find", rc))
        return 0;
    bool existed = rc == 0;
    if (store->record_length) {
        // A fixed-length record is written in place; a short one is padded.
        std::vector<uint8_t> record(static_cast<size_t>(store->record_length), 0);
        std::memcpy(record.data(), data, std::min(length, record.size()));
        if (length == 0) {
            if (existed && (!ok(store, "release", kf_release(e, old)) ||
                            !ok(store, "delete key", kf_delete_key(e, key))))
                return 0;
        } else if ((!existed && !ok(store, "allocate", kf_allocate(e, record.size(), &old))) ||
                   !ok(store, "write", kf_write(e, old, record.data(), record.size())) ||
                   (!existed && !ok(store, "add key", kf_add_key(e, key, old)))) {
            return 0;
        }
    } else {
        int64_t fresh = 0;
        if (length > 0 && (!ok(store, "allocate", kf_allocate(e, length, &fresh)) ||
                           !ok(store, "write", kf_write(e, fresh, data, length))))
            return 0;
        if (existed && (!ok(store, "release", kf_release(e, old)) ||
                        !ok(store, "delete key", kf_delete_key(e, key))))
            return 0;
        if (length > 0 && !ok(store, "add key", kf_add_key(e, key, fresh)))
            return 0;
    }
    return ok(store, "commit", kf_commit(e)) ? 1 : 0;
}

void database_reset(database* store)
{
    if (log_database())
        log_write("database_reset (%s)", store->name.c_str());
    if (int rc = recreate(store)) {
        char text[512];
        std::snprintf(text, sizeof text, unrecoverable_text, rc, msg(msg_product));
        main_abort(text);
    }
}

int database_next(database* store, void* key, uint8_t** buffer, size_t* length)
{
    if (log_database())
        log_write("database_next (%s)", store->name.c_str());
    std::vector<uint8_t> found(static_cast<size_t>(store->key_length));
    int64_t position = 0;
    int rc = store->positioned
                 ? kf_next(store->engine, store->current.data(), found.data(), &position)
                 : kf_first(store->engine, found.data(), &position);
    if (!ok(store, store->positioned ? "next" : "first", rc) || rc == kf_not_found) {
        store->positioned = false;
        return 0;
    }
    store->current = found;
    store->positioned = true;
    size_t n = static_cast<size_t>(store->record_length);
    if (!n && !ok(store, "length", kf_length(store->engine, position, &n)))
        return 0;
    auto* bytes = static_cast<uint8_t*>(std::malloc(n ? n : 1));
    if (!bytes)
        return 0;
    if (!ok(store, "read", kf_read(store->engine, position, bytes, n))) {
        std::free(bytes);
        return 0;
    }
    std::memcpy(key, found.data(), found.size());
    *buffer = bytes;
    *length = n;
    return 1;
}

const char* database_file(const database* store)
{
    return store->file.c_str();
}
