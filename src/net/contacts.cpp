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
