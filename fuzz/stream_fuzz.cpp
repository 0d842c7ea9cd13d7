// Stream reading on any bytes: a clump or texture chunk is refused or read
// whole, and what is read is stable: written and read again, it writes the
// same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/clump.h"
#include "render/stream.h"
#include "render/texture.h"

namespace {

std::vector<uint8_t> written(rw_clump* clump, rw_texture* texture)
{
    rw_stream* out = rw_stream_open_memory();
    if (clump)
        rw_stream_write_clump(out, clump);
    else
        rw_stream_write_texture(out, texture);
    size_t n;
    const uint8_t* bytes = rw_stream_data(out, &n);
    std::vector<uint8_t> copy(bytes, bytes + n);
    rw_stream_close(out);
    return copy;
}

// Reads one object of the kind from the bytes, writes it back.
bool round_trip(const uint8_t* data, size_t size, bool clump, std::vector<uint8_t>* out)
{
    rw_stream* s = rw_stream_open_memory_read(data, size);
    bool read = false;
    if (clump) {
        if (rw_clump* c = rw_stream_read_clump(s)) {
            *out = written(c, nullptr);
            rw_clump_destroy(c);
            read = true;
        }
    } else if (rw_texture* t = rw_stream_read_texture(s)) {
        *out = written(nullptr, t);
        rw_texture_destroy(t);
        read = true;
    }
    rw_stream_close(s);
    return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool clump : {true, false}) {
        std::vector<uint8_t> first, second;
        if (!round_trip(data, size, clump, &first))
            continue;
        if (!round_trip(first.data(), first.size(), clump, &second) || second != first)
            std::abort();
    }
    return 0;
}
