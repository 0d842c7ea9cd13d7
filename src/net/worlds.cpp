#include "net/worlds.h"

void worlds_update()
{
}

void worlds_universe_message(const universe_message& /*message*/)
{
}

void worlds_init(QWidget* /*page*/)
{
}

void worlds_show()
{
}

void worlds_hide()
{
}
