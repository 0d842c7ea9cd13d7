#include "world_config.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "log.h"
#include "text.h"

// Slots 14, 16, 17 and 21 depend on who asks and have no key.
const world_config_key world_config_keys[] = {
    {"caretakers", -1},        {"title", 0},
    {"backdrop", 1},           {"ground", 2},
    {"object-path", 3},        {"extra", 4},
    {"object-refresh", 5},     {"build", 6},
    {"eminent-domain", 7},     {"enter", 8},
    {"special-actions", 9},    {"special-objects", 10},
    {"backdrop-red", 11},      {"backdrop-green", 12},
    {"backdrop-blue", 13},     {"restricted-radius", 15},
    {"public-speakers", 18},   {"cache-stamp", 19},
    {"home-page", 20},         {"object-password", 22},
    {"disable-create-url", 23},
};
const size_t world_config_key_count = std::size(world_config_keys);

namespace {

constexpr size_t value_max = 255;
constexpr size_t field_count = 8;

bool rights_list(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == ' ' || c == ',' || c == '*';
    });
}

bool read_double(std::string_view text, double* value)
{
    text = server_text_trim(text);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
        std::isfinite(*value);
}

bool read_file(const std::filesystem::path& path, std::string* text, bool* present)
{
    std::error_code ec;
    *present = std::filesystem::exists(path, ec);
    if (!*present)
        return true;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    *text = out.str();
    return static_cast<bool>(in);
}

}  // namespace

world_settings world_config_defaults()
{
    world_settings settings;
    settings.attributes.value[8] = "*";
    settings.attributes.set[8] = true;
    return settings;
}

int world_config_parse(std::string_view text, world_settings* settings, std::string* error)
{
    return server_text_each_line(text, [&](std::string_view line) {
        line = server_text_trim(line);
        size_t blank = line.find_first_of(" \t");
        std::string_view key = line.substr(0, blank);
        std::string_view value =
            blank == std::string_view::npos ? std::string_view() : server_text_trim(line.substr(blank));
        const world_config_key* found = std::find_if(
            world_config_keys, world_config_keys + world_config_key_count,
            [&](const world_config_key& k) { return key == k.name; });
        if (found == world_config_keys + world_config_key_count) {
            *error = "unknown key " + std::string(key);
            return false;
        }
        if (value.size() > value_max) {
            *error = "a value is at most 255 characters";
            return false;
        }
        bool rights = found->slot < 0 || (found->slot >= 6 && found->slot <= 10) ||
            found->slot == 18;
        if (rights && !rights_list(value)) {
            *error = "a rights list holds citizen numbers, \"*\", blanks and commas";
            return false;
        }
        if (found->slot < 0) {
            settings->caretakers = value;
        } else {
            auto slot = static_cast<size_t>(found->slot);
            settings->attributes.value[slot] = value;
            settings->attributes.set[slot] = true;
        }
        return true;
    });
}

int world_config_parse_objects(std::string_view text, std::vector<world_seed_object>* objects,
                               std::string* error)
{
    objects->clear();
    return server_text_each_line(text, [&](std::string_view line) {
        std::vector<std::string_view> fields;
        while (fields.size() < field_count - 1) {
            size_t tab = line.find('\t');
            if (tab == std::string_view::npos)
                break;
            fields.push_back(line.substr(0, tab));
            line = line.substr(tab + 1);
        }
        fields.push_back(line);
        world_seed_object o;
        double owner = 0;
        if (fields.size() < 6 || !read_double(fields[0], &o.x) || !read_double(fields[1], &o.y) ||
            !read_double(fields[2], &o.z) || !read_double(fields[3], &o.yaw) ||
            !read_double(fields[4], &owner) || owner < 0 || owner > 4294967295.0 ||
            owner != std::floor(owner)) {
            *error = "an object is x, y, z, yaw, owner, model, description, action (tabs between)";
            return false;
        }
        if (std::fabs(o.x) > 32764 || std::fabs(o.z) > 32764 || std::fabs(o.y) > 32.767) {
            *error = "an object lies beyond the world's limits";
            return false;
        }
        o.owner = static_cast<uint32_t>(owner);
        o.model = server_text_trim(fields[5]);
        o.description = fields.size() > 6 ? fields[6] : std::string_view();
        o.action = fields.size() > 7 ? fields[7] : std::string_view();
        if (o.model.empty() || o.model.size() > value_max || o.description.size() > value_max ||
            o.action.size() > value_max) {
            *error = "a model name is 1 to 255 characters, a description and an action at most 255";
            return false;
        }
        objects->push_back(std::move(o));
        return true;
    });
}

int world_config_load(const std::string& directory, const std::string& content,
                      std::string_view name, world_settings* settings,
                      std::vector<world_seed_object>* objects)
{
    namespace fs = std::filesystem;
    *settings = world_config_defaults();
    objects->clear();
    std::string text, error;
    bool present = false;
    fs::path path = fs::path(directory) / (std::string(name) + ".world");
    if (!read_file(path, &text, &present)) {
        server_log("%s: cannot read it", path.string().c_str());
        return 1;
    }
    if (present) {
        if (int line = world_config_parse(text, settings, &error)) {
            server_log("%s:%d: %s", path.string().c_str(), line, error.c_str());
            return 1;
        }
    }
    path = fs::path(directory) / (std::string(name) + ".objects");
    std::error_code ec;
    if (!fs::exists(path, ec))
        path = fs::path(content) / std::string(name) / "seed.objects";
    if (!read_file(path, &text, &present)) {
        server_log("%s: cannot read it", path.string().c_str());
        return 1;
    }
    if (present) {
        if (int line = world_config_parse_objects(text, objects, &error)) {
            server_log("%s:%d: %s", path.string().c_str(), line, error.c_str());
            return 1;
        }
    }
    return 0;
}
