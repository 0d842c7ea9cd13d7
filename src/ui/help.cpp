#include "ui/help.h"

void help_init(QWidget* /*page*/)
{
}

void help_show()
{
}

void help_hide()
{
}

void help_open(const char* /*page*/)
{
}
