#include "net/worlds.h"

void worlds_update()
{
}

void worlds_universe_message(int /*id*/, int /*rc*/, const unsigned char* /*body*/, size_t /*length*/)
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
