#include "behavior/picture.h"

#include "base/log.h"

void picture_init()
{
}

void picture_update()
{
}

void picture_reset()
{
}

void picture_request(const char* address)
{
    if (log_trace())
        log_write("picture_request (%s)", address);
}

void picture_show(element* /*e*/, const char* address, int update)
{
    if (log_trace())
        log_write("picture_show (%s, %d)", address, update);
}
