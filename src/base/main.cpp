#include "base/main.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct main_state {
    std::string directory;
    int kiosk = 0;
    int three_d_ready = 0;
    int quitting = 0;
    main_hooks hooks{};
};

main_state state;

}  // namespace

const char* main_directory()
{
    return state.directory.c_str();
}

void main_set_directory(const char* directory)
{
    state.directory = directory ? directory : "";
}

int main_kiosk()
{
    return state.kiosk;
}

void main_set_kiosk(int kiosk)
{
    state.kiosk = kiosk ? 1 : 0;
}

int main_three_d_ready()
{
    return state.three_d_ready;
}

void main_set_three_d_ready(int ready)
{
    state.three_d_ready = ready ? 1 : 0;
}

int main_quitting()
{
    return state.quitting;
}

void main_quit()
{
    state.quitting = 1;
    if (state.hooks.quit)
        state.hooks.quit();
}

void main_abort(const char* message)
{
    int code = 1;
    if (state.hooks.abort)
        code = state.hooks.abort(message);
    else if (message)
        std::fprintf(stderr, "vireo: %s\n", message);
    std::fflush(nullptr);
    // Everything on the stack below this call is left to the end of the
    // process.
    std::_Exit(code);
}

void main_reset()
{
    if (state.hooks.reset)
        state.hooks.reset();
}

void main_set_hooks(const main_hooks& hooks)
{
    state.hooks = hooks;
}
