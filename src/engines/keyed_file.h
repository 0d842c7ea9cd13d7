#pragma once
#include <cstddef>
#include <cstdint>

// The keyed-file engine: a store of records found by fixed-length keys,
// kept as one SQLite database. Records live at positions (allocate, write,
// read, release); the index maps each key to a position and walks the keys
// in byte order. Every call returns 0 or an error code: SQLite's result
// codes, or those below.
constexpr int kf_not_found = 1000;       // no such key, or no key after it
constexpr int kf_bad_argument = 1001;    // a length or position that cannot be
constexpr int kf_wrong_layout = 1002;    // the file holds another kind of store

struct kf_store;

// Prepares the engine once; 0 on success.
int kf_init();

// A new, empty store at this path (any old one is replaced). Records have
// record_length bytes, or any length when it is 0. With write-through,
// every change is on disk when the call returns; without, changes are
// written when the store is closed or the program ends normally.
int kf_create(const char* path, int key_length, int record_length, int write_through,
              kf_store** store);
// An existing store, checked to be one of this key and record length.
int kf_open(const char* path, int key_length, int record_length, int write_through,
            kf_store** store);
int kf_close(kf_store* store);
// Removes a store's files; 0 also when there were none.
int kf_delete(const char* path);

// Groups the calls between them into one change: all of it or none
// reaches the file.
int kf_begin(kf_store* store);
int kf_commit(kf_store* store);
int kf_rollback(kf_store* store);

int kf_find(kf_store* store, const void* key, int64_t* position);
int kf_first(kf_store* store, void* key, int64_t* position);
int kf_next(kf_store* store, const void* after, void* key, int64_t* position);
int kf_add_key(kf_store* store, const void* key, int64_t position);
int kf_delete_key(kf_store* store, const void* key);

int kf_allocate(kf_store* store, size_t length, int64_t* position);
int kf_write(kf_store* store, int64_t position, const void* data, size_t length);
int kf_length(kf_store* store, int64_t position, size_t* length);
// Reads a record of exactly `length` bytes.
int kf_read(kf_store* store, int64_t position, void* buffer, size_t length);
int kf_release(kf_store* store, int64_t position);

// The last error's detail (SQLite's extended code or the system's errno).
int kf_detail(const kf_store* store);
