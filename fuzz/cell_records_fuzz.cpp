// The cell record decoder, on any bytes read back from a cell store: every
// record it takes lies within the bytes, and its texts within the record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "world/cell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    const uint8_t* end = bytes.get() + size;
    const uint8_t* p = bytes.get();
    cell_record r;
    while (size_t n = cell_record_decode(p, static_cast<size_t>(end - p), &r)) {
        const char* last = r.action + r.action_length;
        if (p + n > end || reinterpret_cast<const uint8_t*>(last) != p + n ||
            r.number < -128 || r.number > 127)
            std::abort();
        // The texts are read as the element would copy them.
        volatile char sink = 0;
        for (const char* t = r.model; t < last; ++t)
            sink = static_cast<char>(sink ^ *t);
        p += n;
    }
    return 0;
}
