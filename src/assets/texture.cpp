#include "assets/texture.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/image.h"
#include "assets/unzip.h"
#include "base/file.h"
#include "base/hash.h"
#include "base/log.h"
#include "render/raster.h"
#include "render/texture.h"

namespace {

struct mask_entry {
    std::string name;
    download_request* download = nullptr;
    bool requested = false;
    bool failed = false;
    // The mask BMP, unzipped or read from the file kept in the cache, held
    // for every texture of the session that uses it: a texture finished
    // without the keep option deletes the file, and others may still be
    // waiting to read the mask.
    std::vector<unsigned char> bmp;
};

}  // namespace

struct texture_entry {
    std::string name;
    download_request* download = nullptr;
    bool ready = false;
    // A converted image is at hand: in `bmp`, or as the file in the cache.
    bool have_bmp = false;
    // The converter's BMP, held until the texture is finished.
    std::vector<unsigned char> bmp;
    int references = 0;
    rw_texture* texture = nullptr;
    mask_entry* mask = nullptr;
    std::vector<std::pair<texture_callback, void*>> callbacks;
};

namespace {

constexpr int texture_buckets = 307;
constexpr int mask_buckets = 127;
constexpr int texture_priority = 2;

struct texture_state {
    hash_table* textures = nullptr;
    hash_table* masks = nullptr;
    bool keep_bmp = false;
};

texture_state state;

void trace(const char* format, const char* text = "")
{
    if (log_texture())
        log_write(format, text);
}

std::string key_of(const char* name)
{
    std::string key(name ? name : "");
    key = key.substr(0, key.find('.'));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

std::string bmp_path(const std::string& name)
{
    return std::string(download_cache_path()) + "/textures/" + name + ".bmp";
}

template <typename T>
T* entry_of(void* data)
{
    return *static_cast<T**>(data);
}

// The path of the file the converter writes, when converted files are kept.
const char* kept_path(const std::string& path)
{
    return state.keep_bmp ? path.c_str() : nullptr;
}

void apply_mask(texture_entry* e)
{
    const mask_entry* m = e->mask;
    trace("apply_mask (%s)", m->name.c_str());
    trace("RwReadMaskRaster");
    rw_raster* mask = m->bmp.empty() ? rw_raster_read_mask(m->name.c_str())
                                     : rw_raster_read_bmp(m->bmp.data(), m->bmp.size());
    if (!mask) {
        trace("RwReadMaskRaster failed!");
        return;
    }
    trace("RwMaskTexture");
    rw_texture_mask(e->texture, mask);
    trace("RwDestroyRaster");
    rw_raster_destroy(mask);
    trace("apply_mask done");
}

// The converted image as a raster: the converter's bytes, or the file kept
// in the cache.
rw_raster* converted_raster(const texture_entry* e)
{
    if (e->bmp.empty())
        return rw_raster_read(bmp_path(e->name).c_str());
    return rw_raster_read_bmp(e->bmp.data(), e->bmp.size());
}

// The library's texture of the name: the live one (one more reference),
// else one made from the converted image.
rw_texture* named_texture(const texture_entry* e)
{
    if (rw_texture* live = rw_texture_find(e->name.c_str())) {
        rw_texture_add_reference(live);
        return live;
    }
    rw_raster* raster = converted_raster(e);
    return raster ? rw_texture_create(e->name.c_str(), raster) : nullptr;
}

// Makes the converted image the texture: a new library texture, or the
// pixels of the existing one replaced so every model changes at once.
void finish_texture(texture_entry* e)
{
    trace("finish_texture (%s)", e->name.c_str());
    if (!e->have_bmp) {
        trace("ERROR: have_bmp is FALSE!");
        return;
    }
    if (e->download) {
        trace("ERROR: download still in progress!");
        return;
    }
    bool fresh = !e->texture;
    if (fresh) {
        trace("RwReadNamedTexture");
        e->texture = named_texture(e);
        if (!e->texture) {
            trace("ERROR: RwReadNamedTexture failed!");
            file_delete(bmp_path(e->name).c_str());
            e->have_bmp = false;
            e->bmp = std::vector<unsigned char>();
            return;
        }
        trace("RwReadNamedTexture complete");
    } else {
        trace("reload (%s)", e->name.c_str());
        rw_raster* raster = converted_raster(e);
        if (!raster) {
            trace("ERROR: RwReadRaster() failed!");
        } else if (rw_texture_set_raster(e->texture, raster) != 0) {
            trace("ERROR: RwSetTextureRaster () failed!");
        } else {
            trace("reload complete");
        }
    }
    if (log_texture()) {
        log_write("t -> mask: %p", static_cast<void*>(e->mask));
        if (e->mask)
            log_write("t -> mask -> failed: %d", e->mask->failed ? 1 : 0);
    }
    if (e->mask && !e->mask->failed)
        apply_mask(e);
    chunk_save_texture(e->texture, e->name.c_str());
    e->ready = true;
    if (fresh) {
        trace("Beginning callbacks");
        std::vector<std::pair<texture_callback, void*>> callbacks = std::move(e->callbacks);
        e->callbacks.clear();
        for (auto& [callback, user] : callbacks)
            callback(user, 0);
        trace("callbacks complete");
    }
    if (e->references == 0 && e->texture) {
        trace("RwDestroyTexture");
        rw_texture_destroy(e->texture);
        e->texture = nullptr;
    }
    e->bmp = std::vector<unsigned char>();
    // Without the keep option no converted file stays in the cache, not even
    // one an earlier session kept.
    if (!state.keep_bmp) {
        file_delete(bmp_path(e->name).c_str());
        e->have_bmp = false;
        if (e->mask)
            file_delete(bmp_path(e->mask->name).c_str());
    }
}

// The converter's result, or (bmp none) the file kept in the cache.
void image_done(void* user, int result, const unsigned char* bmp, size_t size)
{
    auto* e = static_cast<texture_entry*>(user);
    if (log_texture())
        log_write("texture: image_callback (%d)", result);
    if (result != 0)
        return;
    e->have_bmp = true;
    if (bmp)
        e->bmp.assign(bmp, bmp + size);
    if (e->mask && e->mask->download)
        return;
    finish_texture(e);
}

struct mask_users {
    mask_entry* mask;
    std::vector<texture_entry*> entries;
};

int collect_users(void* user, const void* /*key*/, size_t /*length*/, void* data)
{
    auto* users = static_cast<mask_users*>(user);
    texture_entry* e = entry_of<texture_entry>(data);
    if (e->mask == users->mask && e->have_bmp)
        users->entries.push_back(e);
    return 0;
}

void mask_downloaded(void* user, int result, const unsigned char* data, size_t size)
{
    auto* m = static_cast<mask_entry*>(user);
    trace("texture: mask_callback");
    m->download = nullptr;
    if (result == download_received) {
        m->failed = unzip_memory(data, size, kept_path(bmp_path(m->name)), &m->bmp) != 0;
    } else if (result == download_current) {
        uint8_t* bytes = nullptr;
        size_t length = 0;
        if (file_read(bmp_path(m->name).c_str(), &bytes, &length) == 0) {
            m->bmp.assign(bytes, bytes + length);
            std::free(bytes);
        }
    } else {
        m->failed = true;
    }
    // The textures that waited for the mask can be finished now.
    mask_users users{m, {}};
    hash_iterate(state.textures, collect_users, &users);
    for (texture_entry* e : users.entries)
        finish_texture(e);
}

void request_mask(mask_entry* m)
{
    if (m->requested)
        return;
    m->requested = true;
    std::string file = m->name + ".zip";
    m->download = download_file("textures", file.c_str(), texture_priority, mask_downloaded, m);
}

void downloaded(void* user, int result, const unsigned char* data, size_t size)
{
    auto* e = static_cast<texture_entry*>(user);
    if (log_texture())
        log_write("texture: callback (%d)", result);
    e->download = nullptr;
    if (result == download_failed)
        return;
    if (e->mask)
        request_mask(e->mask);
    if (result == download_current) {
        if (e->have_bmp && !e->ready)
            image_done(e, 0, nullptr, 0);
    } else {
        image_convert(data, size, kept_path(bmp_path(e->name)), image_done, e);
        if (e->mask && e->mask->download && !file_exists(bmp_path(e->mask->name).c_str()))
            download_force(e->mask->download);
    }
    trace("texture: callback complete");
}

int free_texture(void* /*user*/, const void* /*key*/, size_t /*length*/, void* data)
{
    texture_entry* e = entry_of<texture_entry>(data);
    if (e->texture)
        rw_texture_destroy(e->texture);
    delete e;
    return 1;
}

int free_mask(void* /*user*/, const void* /*key*/, size_t /*length*/, void* data)
{
    delete entry_of<mask_entry>(data);
    return 1;
}

}  // namespace

texture_entry* texture_download(const char* name, texture_callback callback, void* user)
{
    std::string key = key_of(name);
    if (key.empty())
        return nullptr;
    if (!state.textures)
        state.textures = hash_create(texture_buckets, sizeof(texture_entry*));
    int existed = 0;
    void* data = hash_insert(state.textures, key.data(), key.size(), &existed);
    texture_entry* e = nullptr;
    if (existed) {
        e = entry_of<texture_entry>(data);
    } else {
        trace("texture_download (%s)", key.c_str());
        e = new texture_entry;
        e->name = key;
        *static_cast<texture_entry**>(data) = e;
        std::string file = key + ".jpg";
        e->download = download_file("textures", file.c_str(), texture_priority, downloaded, e);
        if (file_exists(bmp_path(key).c_str())) {
            // The converted file is newer than any stored copy.
            e->have_bmp = true;
            chunk_delete_texture(key.c_str());
        } else {
            e->texture = chunk_load_texture(key.c_str());
        }
        if (e->texture)
            e->ready = true;
        else if (!e->have_bmp)
            download_force(e->download);
    }
    if (!e->ready && callback)
        e->callbacks.emplace_back(callback, user);
    return e;
}

void texture_set_mask(texture_entry* entry, const char* mask)
{
    trace("texture_set_mask");
    if (!entry || !mask || !*mask)
        return;
    if (!state.masks)
        state.masks = hash_create(mask_buckets, sizeof(mask_entry*));
    int existed = 0;
    void* data = hash_insert(state.masks, mask, std::char_traits<char>::length(mask), &existed);
    if (!existed) {
        auto* m = new mask_entry;
        m->name = mask;
        *static_cast<mask_entry**>(data) = m;
    }
    entry->mask = entry_of<mask_entry>(data);
}

void texture_reference(texture_entry* entry)
{
    trace("texture_reference");
    if (!entry)
        return;
    download_reference(entry->download);
    if (entry->mask)
        download_reference(entry->mask->download);
    ++entry->references;
    if (entry->ready && !entry->texture)
        entry->texture = chunk_load_texture(entry->name.c_str());
}

void texture_dereference(texture_entry* entry)
{
    trace("texture_dereference");
    if (!entry)
        return;
    download_dereference(entry->download);
    if (entry->mask)
        download_dereference(entry->mask->download);
    if (--entry->references <= 0) {
        entry->references = 0;
        if (entry->texture) {
            trace("RwDestroyTexture");
            rw_texture_destroy(entry->texture);
            entry->texture = nullptr;
        }
    }
}

int texture_ready(const texture_entry* entry)
{
    return entry && entry->ready ? 1 : 0;
}

rw_texture* texture_get(const texture_entry* entry)
{
    return entry ? entry->texture : nullptr;
}

void texture_set_keep_files(int keep)
{
    state.keep_bmp = keep != 0;
}

void texture_reset()
{
    trace("texture_reset");
    if (state.textures) {
        hash_iterate(state.textures, free_texture, nullptr);
        hash_destroy(state.textures);
        state.textures = nullptr;
    }
    if (state.masks) {
        hash_iterate(state.masks, free_mask, nullptr);
        hash_destroy(state.masks);
        state.masks = nullptr;
    }
}
