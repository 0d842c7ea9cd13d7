#include "people/chat.h"

void chat_update()
{
}

void chat_forward_char(int /*character*/)
{
}
