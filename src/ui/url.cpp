#include "ui/url.h"

void url_init(const char* /*browser*/)
{
}

void url_term()
{
}
