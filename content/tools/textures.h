#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

// The procedural pictures of the sample worlds. Each texture has a name
// (the file is "<name>.jpg"); masks are grey pictures of the size of their
// texture, white where the texture shows and black where it is cut away.
struct texture_art {
    std::string name;
    image picture;
};

struct mask_art {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> grey;
};

// Frames of the animated fire texture, stacked from the top.
constexpr int textures_fire_frames = 8;

std::vector<texture_art> textures_make();
std::vector<mask_art> textures_masks();
