#pragma once
// A world's settings beside worlds.conf in the data directory:
//   NAME.world    "key value" lines: the caretakers and the defaults of the
//                 world attributes (see world_config_keys)
//   NAME.objects  objects placed when the world's store is new, one a line;
//                 without it, CONTENT/NAME/seed.objects beside the world's art
// All are optional: a world without them lets everybody enter and nobody
// build, and starts empty.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "property_wire.h"

struct world_settings {
    // Rights list of the caretakers: they change the world's options, build,
    // change and demolish anywhere, and eject.
    std::string caretakers;
    // Defaults of the attribute slots; a caretaker's option write overrides
    // them (the overrides are kept in the world's store).
    property_attributes attributes;
};

struct world_config_key {
    const char* name;
    int slot;  // -1: the caretakers
};
// The keys of a settings file, in slot order.
extern const world_config_key world_config_keys[];
extern const size_t world_config_key_count;

// Reads a settings file over `settings` (which starts as
// world_config_defaults()). Blank lines and lines starting with "#" are
// skipped; a key alone sets an empty value. Returns 0, or the number of the
// first line in error with the reason in `error`.
int world_config_parse(std::string_view text, world_settings* settings, std::string* error);
// The settings of a world without a file: everybody may enter.
world_settings world_config_defaults();

// One object of a seed file: tab-separated fields x, y, z (world units),
// yaw (degrees), owner (citizen number), model, description, action; the
// last two may be empty or missing.
struct world_seed_object {
    double x = 0, y = 0, z = 0, yaw = 0;
    uint32_t owner = 0;
    std::string model, description, action;
    bool operator==(const world_seed_object&) const = default;
};
// Reads a seed file. Returns 0, or the number of the first line in error
// with the reason in `error`.
int world_config_parse_objects(std::string_view text, std::vector<world_seed_object>* objects,
                               std::string* error);

// Reads NAME.world and NAME.objects from the data directory, or the seed
// objects from CONTENT/NAME/seed.objects (missing files give the defaults
// and no objects). Returns 0, or 1 after a log line.
int world_config_load(const std::string& directory, const std::string& content,
                      std::string_view name, world_settings* settings,
                      std::vector<world_seed_object>* objects);
