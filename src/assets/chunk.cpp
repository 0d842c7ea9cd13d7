#include "assets/chunk.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/download.h"
#include "base/file.h"
#include "base/log.h"
#include "render/clump.h"
#include "render/render.h"
#include "render/stream.h"
#include "render/texture.h"
#include "world/database.h"

namespace {

constexpr size_t key_length = 32;

struct chunk_state {
    database* models = nullptr;
    database* textures = nullptr;
};

chunk_state state;

// The key of a name and a second name: both, then blanks to 32 bytes.
bool make_key(const char* name, const char* second, char key[key_length])
{
    std::string joined = std::string(name ? name : "") + (second ? second : "");
    if (joined.size() > key_length) {
        if (log_chunk())
            log_write("ERROR! key too large: %s,%s", name ? name : "", second ? second : "");
        return false;
    }
    std::memset(key, ' ', key_length);
    std::memcpy(key, joined.data(), joined.size());
    return true;
}

void close_stores()
{
    database_close(state.models);
    database_close(state.textures);
    state.models = nullptr;
    state.textures = nullptr;
}

std::vector<uint8_t> texture_chunk(rw_texture* texture)
{
    std::vector<uint8_t> bytes;
    rw_stream* s = rw_stream_open_memory();
    if (rw_stream_write_texture(s, texture) == 0) {
        size_t n;
        const uint8_t* data = rw_stream_data(s, &n);
        bytes.assign(data, data + n);
    }
    rw_stream_close(s);
    return bytes;
}

rw_texture* texture_from(const uint8_t* bytes, size_t length)
{
    rw_stream* s = rw_stream_open_memory_read(bytes, length);
    rw_texture* texture = rw_stream_read_texture(s);
    rw_stream_close(s);
    return texture;
}

}  // namespace

int chunk_create(rw_clump* clump, const void* header, size_t header_length, const char* name,
                 const char* second_name)
{
    if (log_chunk())
        log_write("chunk_create (%s, %s)", name, second_name ? second_name : "");
    if (!clump)
        return chunk_no_clump;
    char key[key_length];
    if (!make_key(name, second_name, key)) {
        rw_clump_destroy(clump);
        return chunk_key_too_large;
    }
    rw_stream* s = rw_stream_open_memory();
    int result = chunk_stored;
    if (rw_stream_write_clump(s, clump) != 0) {
        if (log_chunk())
            log_write("ERROR: RwWriteStreamChunk failed, reason %d", rw_error());
        result = chunk_not_written;
    }
    rw_clump_destroy(clump);
    if (header_length > 0xFFFF)
        result = chunk_not_written;
    if (result == chunk_stored && state.models) {
        size_t n;
        const uint8_t* stream = rw_stream_data(s, &n);
        // A 16-bit header length in the machine's order, the header, the stream.
        std::vector<uint8_t> record(2 + header_length + n);
        auto h = static_cast<uint16_t>(header_length);
        std::memcpy(record.data(), &h, 2);
        if (header_length)
            std::memcpy(record.data() + 2, header, header_length);
        std::memcpy(record.data() + 2 + header_length, stream, n);
        if (!database_store(state.models, key, record.data(), record.size())) {
            if (log_chunk())
                log_write("ERROR: unable to allocate new record");
            result = chunk_no_memory;
        }
    } else if (result == chunk_stored) {
        result = chunk_no_memory;
    }
    rw_stream_close(s);
    if (result == chunk_stored && log_chunk())
        log_write("chunk_create complete");
    return result;
}

namespace {

// A record as the store hands it out, used where the store put it (records
// are large, and a copy costs as much as reading the clump).
struct record_free {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};
struct stored_record {
    std::unique_ptr<uint8_t, record_free> bytes;
    size_t length = 0;
    size_t header = 0;  // a model record's header length; the stream follows it
};

// The record of a name in a store; `key` receives its key.
bool fetch(database* store, const char* name, const char* second_name, char key[key_length],
           stored_record* out)
{
    uint8_t* bytes = nullptr;
    if (!store || !make_key(name, second_name, key) ||
        !database_fetch_unknown(store, key, &bytes, &out->length))
        return false;
    out->bytes.reset(bytes);
    return true;
}

// The model record of a name. A record not longer than its header is
// deleted.
bool model_record_of(const char* name, const char* second_name, stored_record* out)
{
    char key[key_length];
    if (!fetch(state.models, name, second_name, key, out))
        return false;
    uint16_t h = 0;
    if (out->length >= 2)
        std::memcpy(&h, out->bytes.get(), 2);
    if (out->length < 2 || static_cast<size_t>(h) + 2 >= out->length) {
        database_store(state.models, key, nullptr, 0);
        return false;
    }
    out->header = h;
    return true;
}

}  // namespace

int chunk_header(const char* name, const char* second_name, uint8_t** header, size_t* length)
{
    if (log_chunk())
        log_write("chunk_header (%s, %s)", name, second_name ? second_name : "");
    stored_record stored;
    if (!model_record_of(name, second_name, &stored))
        return 0;
    size_t h = stored.header;
    auto* copy = static_cast<uint8_t*>(std::malloc(h ? h : 1));
    if (!copy)
        return 0;
    std::memcpy(copy, stored.bytes.get() + 2, h);
    *header = copy;
    *length = h;
    return 1;
}

rw_clump* chunk_load(const char* name, const char* second_name)
{
    if (log_chunk())
        log_write("chunk_load (%s, %s)", name, second_name ? second_name : "");
    stored_record stored;
    if (!model_record_of(name, second_name, &stored))
        return nullptr;
    size_t start = 2 + stored.header;
    rw_stream* s = rw_stream_open_memory_read(stored.bytes.get() + start, stored.length - start);
    rw_clump* clump = rw_stream_read_clump(s);
    rw_stream_close(s);
    if (!clump)
        chunk_delete(name, second_name);
    return clump;
}

void chunk_delete(const char* name, const char* second_name)
{
    if (log_chunk())
        log_write("chunk_delete (%s, %s)", name, second_name ? second_name : "");
    char key[key_length];
    if (state.models && make_key(name, second_name, key))
        database_store(state.models, key, nullptr, 0);
}

int chunk_exists(const char* name, const char* second_name)
{
    char key[key_length];
    return state.models && make_key(name, second_name, key) &&
                   database_key_exists(state.models, key)
               ? 1
               : 0;
}

int chunk_save_texture(rw_texture* texture, const char* name)
{
    if (log_chunk())
        log_write("chunk_save_texture (%s)", name);
    char key[key_length];
    if (!state.textures || !texture || !make_key(name, nullptr, key))
        return 0;
    std::vector<uint8_t> bytes = texture_chunk(texture);
    return !bytes.empty() && database_store(state.textures, key, bytes.data(), bytes.size()) ? 1 : 0;
}

rw_texture* chunk_load_texture(const char* name)
{
    if (log_chunk())
        log_write("chunk_load_texture (%s)", name);
    char key[key_length];
    stored_record stored;
    if (!fetch(state.textures, name, nullptr, key, &stored))
        return nullptr;
    rw_texture* texture = texture_from(stored.bytes.get(), stored.length);
    if (!texture)
        chunk_delete_texture(name);
    return texture;
}

void chunk_delete_texture(const char* name)
{
    if (log_chunk())
        log_write("chunk_delete_texture (%s)", name);
    char key[key_length];
    if (state.textures && make_key(name, nullptr, key))
        database_store(state.textures, key, nullptr, 0);
}

int chunk_save_texture_to_file(rw_texture* texture, const char* path)
{
    if (log_chunk())
        log_write("chunk_save_texture_to_file (%s)", path);
    std::vector<uint8_t> bytes = texture ? texture_chunk(texture) : std::vector<uint8_t>{};
    return !bytes.empty() && file_store(path, bytes.data(), bytes.size()) == 0 ? 1 : 0;
}

rw_texture* chunk_load_texture_from_file(const char* path)
{
    if (log_chunk())
        log_write("chunk_load_texture_from_file (%s)", path);
    uint8_t* bytes = nullptr;
    size_t n = 0;
    if (file_read(path, &bytes, &n) != 0)
        return nullptr;
    rw_texture* texture = texture_from(bytes, n);
    std::free(bytes);
    return texture;
}

void chunk_reset()
{
    if (log_chunk())
        log_write("chunk_reset");
    close_stores();
    std::string dir = download_cache_path();
    if (dir.empty())
        return;
    // Stores of an older layout go.
    if (file_exists((dir + "/models.dat").c_str())) {
        for (const char* old : {"/models.dat", "/models.idx", "/textures.dat", "/textures.idx"})
            file_delete((dir + old).c_str());
    }
    state.models = database_open((dir + "/model").c_str(), key_length, 0, 16384, 4096, 1, 1);
    state.textures = database_open((dir + "/texture").c_str(), key_length, 0, 16384, 4096, 0, 1);
}

void chunk_term()
{
    if (log_chunk())
        log_write("chunk_term");
    close_stores();
}
