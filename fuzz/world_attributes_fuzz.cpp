// The world attribute decoder, on any bytes: every slot it sets holds a
// terminated text of the length it gives, and what it decoded comes back
// the same through the encoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "world/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so that a read past its end is
    // caught.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    static world_attributes first, second;
    world_attributes_decode(bytes.get(), size, &first);
    for (int slot = 0; slot < world_slot_count; ++slot) {
        if (first.set[slot] && first.text[slot][first.length[slot]] != 0)
            std::abort();
    }
    static uint8_t encoded[world_slot_count * 257];
    size_t length = world_attributes_encode(&first, encoded, sizeof encoded);
    if (world_attributes_decode(encoded, length, &second) != 1)
        std::abort();
    for (int slot = 0; slot < world_slot_count; ++slot) {
        bool sent = slot != 14 && slot != 16 && slot != 17 && slot != 21;
        if (!sent || !first.set[slot])
            continue;
        if (!second.set[slot] || second.length[slot] != first.length[slot] ||
            std::memcmp(second.text[slot], first.text[slot], first.length[slot]) != 0)
            std::abort();
    }
    return 0;
}
