#include "net/contacts.h"

void contacts_update()
{
}

void contacts_universe_message(const universe_message& /*message*/)
{
}

void contacts_resend()
{
}

void contacts_init(QWidget* /*page*/)
{
}

void contacts_show()
{
}

void contacts_hide()
{
}
