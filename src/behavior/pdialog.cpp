#include "behavior/pdialog.h"

void pdialog_init()
{
}
