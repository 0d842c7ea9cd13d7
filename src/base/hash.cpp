#include "base/hash.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "base/crc32.h"

// Each entry is one allocation: the node, then its data area, then its key.
struct hash_node {
    hash_node* next;
    size_t key_length;
};

struct hash_table {
    std::vector<hash_node*> buckets;
    size_t data_size;
    size_t data_offset;
    int count = 0;
};

namespace {

size_t round_up(size_t n)
{
    constexpr size_t a = alignof(std::max_align_t);
    return (n + a - 1) / a * a;
}

void* node_data(const hash_table* t, hash_node* n)
{
    return reinterpret_cast<char*>(n) + t->data_offset;
}

const void* node_key(const hash_table* t, hash_node* n)
{
    return reinterpret_cast<char*>(n) + t->data_offset + t->data_size;
}

hash_node** find_link(hash_table* t, const void* key, size_t key_length)
{
    hash_node** link = &t->buckets[hash_key(key, key_length) % t->buckets.size()];
    while (*link) {
        hash_node* n = *link;
        if (n->key_length == key_length &&
            (key_length == 0 || std::memcmp(node_key(t, n), key, key_length) == 0))
            return link;
        link = &n->next;
    }
    return link;
}

}  // namespace

unsigned hash_key(const void* key, size_t key_length)
{
    const auto* bytes = static_cast<const uint8_t*>(key);
    uint32_t h = 0;
    for (size_t i = 0; i < key_length; ++i)
        h = crc32_step(h, bytes[i]);
    return h;
}

hash_table* hash_create(int buckets, size_t data_size)
{
    if (buckets < 1)
        return nullptr;
    auto* t = new (std::nothrow) hash_table;
    if (!t)
        return nullptr;
    t->buckets.assign(static_cast<size_t>(buckets), nullptr);
    t->data_size = data_size;
    t->data_offset = round_up(sizeof(hash_node));
    return t;
}

void hash_destroy(hash_table* table)
{
    if (!table)
        return;
    for (hash_node* n : table->buckets) {
        while (n) {
            hash_node* next = n->next;
            std::free(n);
            n = next;
        }
    }
    delete table;
}

void* hash_insert(hash_table* table, const void* key, size_t key_length, int* existed)
{
    hash_node** link = find_link(table, key, key_length);
    if (*link) {
        if (existed)
            *existed = 1;
        return node_data(table, *link);
    }
    size_t size = table->data_offset + table->data_size + key_length;
    auto* n = static_cast<hash_node*>(std::calloc(1, size));
    if (!n)
        return nullptr;
    n->key_length = key_length;
    if (key_length)
        std::memcpy(const_cast<void*>(node_key(table, n)), key, key_length);
    *link = n;
    ++table->count;
    if (existed)
        *existed = 0;
    return node_data(table, n);
}

void* hash_find(hash_table* table, const void* key, size_t key_length)
{
    hash_node* n = *find_link(table, key, key_length);
    return n ? node_data(table, n) : nullptr;
}

int hash_remove(hash_table* table, const void* key, size_t key_length)
{
    hash_node** link = find_link(table, key, key_length);
    hash_node* n = *link;
    if (!n)
        return 0;
    *link = n->next;
    std::free(n);
    --table->count;
    return 1;
}

void hash_iterate(hash_table* table, hash_visitor visit, void* user)
{
    for (hash_node*& head : table->buckets) {
        hash_node** link = &head;
        while (*link) {
            hash_node* n = *link;
            if (visit(user, node_key(table, n), n->key_length, node_data(table, n))) {
                *link = n->next;
                std::free(n);
                --table->count;
            } else {
                link = &n->next;
            }
        }
    }
}

int hash_count(const hash_table* table)
{
    return table->count;
}
