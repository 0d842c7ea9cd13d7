// vireo-server's HTTP request heads on any bytes: the parser never reads
// past the input, a finished head never ends early when the same bytes come
// split, and what the path mapping accepts never leaves the content
// directory. The bytes are also read as a date, which must survive being
// written and read again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "http_wire.h"

namespace {

void check_path(const std::string& path)
{
    std::string relative;
    if (hs_path_resolve(path, &relative) != 0)
        return;
    if (relative.starts_with('/') || relative.ends_with('/') ||
        relative.find('\0') != std::string::npos || relative.find('\\') != std::string::npos ||
        relative.find("//") != std::string::npos)
        std::abort();
    std::string_view rest = relative;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view segment = rest.substr(0, slash);
        if (segment.empty() || segment.front() == '.')
            std::abort();
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
}

void check_date(std::string_view text)
{
    int64_t seconds = 0;
    if (hs_date_parse(text, &seconds) != 0)
        return;
    std::string written = hs_date_format(seconds);
    int64_t again = 0;
    if (hs_date_parse(written, &again) != 0 || again != seconds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    check_date(std::string_view(text, size));

    hs_request request;
    size_t used = 0;
    int status = hs_request_parse(text, size, &request, &used);
    if (status == hs_parse_more)
        return 0;
    if (status != hs_parse_done) {
        if (status != 400 && status != 414 && status != 431 && status != 505)
            std::abort();
        return 0;
    }
    if (used == 0 || used > size || request.path.empty() || request.path.front() != '/')
        std::abort();
    // The same head cut short is never taken as complete.
    for (size_t cut : {used - 1, used / 2}) {
        hs_request part;
        size_t part_used = 0;
        if (hs_request_parse(text, cut, &part, &part_used) == hs_parse_done)
            std::abort();
    }
    check_path(request.path);
    std::string line;
    if (request.has_query && hs_teleport_line(request.query, &line) == 0 &&
        (!line.starts_with("teleport ") || line.find_first_of("\r\n_") != std::string::npos))
        std::abort();
    hs_response response;
    response.status = 200;
    response.content_length = size;
    response.content_type = hs_content_type(request.path);
    std::string head = hs_response_head(response, 0);
    if (!head.ends_with("\r\n\r\n"))
        std::abort();
    return 0;
}
