#include "app/disk.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/file.h"
#include "base/log.h"
#include "base/main.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/settings.h"

namespace {

constexpr uint32_t first_scan_ms = 30000;
constexpr uint32_t scan_interval_ms = 900000;
constexpr uint32_t budget_ms = 50;
constexpr int64_t megabyte = 1048576;

struct folder {
    DIR* listing;
    bool empty;
    std::string path;
};

struct file_record {
    time_t written;
    int64_t size;
    std::string path;
};

struct disk_state {
    int phase = disk_idle;
    uint32_t next_scan = 0;
    int limit = 50;
    int delete_days = 0;
    std::vector<folder> stack;
    std::vector<file_record> files;
    int64_t total = 0;
    int64_t last_total = -1;
    size_t next_record = 0;
    std::string root;
    std::string art_cache;
    std::string world_cache;
};

disk_state state;

bool reached(uint32_t now, uint32_t when)
{
    return static_cast<int32_t>(now - when) >= 0;
}

void start_scan()
{
    state.files.clear();
    state.total = 0;
    state.root = std::string(main_directory()) + "/cache";
    state.art_cache = state.root + "/art";
    state.world_cache = state.root + "/property";
    if (DIR* d = opendir(state.root.c_str()))
        state.stack.push_back({d, true, state.root});
    state.phase = disk_scanning;
    if (log_disk())
        log_write("disk: scan of %s", state.root.c_str());
}

void end_folder()
{
    folder done = state.stack.back();
    state.stack.pop_back();
    closedir(done.listing);
    // An empty folder below the root goes, unless the art or world cache
    // keeps it for later.
    if (done.empty && !state.stack.empty() &&
        done.path.find(state.art_cache) == std::string::npos &&
        done.path.find(state.world_cache) == std::string::npos) {
        if (rmdir(done.path.c_str()) == 0 && log_disk())
            log_write("disk: removed %s", done.path.c_str());
    }
    if (state.stack.empty()) {
        std::sort(state.files.begin(), state.files.end(),
                  [](const file_record& a, const file_record& b) { return a.written < b.written; });
        state.next_record = 0;
        state.phase = disk_trimming;
    }
}

// One directory entry.
void scan_step()
{
    if (state.stack.empty()) {
        state.phase = disk_trimming;
        return;
    }
    folder& top = state.stack.back();
    dirent* entry = readdir(top.listing);
    if (!entry) {
        end_folder();
        return;
    }
    std::string name = entry->d_name;
    if (name == "." || name == "..")
        return;
    std::string path = top.path + "/" + name;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        top.empty = false;
        if (DIR* d = opendir(path.c_str()))
            state.stack.push_back({d, true, path});
        return;
    }
    top.empty = false;
    if (!S_ISREG(st.st_mode))
        return;
    time_t now = std::time(nullptr);
    if (state.delete_days > 0 && (now - st.st_mtime) / 86400 >= state.delete_days) {
        file_delete(path.c_str());
        return;
    }
    state.total += st.st_size;
    state.files.push_back({st.st_mtime, st.st_size, path});
}

// One deletion at most.
void trim_step()
{
    if (state.limit == 0 || state.total < state.limit * megabyte ||
        state.next_record >= state.files.size()) {
        state.phase = disk_finished;
        state.last_total = state.total;
        state.files.clear();
        state.files.shrink_to_fit();
        return;
    }
    const file_record& r = state.files[state.next_record++];
    struct stat st {};
    // A file used since the scan (its time moved on) stays.
    if (stat(r.path.c_str(), &st) == 0 && st.st_mtime == r.written && file_delete(r.path.c_str()) == 0)
        state.total -= r.size;
}

}  // namespace

void disk_term()
{
    for (folder& f : state.stack)
        closedir(f.listing);
    state = disk_state{};
}

void disk_init()
{
    disk_term();
    state.limit = settings_int("disk", "limit");
    state.delete_days = settings_int("disk", "delete");
    state.next_scan = clock_ms() + first_scan_ms;
}

void disk_update()
{
    uint32_t start = clock_ms();
    if (state.phase == disk_idle && !reached(start, state.next_scan))
        return;
    do {
        switch (state.phase) {
        case disk_idle:
            start_scan();
            break;
        case disk_scanning:
            scan_step();
            break;
        case disk_trimming:
            trim_step();
            break;
        default:
            break;
        }
    } while (state.phase != disk_finished && clock_ms() - start < budget_ms);
    if (state.phase == disk_finished) {
        state.phase = disk_idle;
        state.next_scan = clock_ms() + scan_interval_ms;
        if (log_disk())
            log_write("disk: %lld bytes kept", static_cast<long long>(state.last_total));
    }
}

int disk_phase()
{
    return state.phase;
}

int64_t disk_total()
{
    return state.last_total;
}

int disk_limit()
{
    return state.limit;
}

int disk_delete_days()
{
    return state.delete_days;
}

void disk_apply(int limited, int megabytes, int deleting, int days)
{
    int limit = limited ? std::clamp(megabytes, 20, 999) : 0;
    if (limit != 0 && (state.limit == 0 || limit < state.limit))
        state.next_scan = clock_ms();
    state.limit = limit;
    profile_set_int("disk", "limit", limit);

    int age = deleting ? std::clamp(days, 1, 180) : 0;
    if (age != 0 && (state.delete_days == 0 || age < state.delete_days))
        state.next_scan = clock_ms();
    state.delete_days = age;
    profile_set_int("disk", "delete", age);
}

const char* disk_usage_text()
{
    if (state.last_total >= 0 && state.phase == disk_idle)
        return msg(63, static_cast<double>(state.last_total) / megabyte);
    return msg(64);
}
