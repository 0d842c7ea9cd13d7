#pragma once
// The generated world "city", for benchmarks and stress tests: some 14,000
// objects of the sample art over the cells within 120 m of ground zero,
// made from a seed, so that everybody who starts a server with the same
// seed gets the same world without building it by hand.
#include <cstdint>
#include <utility>
#include <vector>

#include "world_config.h"

constexpr const char* city_world_name = "city";
constexpr const char* city_world_title = "City";

// The cells the city fills, (x, z), south to north and east to west.
std::vector<std::pair<int, int>> city_cells();
// The city's objects made from `seed`, cell by cell in the order of
// city_cells(): altitude 0, owner 1, short descriptions, a third of them
// with a short action. Every cell's records stay within the server's cell
// limit. The same seed always gives the same objects.
std::vector<world_seed_object> city_objects(uint32_t seed);
