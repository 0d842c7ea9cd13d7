// The action reader on any bytes: every slice of the program lies within
// the text read, every clause's commands and every command's numbers lie
// within the program, and reading the same text again gives the same
// program shape.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "behavior/action.h"

namespace {

void check_slice(action_text t, size_t length)
{
    if (t.offset + t.length > length)
        std::abort();
}

void check(const action_program& p, size_t length)
{
    length = length < action_limit ? length : action_limit;
    check_slice(p.old_sound, length);
    for (const action_clause& c : p.clauses) {
        if (c.first + c.count > p.commands.size() || c.trigger > action_no_trigger)
            std::abort();
    }
    for (const action_command& c : p.commands) {
        for (action_text t : {c.word, c.target, c.rest, c.color, c.bcolor})
            check_slice(t, length);
        size_t wanted = c.code == action_teleport || c.code == action_warp ? 4
                        : c.code == action_animate                        ? 4u + c.count
                        : c.code == action_frame || c.code == action_picture ? 1
                                                                              : 0;
        if (c.code > action_picture || c.numbers + wanted > p.numbers.size())
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    action_program first, again, command;
    action_parse(text, size, &first);
    check(first, size);
    action_parse(text, size, &again);
    if (again.clauses.size() != first.clauses.size() ||
        again.commands.size() != first.commands.size() ||
        again.numbers.size() != first.numbers.size())
        std::abort();
    action_parse_command(text, size, &command);
    check(command, size);
    if (command.clauses.size() != 1 || command.commands.size() > 1)
        std::abort();
    return 0;
}
