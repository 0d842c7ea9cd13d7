#include "textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr float pi = 3.14159265f;

// A repeatable pseudo-random value in [0, 1) for a lattice point.
float lattice(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / 16777216.0f;
}

int wrap(int v, int period)
{
    return ((v % period) + period) % period;
}

float smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

// Value noise that repeats every `period` lattice cells in both directions,
// so textures tile without seams.
float noise(float x, float y, int period, uint32_t seed)
{
    int x0 = static_cast<int>(std::floor(x));
    int y0 = static_cast<int>(std::floor(y));
    float fx = smooth(x - static_cast<float>(x0));
    float fy = smooth(y - static_cast<float>(y0));
    int xa = wrap(x0, period), xb = wrap(x0 + 1, period);
    int ya = wrap(y0, period), yb = wrap(y0 + 1, period);
    float top = lattice(xa, ya, seed) + (lattice(xb, ya, seed) - lattice(xa, ya, seed)) * fx;
    float bottom = lattice(xa, yb, seed) + (lattice(xb, yb, seed) - lattice(xa, yb, seed)) * fx;
    return top + (bottom - top) * fy;
}

// Octaves of noise over the unit square (u, v in [0, 1)), starting with
// `cells` lattice cells across it and doubling them at each octave; it
// repeats with the square.
float fbm(float u, float v, int cells, int octaves, uint32_t seed)
{
    float sum = 0.0f, weight = 0.5f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += noise(u * static_cast<float>(cells), v * static_cast<float>(cells), cells,
                     seed + static_cast<uint32_t>(o)) * weight;
        total += weight;
        weight *= 0.5f;
        cells *= 2;
    }
    return sum / total;
}

float uof(int x, int size)
{
    return static_cast<float>(x) / static_cast<float>(size);
}

image grass()
{
    image p = image_create(128, 128);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            float n = fbm(uof(x, 128), uof(y, 128), 4, 5, 11);
            float blade = lattice(x, y, 12) * 0.25f;
            image_set(&p, x, y, 0.18f + 0.2f * n, 0.38f + 0.35f * n + blade * 0.5f,
                      0.10f + 0.1f * n);
        }
    }
    return p;
}

image wood()
{
    image p = image_create(128, 128);
    for (int y = 0; y < p.height; ++y) {
        int plank = y / 32;
        for (int x = 0; x < p.width; ++x) {
            float u = uof(x, 128), v = uof(y, 128);
            float n = fbm(u, v, 4, 4, 21 + static_cast<uint32_t>(plank));
            float grain = 0.5f + 0.5f * std::sin((v * 24.0f + n * 6.0f) * 2.0f * pi);
            float shade = 0.75f + 0.25f * grain;
            if (y % 32 == 0 || y % 32 == 31)
                shade *= 0.55f;
            image_set(&p, x, y, 0.55f * shade, 0.36f * shade, 0.20f * shade);
        }
    }
    return p;
}

image brick()
{
    image p = image_create(128, 128);
    for (int y = 0; y < p.height; ++y) {
        int row = y / 16;
        int shift = (row % 2) * 16;
        for (int x = 0; x < p.width; ++x) {
            int bx = (x + shift) % 32;
            bool mortar = y % 16 < 2 || bx < 2;
            float n = fbm(uof(x, 128), uof(y, 128), 8, 3, 31);
            if (mortar) {
                float m = 0.65f + 0.15f * n;
                image_set(&p, x, y, m, m, m * 0.95f);
            } else {
                int id = ((x + shift) / 32) + row * 7;
                float tone = 0.8f + 0.2f * lattice(id, row, 32);
                image_set(&p, x, y, (0.55f + 0.2f * n) * tone, (0.22f + 0.1f * n) * tone,
                          (0.16f + 0.06f * n) * tone);
            }
        }
    }
    return p;
}

image stone()
{
    image p = image_create(128, 128);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            bool joint = x % 64 < 2 || y % 64 < 2;
            float n = fbm(uof(x, 128), uof(y, 128), 4, 5, 41);
            int tile = (x / 64) + 2 * (y / 64);
            float g = (0.5f + 0.3f * n) * (0.9f + 0.1f * lattice(tile, 0, 42));
            if (joint)
                g *= 0.5f;
            image_set(&p, x, y, g, g * 0.98f, g * 0.92f);
        }
    }
    return p;
}

// Leaf clusters: where the blob field is above the threshold there are
// leaves; elsewhere the mask cuts the picture away.
float leaf_field(int x, int y)
{
    return fbm(uof(x, 128), uof(y, 128), 8, 3, 51);
}

constexpr float leaf_threshold = 0.47f;

image leaves()
{
    image p = image_create(128, 128);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            float f = leaf_field(x, y);
            float vein = fbm(uof(x, 128), uof(y, 128), 16, 2, 52);
            if (f > leaf_threshold)
                image_set(&p, x, y, 0.12f + 0.25f * vein, 0.35f + 0.35f * vein, 0.08f);
            else
                image_set(&p, x, y, 0.05f, 0.15f, 0.04f);
        }
    }
    return p;
}

image sky()
{
    image p = image_create(512, 128);
    for (int y = 0; y < p.height; ++y) {
        float t = uof(y, 128);
        for (int x = 0; x < p.width; ++x) {
            // Sixteen lattice cells around and four from top to bottom, so
            // the cells are square; the panorama joins where it wraps.
            float c = fbm(uof(x, 512), t * 0.25f, 16, 4, 61);
            float cloud = std::clamp((c - 0.5f) * 3.0f, 0.0f, 1.0f) * (1.0f - t * 0.6f);
            float r = 0.25f + 0.45f * t, g = 0.45f + 0.4f * t, b = 0.85f + 0.1f * t;
            image_set(&p, x, y, r + (0.95f - r) * cloud, g + (0.95f - g) * cloud,
                      b + (0.97f - b) * cloud);
        }
    }
    return p;
}

// One square frame after another; the flames rise through a noise field
// that repeats vertically after all the frames, so the loop has no jump.
image fire()
{
    constexpr int size = 64;
    image p = image_create(size, size * textures_fire_frames);
    for (int frame = 0; frame < textures_fire_frames; ++frame) {
        float rise = static_cast<float>(frame) / static_cast<float>(textures_fire_frames);
        for (int y = 0; y < size; ++y) {
            float v = uof(y, size);
            for (int x = 0; x < size; ++x) {
                float u = uof(x, size);
                float n = fbm(u, v * 0.5f + rise, 4, 4, 71);
                float width = 0.45f * (1.0f - (1.0f - v) * 0.8f);
                float shape = 1.0f - std::fabs(u - 0.5f) / std::max(width, 0.01f);
                float heat = std::clamp(shape * 1.2f * v + (n - 0.5f) * 1.2f, 0.0f, 1.0f);
                image_set(&p, x, frame * size + y, heat * 1.4f, heat * heat * 0.9f,
                          heat * heat * heat * 0.3f);
            }
        }
    }
    return p;
}

// The pictures of the lamp's flip book: a round light on a dark plate.
image lamp(float r, float g, float b)
{
    image p = image_create(64, 64);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            float dx = static_cast<float>(x) - 31.5f, dy = static_cast<float>(y) - 31.5f;
            float d = std::sqrt(dx * dx + dy * dy) / 24.0f;
            float glow = d < 1.0f ? 1.0f - d * d * 0.6f : std::max(0.0f, 0.3f - (d - 1.0f));
            image_set(&p, x, y, 0.1f + r * glow, 0.1f + g * glow, 0.12f + b * glow);
        }
    }
    return p;
}

// A landscape to hang in the picture frame.
image photo()
{
    image p = image_create(256, 192);
    for (int y = 0; y < p.height; ++y) {
        float v = uof(y, 192);
        for (int x = 0; x < p.width; ++x) {
            float u = uof(x, 256);
            float hill = 0.55f + 0.12f * std::sin(u * 2.0f * pi * 1.5f) +
                         0.08f * (fbm(u, 0.0f, 8, 3, 81) - 0.5f);
            float sx = (u - 0.75f) * 4.0f / 3.0f, sy = v - 0.22f;
            if (sx * sx + sy * sy < 0.004f)
                image_set(&p, x, y, 1.0f, 0.9f, 0.5f);
            else if (v < hill)
                image_set(&p, x, y, 0.4f + 0.4f * v, 0.6f + 0.3f * v, 0.95f);
            else
                image_set(&p, x, y, 0.2f, 0.45f - 0.2f * (v - hill), 0.15f);
        }
    }
    return p;
}

}  // namespace

std::vector<texture_art> textures_make()
{
    std::vector<texture_art> all;
    all.push_back({"grass", grass()});
    all.push_back({"wood", wood()});
    all.push_back({"brick", brick()});
    all.push_back({"stone", stone()});
    all.push_back({"leaves", leaves()});
    all.push_back({"sky", sky()});
    all.push_back({"fire", fire()});
    all.push_back({"lamp1", lamp(0.9f, 0.1f, 0.1f)});
    all.push_back({"lamp2", lamp(0.9f, 0.8f, 0.1f)});
    all.push_back({"lamp3", lamp(0.1f, 0.9f, 0.2f)});
    all.push_back({"lamp4", lamp(0.2f, 0.4f, 0.95f)});
    all.push_back({"photo", photo()});
    return all;
}

std::vector<mask_art> textures_masks()
{
    mask_art leaves{"leavesm", 128, 128, {}};
    leaves.grey.resize(128 * 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x)
            leaves.grey[static_cast<size_t>(y) * 128 + static_cast<size_t>(x)] =
                leaf_field(x, y) > leaf_threshold ? 255 : 0;
    }
    return {leaves};
}
