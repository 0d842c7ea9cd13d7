// The client's processing of a world server's reply, on any bytes: records
// are read only when the bytes hold them whole, and the cell being edited
// never grows past what a cell holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "world/cell.h"
#include "world/prop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so that a read past its end is
    // caught.
    std::unique_ptr<uint8_t[]> reply(new uint8_t[size]);
    if (size)
        std::memcpy(reply.get(), data, size);
    int status = prop_reply_apply(reply.get(), size);
    if (status < 0 || status > 255)
        std::abort();
    size_t length = 0;
    cell_update_records(&length);
    if (length > cell_capacity)
        std::abort();
    return 0;
}
