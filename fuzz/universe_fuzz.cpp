// The client's handling of a universe server's message, on any bytes: the
// decoder reads only what is there and never makes more list entries than
// the body could hold, and the reply registers take what it decoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/universe.h"
#include "net/universe_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    universe_message m;
    if (universe_message_decode(data, size, &m) == 0) {
        // A contact takes at least five bytes, a world at least four.
        size_t least = 2 + m.contacts.size() * 5 + m.worlds.size() * 4 + m.attributes.size() * 2;
        if (least > size)
            std::abort();
    }
    universe_handle_message(data, size);
    return 0;
}
