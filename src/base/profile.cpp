#include "base/profile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ini.h"
#include "base/log.h"
#include "base/scramble.h"

namespace {

constexpr size_t buffer_size = 128;
constexpr size_t buffer_count = 5;

struct profile_state {
    std::string path;
    std::array<std::array<char, buffer_size>, buffer_count> buffers{};
    size_t next_buffer = 0;
};

profile_state state;

bool read_file(std::string* text)
{
    std::ifstream in(state.path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *text = ss.str();
    return true;
}

// Writes through a temporary file and a rename, so that a crash during the
// write never leaves a half-written settings file behind.
void write_key(const char* section, const char* key, const char* value)
{
    std::string text;
    if (!read_file(&text))
        return;
    std::string updated = ini_put(text, section, key, value);
    std::string temp = state.path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return;
        out.write(updated.data(), static_cast<std::streamsize>(updated.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return;
        }
    }
    struct stat original {};
    if (stat(state.path.c_str(), &original) == 0)
        chmod(temp.c_str(), original.st_mode & 07777);
    if (std::rename(temp.c_str(), state.path.c_str()) != 0)
        std::remove(temp.c_str());
}

char* next_buffer()
{
    char* buffer = state.buffers[state.next_buffer].data();
    state.next_buffer = (state.next_buffer + 1) % buffer_count;
    return buffer;
}

// Reads the raw text of a key into a rotating buffer (at most 127 bytes).
char* read_string(const char* section, const char* key)
{
    char* buffer = next_buffer();
    buffer[0] = '\0';
    std::string text, value;
    if (read_file(&text) && ini_get(text, section, key, &value)) {
        size_t n = std::min(value.size(), buffer_size - 1);
        std::memcpy(buffer, value.data(), n);
        buffer[n] = '\0';
    }
    return buffer;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

int profile_init(const char* directory, const char* name)
{
    if (log_trace())
        log_write("profile_init");
    state.path = std::string(directory) + name;
    return access(state.path.c_str(), F_OK) == 0 ? 1 : 0;
}

const char* profile_path()
{
    return state.path.c_str();
}

int profile_int(const char* section, const char* key)
{
    int result = -1;
    std::string text, value;
    if (read_file(&text) && ini_get(text, section, key, &value)) {
        // Like the private-profile reader: the leading decimal number, 0
        // when there is none.
        errno = 0;
        long v = std::strtol(value.c_str(), nullptr, 10);
        if (errno == ERANGE || v > INT_MAX || v < INT_MIN)
            v = v < 0 ? INT_MIN : INT_MAX;
        result = static_cast<int>(v);
    }
    if (log_trace())
        log_write("profile_int (%s, %s): %d", section, key, result);
    return result;
}

void profile_set_int(const char* section, const char* key, int value)
{
    if (log_trace())
        log_write("profile_set_int (%s, %s, %d)", section, key, value);
    write_key(section, key, std::to_string(value).c_str());
}

const char* profile_string(const char* section, const char* key)
{
    const char* text = read_string(section, key);
    if (log_trace())
        log_write("profile_string (%s, %s): %s", section, key, text);
    return text;
}

void profile_set_string(const char* section, const char* key, const char* text)
{
    if (log_trace())
        log_write("profile_set_string (%s, %s, %s)", section, key, text);
    write_key(section, key, text ? text : "");
}

const char* profile_encrypted_string(const char* section, const char* key)
{
    char* buffer = read_string(section, key);
    size_t digits = std::strlen(buffer);
    size_t count = 0;
    for (size_t i = 0; i + 1 < digits; i += 2) {
        int hi = hex_digit(buffer[i]);
        int lo = hex_digit(buffer[i + 1]);
        // A digit that is not hexadecimal counts as 0.
        buffer[count++] = static_cast<char>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo));
    }
    unscramble(nullptr, 0, reinterpret_cast<uint8_t*>(buffer), count);
    buffer[count] = '\0';
    if (log_trace())
        log_write("profile_encrypted_string (%s, %s): %s", section, key, buffer);
    return buffer;
}

void profile_set_encrypted_string(const char* section, const char* key, const char* text)
{
    if (!text)
        text = "";
    if (log_trace())
        log_write("profile_set_encrypted_string (%s, %s, %s)", section, key, text);
    std::string bytes(text);
    scramble(nullptr, 0, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    std::string hex;
    hex.reserve(bytes.size() * 2);
    char pair[3];
    for (unsigned char b : bytes) {
        std::snprintf(pair, sizeof pair, "%2.2x", b);
        hex += pair;
    }
    if (log_trace())
        log_write("profile_set_encrypted_string (%s, %s, %s)", section, key, hex.c_str());
    write_key(section, key, hex.c_str());
}
