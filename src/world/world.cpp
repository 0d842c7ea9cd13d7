#include "world/world.h"

#include <string>

namespace {

struct world_state {
    std::string object_password;
};

world_state state;

}  // namespace

int world_init()
{
    return 0;
}

void world_update()
{
}

void world_term()
{
}

const char* world_current_name()
{
    return "";
}

void world_options()
{
}

int world_avatar()
{
    return 0;
}

void world_set_avatar(int /*number*/)
{
}

const char* world_object_password()
{
    return state.object_password.c_str();
}

void world_set_object_password(const char* password)
{
    state.object_password = password ? password : "";
}
