#include "app/os.h"

#include <cstdarg>
#include <cstdio>

#include "base/msg.h"
#include "base/msgbox.h"

namespace {

bool showing = false;

}  // namespace

int os_init()
{
    return 1;
}

void os_error(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    showing = true;
    msgbox_show(msg(msg_product), text, msgbox_stop, msgbox_ok);
    showing = false;
}

int os_error_showing()
{
    return showing ? 1 : 0;
}
