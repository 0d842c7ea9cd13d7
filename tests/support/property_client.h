#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Another client of a world's property port, on raw sockets.

void put32(std::vector<uint8_t>* bytes, uint32_t value);
// One request; the reply's body, or nothing after 10 s.
std::vector<uint8_t> property_request(int port, const std::vector<uint8_t>& body);

// An object of a cell as a query reply lists it.
struct property_object {
    int cx, cz;
    int number;
    uint32_t owner;
    int x, y, z, yaw;  // thousandths within the cell, tenths of a degree
    std::string model;
};
// The objects of the 3 x 3 sectors around sector (sx, sz), as citizen
// `identity` sees them.
std::vector<property_object> property_query(int port, int sx, int sz, uint32_t identity);
