#include "net/telegram.h"

void telegram_update()
{
}

void telegram_close()
{
}
