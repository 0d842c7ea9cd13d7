#include "people/console.h"

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <string>

#include "base/log.h"
#include "people/console_window.h"

namespace {

constexpr size_t kept_lines = 1000;

std::deque<std::string> lines;

}  // namespace

int console_init()
{
    console_window_create();
    return 0;
}

void console_print(int kind, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (log_trace())
        log_write("console_print (%d, %s)", kind, text);
    lines.emplace_back(text);
    console_window_append(text);
    if (lines.size() > kept_lines)
        lines.pop_front();
}

int console_line_count()
{
    return static_cast<int>(lines.size());
}

const char* console_line(int index)
{
    if (index < 0 || index >= static_cast<int>(lines.size()))
        return "";
    return lines[static_cast<size_t>(index)].c_str();
}

void console_term()
{
    lines.clear();
    console_window_clear();
}
