#include "log.h"

#include <cstdarg>
#include <cstdio>

namespace {

bool enabled = true;

}  // namespace

void server_log(const char* format, ...)
{
    if (!enabled)
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", line);
}

void server_log_enable(int on)
{
    enabled = on != 0;
}
