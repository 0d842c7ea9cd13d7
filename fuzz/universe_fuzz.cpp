// The client's handling of a universe server's message, on any bytes: the
// reply registers and every service's handler read only what is there.
#include <cstddef>
#include <cstdint>

#include "net/universe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    universe_handle_message(data, size);
    return 0;
}
