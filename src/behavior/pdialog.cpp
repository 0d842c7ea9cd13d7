#include "behavior/pdialog.h"

void pdialog_init()
{
}

void pdialog_universe_message(const universe_message& /*message*/)
{
}
