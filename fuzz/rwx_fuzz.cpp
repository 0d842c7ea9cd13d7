// The RWX reader on any bytes: no crash, no leak, and every model it gives
// survives the round trip through a stream, a pick and its bounding boxes.
#include <cstdint>
#include <cstdlib>

#include <glm/glm.hpp>

#include "render/clump.h"
#include "render/pick.h"
#include "render/rwx.h"
#include "render/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rw_clump* c = rw_rwx_read(reinterpret_cast<const char*>(data), size);
    if (!c)
        return 0;
    glm::vec3 lo, hi;
    rw_clump_bbox(c, 1, &lo, &hi);
    rw_pick_result hit;
    rw_pick_ray(&c, 1, glm::vec3(0.1f, 0.2f, 10.0f), glm::vec3(0.0f, 0.0f, -1.0f), &hit);

    rw_stream* out = rw_stream_open_memory();
    if (rw_stream_write_clump(out, c) != 0)
        std::abort();
    size_t n;
    const uint8_t* bytes = rw_stream_data(out, &n);
    rw_stream* in = rw_stream_open_memory_read(bytes, n);
    rw_clump* back = rw_stream_read_clump(in);
    if (!back || rw_clump_polygon_count(back) != rw_clump_polygon_count(c))
        std::abort();
    rw_stream_close(in);
    rw_stream_close(out);
    rw_clump_destroy(back);
    rw_clump_destroy(c);
    return 0;
}
