// vireo-server's universe on any bytes from two clients at once: the server
// never fails, keeps running, and every message it sends is framed as the
// client reads it (a length that matches, at most 8096).
//
// Input: a flags byte (bit 0: answer log-ins "system full"; bit 1: redirect
// the first request of each connection), then pieces: a byte whose low bit
// picks the client and whose other bits give the piece's length less one,
// and the piece's bytes.
#include <cstdint>
#include <cstdlib>

#include "citizens.h"
#include "data_dir.h"
#include "log.h"
#include "store.h"
#include "universe.h"
#include "worlds.h"

namespace {

void check_message(void*, int, const uint8_t* data, size_t size)
{
    if (size < 4 || size_t(data[0] << 8 | data[1]) != size - 2 || size - 2 > 8096)
        std::abort();
}

void close_session(void*, int) {}

// One store for all runs, with the sample citizens; cheap password hashes
// keep the runs short.
struct fixture {
    us_store* store = nullptr;
    server_worlds* worlds = server_worlds_create();
    fixture()
    {
        server_log_enable(0);
        us_citizen_set_hash_rounds(1);
        store = us_store_open(":memory:");
        if (!store || server_data_seed_citizens(store) != 0)
            std::abort();
        server_worlds_add(worlds, "qo", "Kestrel", 5671);
        server_worlds_add(worlds, "gate", "Gate", 5672);
        server_worlds_set_running(worlds, "qo", true);
        server_worlds_set_running(worlds, "gate", true);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fixture f;
    if (size == 0)
        return 0;
    us_universe_options options;
    options.full = data[0] & 1;
    if (data[0] & 2) {
        options.redirect_address = 0x7F000001;
        options.redirect_port = 5999;
    }
    us_universe_io io;
    io.send = check_message;
    io.close = close_session;
    us_universe* universe = us_universe_create(options, f.store, f.worlds, io);
    bool open[2] = {true, true};
    us_universe_open(universe, 1, 0x7F000001, 0x7F000001);
    us_universe_open(universe, 2, 0x7F000002, 0x7F000001);
    size_t at = 1;
    while (at < size) {
        uint8_t head = data[at++];
        int client = head & 1;
        size_t length = std::min<size_t>((head >> 1) + 1, size - at);
        if (open[client] && us_universe_input(universe, client + 1, data + at, length) != 0)
            open[client] = false;
        at += length;
    }
    us_universe_close(universe, 1);
    us_universe_close(universe, 2);
    us_universe_destroy(universe);
    return 0;
}
