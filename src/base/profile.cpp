#include "base/profile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ini.h"
#include "base/log.h"
#include "base/scramble.h"
#include "base/text.h"

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
// write never leaves a half-written settings file behind. The file holds
// the user's password, so only its owner may read what is written.
void write_key(const char* section, const char* key, const char* value)
{
    std::string text;
    if (!read_file(&text))
        return;
    std::string updated = ini_put(text, section, key, value);
    std::string temp = state.path + ".new";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    size_t written = 0;
    while (written < updated.size()) {
        ssize_t n = write(fd, updated.data() + written, updated.size() - written);
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    // An older file, or one made by hand, may allow others more.
    bool ok = fchmod(fd, 0600) == 0 && written == updated.size();
    ok = close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), state.path.c_str()) != 0)
        std::remove(temp.c_str());
}

// Values of password keys never reach the log.
bool password_key(const char* key)
{
    return strncasecmp(key, "pass", 4) == 0;
}

const char* logged_value(const char* key, const char* value)
{
    return password_key(key) ? "***" : value;
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
        log_write("profile_string (%s, %s): %s", section, key, logged_value(key, text));
    return text;
}

void profile_set_string(const char* section, const char* key, const char* text)
{
    if (log_trace())
        log_write("profile_set_string (%s, %s, %s)", section, key, logged_value(key, text));
    write_key(section, key, text ? text : "");
}

const char* profile_encrypted_string(const char* section, const char* key)
{
    char* buffer = read_string(section, key);
    size_t digits = std::strlen(buffer);
    size_t count = 0;
    for (size_t i = 0; i + 1 < digits; i += 2) {
        int hi = text_hex_digit(buffer[i]);
        int lo = text_hex_digit(buffer[i + 1]);
        // A digit that is not hexadecimal counts as 0.
        buffer[count++] = static_cast<char>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo));
    }
    unscramble(nullptr, 0, reinterpret_cast<uint8_t*>(buffer), count);
    buffer[count] = '\0';
    // A scrambled value is a secret whatever its key's name.
    if (log_trace())
        log_write("profile_encrypted_string (%s, %s): ***", section, key);
    return buffer;
}

void profile_set_encrypted_string(const char* section, const char* key, const char* text)
{
    if (!text)
        text = "";
    if (log_trace())
        log_write("profile_set_encrypted_string (%s, %s, ***)", section, key);
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
        log_write("profile_set_encrypted_string (%s, %s, ***)", section, key);
    write_key(section, key, hex.c_str());
}
