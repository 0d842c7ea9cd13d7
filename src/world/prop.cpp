#include "world/prop.h"

void prop_init()
{
}

void prop_update()
{
}

void prop_term()
{
}

void prop_reset()
{
}

void prop_toggle_cache()
{
}

int prop_add(const element* /*e*/)
{
    return 1;
}

int prop_change(int /*old_cx*/, int /*old_cz*/, const element* /*e*/)
{
    return 1;
}

int prop_delete(int /*cx*/, int /*cz*/, int /*number*/)
{
    return 1;
}

int prop_query(int /*sx*/, int /*sz*/)
{
    return 1;
}

int prop_options_read(prop_options_callback /*callback*/)
{
    return 1;
}

int prop_options_write(const uint8_t* /*data*/, size_t /*length*/)
{
    return 1;
}

int prop_eject(uint32_t /*target*/, uint32_t /*seconds*/, prop_eject_callback /*callback*/)
{
    return 1;
}

int prop_query_outstanding()
{
    return 0;
}

int prop_queries_sent()
{
    return 0;
}

int prop_pending()
{
    return 0;
}
