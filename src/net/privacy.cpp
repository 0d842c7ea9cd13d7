#include "net/privacy.h"

void privacy_init()
{
}
