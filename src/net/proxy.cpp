#include "net/proxy.h"

#include <cstdlib>
#include <string>

#include "assets/http.h"
#include "base/log.h"
#include "base/profile.h"

namespace {

std::string text;

void build(const std::string& address, int port)
{
    text = address + ":" + std::to_string(static_cast<uint16_t>(port));
}

}  // namespace

void proxy_init()
{
    std::string address = profile_string("proxy", "address");
    text.clear();
    if (!address.empty())
        build(address, profile_int("proxy", "port"));
    if (log_trace())
        log_write("proxy_init: %s", text.c_str());
}

const char* proxy_text()
{
    return text.empty() ? nullptr : text.c_str();
}

int proxy_apply(int use, const char* address, const char* port)
{
    if (!use) {
        text.clear();
        profile_set_string("proxy", "address", "");
    } else {
        char* end = nullptr;
        long number = std::strtol(port ? port : "", &end, 10);
        if (!port || !*port || *end)
            return 1;
        std::string host(address ? address : "");
        if (host.size() > 255)
            host.resize(255);
        build(host, static_cast<int>(number));
        profile_set_string("proxy", "address", host.c_str());
        profile_set_int("proxy", "port", static_cast<uint16_t>(number));
    }
    http_proxy_changed();
    return 0;
}
