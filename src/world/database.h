#pragma once
#include <cstddef>
#include <cstdint>

// Keyed stores: records found by fixed-length keys, in a file of the
// cache. A damaged store costs its content, never the running program: an
// error met while using one shows a message, empties the store and the
// operation reports nothing found.
struct database;

// Prepares the engine once; 1 on success.
int database_init();

// Opens the store at `name` (a path without extension), creating it when
// it is missing or cannot be opened. Record length 0: records of any
// length. Does not return when the store cannot be created.
database* database_open(const char* name, int key_length, int record_length,
                        int data_extension, int index_extension, int key_compression,
                        int write_through);
void database_close(database* store);

int database_key_exists(database* store, const void* key);
// Copies the key's record into the buffer (at most `capacity` bytes) and
// sets its length; 1 when found, 0 when absent, empty or too long.
int database_fetch(database* store, const void* key, void* buffer, size_t capacity,
                   size_t* length);
// The same into a buffer allocated for the caller, who frees it with free().
int database_fetch_unknown(database* store, const void* key, uint8_t** buffer, size_t* length);
// Replaces the key's record; a length of 0 deletes the key. 1 on success.
int database_store(database* store, const void* key, const void* data, size_t length);
// Empties the store: both files made anew.
void database_reset(database* store);
// Walks the store in key order: the first key, then each next one, with
// its record in a buffer allocated for the caller (freed with free()).
// 1 while a record was read, 0 at the end (the next call starts again).
int database_next(database* store, void* key, uint8_t** buffer, size_t* length);

// The path of the store's file.
const char* database_file(const database* store);
