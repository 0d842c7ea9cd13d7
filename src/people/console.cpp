#include "people/console.h"

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <string>

#include "base/log.h"

namespace {

constexpr size_t kept_lines = 1000;

std::deque<std::string> lines;
console_view view{};

}  // namespace

void console_set_view(const console_view& shown)
{
    view = shown;
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
    if (view.append)
        view.append(text);
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
    if (view.clear)
        view.clear();
}
