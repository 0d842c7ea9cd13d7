#include "people/chat.h"

void chat_update()
{
}
