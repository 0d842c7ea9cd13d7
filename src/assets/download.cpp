#include "assets/download.h"

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "assets/http.h"
#include "base/file.h"
#include "base/hash.h"
#include "base/log.h"
#include "base/main.h"
#include "render/render.h"
#include "world/database.h"
#include "world/world.h"

// A request is queued (no transfer), running (in a slot), or finished: its
// callback runs and it is freed in the same step.
struct download_request {
    std::string host;    // "name[:port]", "https://" in front for secure paths
    std::string path;    // without the leading "/"
    std::string name;    // the last path component
    std::string key;     // of the request table
    http_request* transfer = nullptr;
    int references = 1;
    int priority = 0;
    int timeouts = 0;
    int limit_kb = 0;
    bool force = false;
    bool ignore_refresh = false;
    bool absolute = false;  // its date lives in the misc store
    download_callback callback = nullptr;
    void* user = nullptr;
    std::array<char, 150> cache_key{};
};

namespace {

constexpr const char* default_object_path = "localhost:5680/qo";
constexpr int table_buckets = 127;
constexpr int slots = 3;
constexpr int stalls_allowed = 3;
constexpr int default_refresh_minutes = 480;
constexpr size_t art_key_length = 50;
constexpr size_t misc_key_length = 150;
constexpr size_t date_record_length = 50;
constexpr size_t date_text_length = 44;
constexpr size_t date_time_offset = 2;
constexpr size_t date_text_offset = 6;

struct download_state {
    std::string art_root;
    std::string object_path;
    std::string host;
    std::string path_part;   // without the leading "/"; may be empty
    std::string cache_folder;
    std::string world;
    bool path_set = false;
    bool first = true;
    uint32_t refresh_seconds = default_refresh_minutes * 60;
    database* dates = nullptr;
    database* misc_dates = nullptr;
    hash_table* table = nullptr;
    std::array<download_request*, slots> slot{};
    std::array<std::string, slots> slot_state;
    download_listener listener = nullptr;
};

download_state state;

uint32_t now_seconds()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

// A world path's scheme stays with its host: plain HTTP needs none.
void split_url(const std::string& url, std::string* host, std::string* path)
{
    std::string rest = url;
    std::string scheme;
    if (rest.compare(0, 7, "http://") == 0) {
        rest.erase(0, 7);
    } else if (rest.compare(0, 8, "https://") == 0) {
        rest.erase(0, 8);
        scheme = "https://";
    }
    size_t slash = rest.find('/');
    *host = scheme + rest.substr(0, slash);
    *path = slash == std::string::npos ? "" : rest.substr(slash + 1);
}

void set_cache_key(download_request* r, const std::string& text, size_t keep)
{
    r->cache_key.fill(' ');
    std::memcpy(r->cache_key.data(), text.data(), std::min(text.size(), keep));
}

download_request* add(download_request* r)
{
    if (!state.table)
        return nullptr;
    int existed = 0;
    void* slot = hash_insert(state.table, r->key.data(), r->key.size(), &existed);
    if (existed) {
        delete r;
        return nullptr;
    }
    *static_cast<download_request**>(slot) = r;
    return r;
}

void deallocate(download_request* r)
{
    if (log_download())
        log_write("download: deallocate (%s)", r->name.c_str());
    if (r->transfer)
        http_done(r->transfer);
    delete r;
}

database* open_misc()
{
    if (!state.misc_dates) {
        if (log_download())
            log_write("download: open_misc_db");
        std::string folder = state.art_root + "/misc";
        mkdir(folder.c_str(), 0755);
        state.misc_dates = database_open((folder + "/download").c_str(),
                                         static_cast<int>(misc_key_length),
                                         static_cast<int>(date_record_length), 4096, 4096, 1, 0);
    }
    return state.misc_dates;
}

database* date_store(const download_request* r)
{
    return r->absolute ? open_misc() : state.dates;
}

// The date record of the request's file: when it was checked last and the
// server's date of it.
bool get_date(const download_request* r, uint32_t* checked, std::string* date)
{
    if (log_download())
        log_write("download: get_date (%s)", r->name.c_str());
    database* store = date_store(r);
    std::array<uint8_t, date_record_length> record{};
    size_t length = 0;
    if (!store || !database_fetch(store, r->cache_key.data(), record.data(), record.size(), &length) ||
        length < date_record_length)
        return false;
    *checked = static_cast<uint32_t>(record[date_time_offset]) |
               static_cast<uint32_t>(record[date_time_offset + 1]) << 8 |
               static_cast<uint32_t>(record[date_time_offset + 2]) << 16 |
               static_cast<uint32_t>(record[date_time_offset + 3]) << 24;
    const char* text = reinterpret_cast<const char*>(record.data() + date_text_offset);
    *date = std::string(text, strnlen(text, date_text_length));
    return true;
}

// Stamps the file as checked now, with the server's date of it; a date too
// long for the record leaves the record as it was.
void update_cache(const download_request* r)
{
    if (log_download())
        log_write("download: update_cache (%s)", r->name.c_str());
    std::string date = r->transfer ? http_date(r->transfer) : "";
    if (log_download())
        log_write("date: %s", date.c_str());
    if (date.size() >= date_text_length)
        return;
    database* store = date_store(r);
    if (!store)
        return;
    std::array<uint8_t, date_record_length> record{};
    size_t length = 0;
    database_fetch(store, r->cache_key.data(), record.data(), record.size(), &length);
    uint32_t now = now_seconds();
    for (size_t i = 0; i < 4; ++i)
        record[date_time_offset + i] = static_cast<uint8_t>(now >> (8 * i));
    std::memset(record.data() + date_text_offset, 0, date_text_length);
    std::memcpy(record.data() + date_text_offset, date.data(), date.size());
    database_store(store, r->cache_key.data(), record.data(), record.size());
}

// Takes the request out of the table and hands its outcome to the
// requester; the request is freed afterwards. The received bytes stay the
// transfer's until then.
void finish(download_request* r, int result)
{
    hash_remove(state.table, r->key.data(), r->key.size());
    if (log_download())
        log_write("download: do_callback (%s, %d)", r->name.c_str(), result);
    if (result == download_received) {
        const unsigned char* data = r->transfer ? http_buffer(r->transfer) : nullptr;
        if (data && r->callback)
            r->callback(r->user, result, data, http_size(r->transfer));
    } else if (r->callback) {
        r->callback(r->user, result, nullptr, 0);
    }
    deallocate(r);
}

struct best_choice {
    download_request* request = nullptr;
    int score = 0;
};

int consider(void* user, const void* /*key*/, size_t /*key_length*/, void* data)
{
    auto* best = static_cast<best_choice*>(user);
    download_request* r = *static_cast<download_request**>(data);
    if (r->transfer)
        return 0;
    int score = r->references + (4 - r->priority) * 10;
    if (score > best->score) {
        best->score = score;
        best->request = r;
    }
    return 0;
}

download_request* choose()
{
    best_choice best;
    hash_iterate(state.table, consider, &best);
    return best.request;
}

void start_next()
{
    if (!state.table)
        return;
    if (log_download())
        log_write("download: start_next");
    uint32_t now = now_seconds();
    for (download_request*& slot : state.slot) {
        while (!slot) {
            download_request* r = choose();
            if (!r)
                return;
            http_request* transfer = nullptr;
            if (r->force) {
                transfer = http_get(r->host.c_str(), r->path.c_str());
            } else {
                uint32_t checked = 0;
                std::string date;
                if (get_date(r, &checked, &date)) {
                    // Checked lately: the cached copy is taken as current.
                    if (!r->ignore_refresh && now < checked + state.refresh_seconds) {
                        finish(r, download_current);
                        continue;
                    }
                    transfer = http_conditional_get(r->host.c_str(), r->path.c_str(), date.c_str());
                } else {
                    transfer = http_get(r->host.c_str(), r->path.c_str());
                }
            }
            // Even a transfer that could not start is judged by the next
            // update: a fast server may already have answered this one.
            r->transfer = transfer;
            if (r->absolute && r->limit_kb > 0)
                http_set_max(transfer, static_cast<uint32_t>(r->limit_kb) * 1024u);
            slot = r;
        }
    }
}

// What a finished transfer means for its request: a result, or -1 to try
// it again later.
int outcome(download_request* r, int rc)
{
    switch (rc) {
    case http_received:
        if (log_download())
            log_write("Download succeeded for %s", r->name.c_str());
        update_cache(r);
        return download_received;
    case http_not_modified:
        if (log_download())
            log_write("Download up to date for %s", r->name.c_str());
        update_cache(r);
        return download_current;
    case http_not_found:
        if (log_download())
            log_write("Download %s: file not found", r->name.c_str());
        update_cache(r);
        return download_failed;
    case http_timed_out:
        if (log_download())
            log_write("Download timed out for %s", r->name.c_str());
        return ++r->timeouts < stalls_allowed ? -1 : download_failed;
    default:
        if (log_download())
            log_write("Download failed for %s (%d)", r->name.c_str(), rc);
        return download_failed;
    }
}

int free_entry(void* /*user*/, const void* /*key*/, size_t /*key_length*/, void* data)
{
    deallocate(*static_cast<download_request**>(data));
    return 1;
}

}  // namespace

void download_init()
{
    state.art_root = std::string(main_directory()) + "/cache/art";
    std::error_code ignored;
    std::filesystem::create_directories(state.art_root, ignored);
    if (!state.table)
        state.table = hash_create(table_buckets, sizeof(download_request*));
}

void download_update()
{
    for (download_request*& slot : state.slot) {
        download_request* r = slot;
        if (!r)
            continue;
        int rc = http_rc(r->transfer);
        if (rc == http_running)
            continue;
        slot = nullptr;
        int result = outcome(r, rc);
        if (result < 0) {
            // Stalled: started again from the beginning when next chosen.
            http_done(r->transfer);
            r->transfer = nullptr;
            continue;
        }
        if (log_download())
            log_write("download result for %s: %d", r->name.c_str(), result);
        finish(r, result);
    }
    start_next();
    if (state.listener)
        state.listener();
}

void download_reset()
{
    state.slot.fill(nullptr);
    if (state.table)
        hash_iterate(state.table, free_entry, nullptr);
}

void download_term()
{
    download_reset();
    hash_destroy(state.table);
    state.table = nullptr;
    database_close(state.dates);
    state.dates = nullptr;
    database_close(state.misc_dates);
    state.misc_dates = nullptr;
}

download_request* download_file(const char* folder, const char* name, int priority,
                                download_callback callback, void* user)
{
    if (!state.path_set || !folder || !name)
        return nullptr;
    auto* r = new download_request;
    r->host = state.host;
    std::string file = std::string(folder) + "/" + name;
    r->path = state.path_part.empty() ? file : state.path_part + "/" + file;
    r->name = name;
    r->key = std::string(folder) + name;
    r->priority = priority;
    r->callback = callback;
    r->user = user;
    set_cache_key(r, file, art_key_length);
    return add(r);
}

download_request* download_url(const char* url, int limit_kb, download_callback callback,
                               void* user)
{
    if (!url || !std::strchr(url, '/'))
        return nullptr;
    auto* r = new download_request;
    split_url(url, &r->host, &r->path);
    size_t last = r->path.rfind('/');
    r->name = last == std::string::npos ? r->path : r->path.substr(last + 1);
    r->key = url;
    r->priority = 3;
    r->limit_kb = limit_kb;
    r->absolute = true;
    r->callback = callback;
    r->user = user;
    set_cache_key(r, r->path, r->path.size() < misc_key_length ? r->path.size() : misc_key_length - 1);
    return add(r);
}

void download_reference(download_request* request)
{
    if (request)
        ++request->references;
}

void download_dereference(download_request* request)
{
    if (request)
        --request->references;
}

download_request* download_force(download_request* request)
{
    if (request)
        request->force = true;
    return request;
}

void download_ignore_refresh(download_request* request)
{
    if (request)
        request->ignore_refresh = true;
}

void download_set_refresh(int minutes)
{
    state.refresh_seconds = static_cast<uint32_t>(std::max(minutes, 0)) * 60u;
}

int download_set_path(const char* object_path, int length)
{
    std::string path = object_path && length > 0 ? std::string(object_path, static_cast<size_t>(length))
                                                  : std::string(default_object_path);
    if (log_download())
        log_write("download_set_path (%s)", path.c_str());
    state.object_path = path;
    split_url(path, &state.host, &state.path_part);
    state.path_set = true;
    state.cache_folder = state.art_root + "/" + file_name_from_url(path.c_str());
    mkdir(state.cache_folder.c_str(), 0755);
    for (const char* folder : {"/models", "/textures", "/avatars", "/seqs", "/sounds"})
        mkdir((state.cache_folder + folder).c_str(), 0755);
    rw_set_texture_folder((state.cache_folder + "/textures").c_str());
    database_close(state.dates);
    state.dates = database_open((state.cache_folder + "/download").c_str(),
                                static_cast<int>(art_key_length),
                                static_cast<int>(date_record_length), 4096, 4096, 1, 0);
    std::string world = world_current_name();
    int changed = state.first || world != state.world ? 1 : 0;
    state.first = false;
    state.world = world;
    return changed;
}

const char* download_cache_path()
{
    return state.cache_folder.c_str();
}

const char* download_art_root()
{
    return state.art_root.c_str();
}

void download_set_listener(download_listener listener)
{
    state.listener = listener;
}

const char* download_slot_name(int slot)
{
    if (slot < 0 || slot >= slots || !state.slot[static_cast<size_t>(slot)])
        return "";
    return state.slot[static_cast<size_t>(slot)]->name.c_str();
}

const char* download_slot_state(int slot)
{
    if (slot < 0 || slot >= slots || !state.slot[static_cast<size_t>(slot)])
        return "";
    return http_state(state.slot[static_cast<size_t>(slot)]->transfer);
}

int download_count()
{
    return state.table ? hash_count(state.table) : 0;
}
