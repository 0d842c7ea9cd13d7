#include "base/random.h"

#include <random>

namespace {

std::mt19937 generator;

}  // namespace

void random_seed(uint32_t seed)
{
    generator.seed(seed);
}

uint32_t random_next()
{
    return static_cast<uint32_t>(generator());
}
