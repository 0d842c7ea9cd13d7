#include "base/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/hash.h"
#include "base/log.h"

namespace {

constexpr int cache_buckets = 503;

hash_table* known = nullptr;
std::string basename_buffer;

hash_table* cache()
{
    if (!known)
        known = hash_create(cache_buckets, 0);
    return known;
}

// Whether one of the program's open file descriptors is the file: a store
// keeps its file open for as long as it is in use.
bool held_open(const struct stat& file)
{
    DIR* fds = opendir("/proc/self/fd");
    if (!fds)
        return false;
    bool held = false;
    while (dirent* entry = readdir(fds)) {
        struct stat st {};
        if (entry->d_name[0] != '.' && fstatat(dirfd(fds), entry->d_name, &st, 0) == 0 &&
            st.st_dev == file.st_dev && st.st_ino == file.st_ino) {
            held = true;
            break;
        }
    }
    closedir(fds);
    return held;
}

}  // namespace

int file_exists(const char* path)
{
    if (log_disk())
        log_write("file_exists (%s)", path);
    size_t n = std::strlen(path);
    if (hash_find(cache(), path, n))
        return 1;
    struct stat st {};
    if (stat(path, &st) != 0)
        return 0;
    hash_insert(cache(), path, n, nullptr);
    return 1;
}

int file_delete(const char* path)
{
    if (log_disk())
        log_write("file_delete (%s)", path);
    // A file the program holds open is not deleted: the name would go
    // while its user went on with a file that no longer has one.
    struct stat st {};
    if (stat(path, &st) == 0 && held_open(st))
        return 1;
    if (unlink(path) != 0)
        return 1;
    hash_remove(cache(), path, std::strlen(path));
    return 0;
}

int file_store(const char* path, const void* bytes, size_t length)
{
    if (log_disk())
        log_write("file_store (%s)", path);
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return 1;
    size_t written = length ? std::fwrite(bytes, 1, length, f) : 0;
    bool closed = std::fclose(f) == 0;
    if (written != length || !closed) {
        file_delete(path);
        return 3;
    }
    return 0;
}

int file_read(const char* path, uint8_t** buffer, size_t* length)
{
    if (log_disk())
        log_write("file_read (%s)", path);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return 2;
    }
    auto size = static_cast<size_t>(st.st_size);
    auto* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    size_t got = 0;
    while (bytes && got < size) {
        ssize_t n = read(fd, bytes + got, size - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (!bytes || got != size) {
        std::free(bytes);
        return 2;
    }
    *buffer = bytes;
    *length = size;
    return 0;
}

void file_touch(const char* path)
{
    if (log_disk())
        log_write("file_touch (%s)", path);
    utimensat(AT_FDCWD, path, nullptr, 0);
}

std::string file_name_from_url(const char* text)
{
    if (log_disk())
        log_write("file_name_from_url (%s)", text);
    std::string name(text);
    for (char& c : name) {
        if (std::strchr("\"*/:;<>?\\|", c) && c)
            c = '-';
        else
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

const char* file_basename(const char* path)
{
    if (log_disk())
        log_write("file_basename (%s)", path);
    basename_buffer = path;
    size_t dot = basename_buffer.find('.');
    if (dot != std::string::npos)
        basename_buffer.resize(dot);
    return basename_buffer.c_str();
}

void file_term()
{
    hash_destroy(known);
    known = nullptr;
}
