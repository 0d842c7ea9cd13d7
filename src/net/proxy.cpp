#include "net/proxy.h"

void proxy_init()
{
}
