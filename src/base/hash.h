#pragma once
#include <cstddef>

// A chained hash table keyed by byte strings, with a fixed-size data area
// per entry that starts zero-filled. The bucket count is fixed at creation.
// A data pointer stays valid until its entry is removed.
struct hash_table;

hash_table* hash_create(int buckets, size_t data_size);
void hash_destroy(hash_table* table);

// The entry's data area, created zero-filled when the key is new;
// *existed (when given) tells whether it was there before.
void* hash_insert(hash_table* table, const void* key, size_t key_length, int* existed);

// The entry's data area, or nullptr.
void* hash_find(hash_table* table, const void* key, size_t key_length);

// 1 when the entry was there and is removed, else 0.
int hash_remove(hash_table* table, const void* key, size_t key_length);

// Calls visit for every entry; an entry for which it returns non-zero is
// removed right after the call. Entries must not be added meanwhile.
using hash_visitor = int (*)(void* user, const void* key, size_t key_length, void* data);
void hash_iterate(hash_table* table, hash_visitor visit, void* user);

int hash_count(const hash_table* table);

// The hash of a key before it is reduced by the bucket count.
unsigned hash_key(const void* key, size_t key_length);
