#include "net/telegram.h"

void telegram_update()
{
}

void telegram_close()
{
}

void telegram_universe_message(const universe_message& /*message*/)
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
