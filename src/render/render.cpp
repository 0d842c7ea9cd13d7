#include "render/render.h"

int render_open(const char* /*debug_prefix*/)
{
    return 0;
}

int render_out_of_memory()
{
    return 0;
}

void render_textures_advance()
{
}

void render_close()
{
}
