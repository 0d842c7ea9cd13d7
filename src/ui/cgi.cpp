#include "ui/cgi.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "base/log.h"
#include "behavior/behavior.h"

namespace {

// A passed-on command line is kept to 255 bytes, as the hand-off always was.
constexpr size_t max_path = 255;
constexpr size_t max_line = 255;

std::string pending;

void keep(const char* command_line)
{
    pending.assign(command_line ? command_line : "");
    if (pending.size() > max_path)
        pending.resize(max_path);
}

}  // namespace

void cgi_init(const char* command_line)
{
    if (log_trace())
        log_write("cgi_init (%s)", command_line ? command_line : "");
    if (command_line && *command_line)
        keep(command_line);
}

void cgi_receive(const char* command_line)
{
    if (log_trace())
        log_write("cgi_receive (%s)", command_line ? command_line : "");
    keep(command_line);
}

void cgi_update()
{
    if (pending.empty())
        return;
    std::string path;
    path.swap(pending);
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return;
    char line[max_line + 1] = {};
    if (std::fgets(line, sizeof line, file)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (strncasecmp(line, "teleport", 8) == 0) {
            line[std::strcspn(line, ",")] = '\0';
            behavior_post(line);
        }
    }
    std::fclose(file);
}

void cgi_term()
{
    pending.clear();
}
