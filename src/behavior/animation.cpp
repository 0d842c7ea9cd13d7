#include "behavior/animation.h"

#include "base/log.h"

void animation_update()
{
}

void animation_preload(const char* base, int pictures, int masked)
{
    if (log_trace())
        log_write("animation_preload (%s, %d, %d)", base, pictures, masked);
}

void animation_create(element* /*e*/, int tag, int masked, const char* base, int pictures,
                      const int* frames, int frame_count, int delay)
{
    if (log_trace())
        log_write("animation_create (%d, %d, %s, %d, %s, %d, %d)", tag, masked, base, pictures,
                  frames ? "listed" : "in order", frame_count, delay);
}

void animation_start(element* /*e*/, int loop)
{
    if (log_trace())
        log_write("animation_start (%d)", loop);
}

void animation_stop(element* /*e*/)
{
    if (log_trace())
        log_write("animation_stop");
}

void animation_frame(element* /*e*/, int relative, int value)
{
    if (log_trace())
        log_write("animation_frame (%d, %d)", relative, value);
}
