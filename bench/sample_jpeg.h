#pragma once
// The benchmarks' sample texture: a 256 x 256 colour JPEG of colour ramps
// under a wavy pattern, at quality 75, made once.
#include <cstdint>
#include <vector>

constexpr int sample_jpeg_side = 256;

const std::vector<uint8_t>& sample_jpeg();
