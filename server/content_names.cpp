#include "content_names.h"

#include <strings.h>

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The entry of `folder` named `name`, as written or else in another case.
std::optional<std::string> entry_of(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    if (fs::exists(fs::symlink_status(folder / name, ec)))
        return std::string(name);
    std::optional<std::string> best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (same_ignoring_case(candidate, name) && (!best || candidate < *best))
            best = candidate;
    }
    return best;
}

}  // namespace

int content_names_find(const std::string& root, std::string_view relative, std::string* found)
{
    fs::path path(root);
    size_t at = 0;
    while (at <= relative.size()) {
        size_t end = relative.find('/', at);
        if (end == std::string_view::npos)
            end = relative.size();
        std::string_view segment = relative.substr(at, end - at);
        at = end + 1;
        if (segment.empty())
            continue;
        std::optional<std::string> entry = entry_of(path, segment);
        if (!entry)
            return 1;
        path /= *entry;
    }
    *found = path.string();
    return 0;
}
