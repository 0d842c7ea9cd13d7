#include "net/login.h"

int login_init()
{
    return 0;
}
