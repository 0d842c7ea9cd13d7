#include "world/visible.h"

#include "assets/model.h"

void visible_init()
{
}

void visible_update()
{
    model_flush();
}

void visible_reset()
{
}

void visible_invalidate(int /*cx*/, int /*cz*/)
{
}

void visible_consider(element* /*e*/)
{
}

int visible_ignore(rw_clump* /*clump*/, int* /*cx*/, int* /*cz*/, element** /*e*/)
{
    return 0;
}

element* visible_element(rw_clump* /*clump*/)
{
    return nullptr;
}

void visible_start(int /*cx*/, int /*cz*/)
{
}

element* visible_next()
{
    return nullptr;
}

void visible_reveal(int /*on*/)
{
}

int visible_revealing()
{
    return 0;
}

void visible_toggle()
{
}

const visible_offset* visible_table()
{
    return nullptr;
}

int visible_range()
{
    return 0;
}

int visible_range_metres()
{
    return 0;
}

int visible_cells_loaded()
{
    return 0;
}
