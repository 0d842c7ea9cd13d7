#include "net/telegram.h"

void telegram_update()
{
}

void telegram_close()
{
}

void telegram_universe_message(int /*id*/, int /*rc*/, const unsigned char* /*body*/, size_t /*length*/)
{
}

void telegram_init(QWidget* /*page*/)
{
}

void telegram_show()
{
}

void telegram_hide()
{
}
