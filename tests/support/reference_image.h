#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Compares an RGBA image (top row first) with the reference picture of
// that name in tests/render/reference: it matches when at most 1% of the
// pixels differ by more than a small amount in some channel, room for the
// rasterisers of other machines. With VIREO_UPDATE_REFERENCES=1 in the
// environment the picture is written instead. A mismatch leaves the image
// beside the test binary as <name>.actual.png. Returns an explanation, or
// "" when it matches.
std::string reference_image_compare(const std::string& name, const std::vector<uint8_t>& rgba,
                                    int width, int height);
