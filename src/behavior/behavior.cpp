#include "behavior/behavior.h"

#include <string>

#include "base/log.h"
#include "base/text.h"
#include "presence/teleport.h"
#include "world/element.h"

namespace {

// The one command posted to run on the next frame, and whether a bump
// clause asked the collision test to stop.
struct behavior_state {
    std::string posted;
    bool stop = false;
};

behavior_state state;

const char* const trigger_words[] = {"create", "activate", "bump", "adone"};

// Splits at `separator` outside quoted strings.
template <typename F>
void split(const std::string& text, char separator, F each)
{
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"')
            quoted = !quoted;
        if (i == text.size() || (text[i] == separator && !quoted)) {
            each(text.substr(start, i - start));
            start = i + 1;
        }
    }
}

// Runs one command of a clause. Only the commands that move the user run
// so far; the others are logged.
void run_command(const std::string& command, int trigger)
{
    size_t end = command.find_first_of(" \t");
    std::string verb = text_lower(command.substr(0, end));
    std::string rest(end == std::string::npos ? "" : text_trim(command.substr(end)));
    if ((verb == "teleport" || verb == "warp") && trigger != behavior_create) {
        if (trigger == behavior_bump) {
            behavior_post((verb + " " + rest).c_str());
            state.stop = true;
        } else if (verb == "teleport") {
            teleport_execute(rest.c_str());
        } else {
            teleport_warp(rest.c_str());
        }
    } else if (log_trace()) {
        log_write("behavior: command not run: %s", command.c_str());
    }
}

}  // namespace

void behavior_update()
{
    if (state.posted.empty())
        return;
    std::string command = std::move(state.posted);
    state.posted.clear();
    size_t end = command.find_first_of(" \t");
    std::string verb = text_lower(command.substr(0, end));
    std::string rest = end == std::string::npos ? "" : command.substr(end + 1);
    if (verb == "teleport")
        teleport_execute(rest.c_str());
    else if (verb == "warp")
        teleport_warp(rest.c_str());
    else if (log_trace())
        log_write("behavior: posted command not run: %s", command.c_str());
}

void behavior_post(const char* command)
{
    if (log_trace())
        log_write("behavior_post (%s)", command);
    state.posted = command ? command : "";
}

int behavior_trigger(element* e, int trigger)
{
    if (!e || trigger < behavior_create || trigger > behavior_adone)
        return 0;
    if (log_trace())
        log_write("behavior_trigger (%s)", trigger_words[trigger]);
    bool ran = false;
    split(element_action(e), ';', [&](const std::string& clause) {
        std::string c(text_trim(clause));
        size_t end = c.find_first_of(" \t");
        if (ran || text_lower(c.substr(0, end)) != trigger_words[trigger])
            return;
        ran = true;
        if (end != std::string::npos)
            split(c.substr(end), ',', [&](const std::string& command) {
                run_command(std::string(text_trim(command)), trigger);
            });
    });
    return ran ? 1 : 0;
}

int behavior_take_stop()
{
    bool stop = state.stop;
    state.stop = false;
    return stop ? 1 : 0;
}
