#include "behavior/behavior.h"

#include "base/log.h"

void behavior_update()
{
}

void behavior_post(const char* command)
{
    if (log_trace())
        log_write("behavior_post (%s)", command);
}
