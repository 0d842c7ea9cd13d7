#include "base/msg.h"

#include <array>
#include <cstdarg>
#include <cstdio>

#include "base/string_table.h"

namespace {

constexpr size_t buffer_size = 512;
constexpr size_t buffer_count = 4;

std::array<std::array<char, buffer_size>, buffer_count> buffers{};
size_t next_buffer = 0;

char* take_buffer()
{
    char* buffer = buffers[next_buffer].data();
    next_buffer = (next_buffer + 1) % buffer_count;
    return buffer;
}

}  // namespace

const char* msg(int id, ...)
{
    char* buffer = take_buffer();
    const char* format = string_table_get(id);
    if (!format) {
        std::snprintf(buffer, buffer_size, "string %d", id);
        return buffer;
    }
    va_list args;
    va_start(args, id);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::vsnprintf(buffer, buffer_size, format, args);
#pragma GCC diagnostic pop
    va_end(args);
    return buffer;
}

const char* msg_format(const char* format, ...)
{
    char* buffer = take_buffer();
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, buffer_size, format, args);
    va_end(args);
    return buffer;
}
