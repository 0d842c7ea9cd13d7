#include "people/chat.h"

int chat_init()
{
    return 0;
}

void chat_update()
{
}

void chat_forward_char(int /*character*/)
{
}
