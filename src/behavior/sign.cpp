#include "behavior/sign.h"

#include "base/log.h"

void sign_init()
{
}

void sign_update()
{
}

void sign_draw(element* /*e*/, const char* text, uint32_t color, uint32_t bcolor)
{
    if (log_trace())
        log_write("sign_draw (%s, %06x, %06x)", text, color, bcolor);
}
