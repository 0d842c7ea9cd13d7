#include "assets/http.h"

int http_init(int /*timeout_ms*/)
{
    return 0;
}

void http_update()
{
}

void http_term()
{
}

void http_proxy_changed()
{
}
