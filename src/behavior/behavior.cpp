#include "behavior/behavior.h"

#include <cctype>
#include <string>

#include "base/log.h"
#include "presence/teleport.h"

namespace {

// The one command posted to run on the next frame.
struct behavior_state {
    std::string posted;
};

behavior_state state;

}  // namespace

void behavior_update()
{
    if (state.posted.empty())
        return;
    std::string command = std::move(state.posted);
    state.posted.clear();
    size_t end = command.find_first_of(" \t");
    std::string verb = command.substr(0, end);
    for (char& c : verb)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string rest = end == std::string::npos ? "" : command.substr(end + 1);
    if (verb == "teleport")
        teleport_execute(rest.c_str());
    else if (log_trace())
        log_write("behavior: posted command not run: %s", command.c_str());
}

void behavior_post(const char* command)
{
    if (log_trace())
        log_write("behavior_post (%s)", command);
    state.posted = command ? command : "";
}
