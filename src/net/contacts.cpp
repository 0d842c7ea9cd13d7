#include "net/contacts.h"

void contacts_update()
{
}
