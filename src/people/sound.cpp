#include "people/sound.h"

#include "base/log.h"

void sound_init()
{
}

void sound_update()
{
}

void sound_reset()
{
}

void sound_term()
{
}

void sound_register(const char* name)
{
    if (log_trace())
        log_write("sound_register (%s)", name);
}

void sound_object(element* /*e*/, const char* name)
{
    if (log_trace())
        log_write("sound_object (%s)", name);
}

void sound_noise(const char* name)
{
    if (log_trace())
        log_write("sound_noise (%s)", name);
}
