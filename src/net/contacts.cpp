#include "net/contacts.h"

void contacts_update()
{
}

void contacts_universe_message(int /*id*/, int /*rc*/, const unsigned char* /*body*/, size_t /*length*/)
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
