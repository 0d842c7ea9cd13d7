#include "people/avatar_registry.h"

void avatar_definitions_fetch()
{
}
