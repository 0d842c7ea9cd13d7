#include "behavior/pdialog.h"

void pdialog_init()
{
}

void pdialog_universe_message(int /*id*/, int /*rc*/, const unsigned char* /*body*/, size_t /*length*/)
{
}
