#include "ui/upgrade.h"

void check_for_new_upgrade()
{
}
