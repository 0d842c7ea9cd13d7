// vireo-server: the universe and the worlds' property side on TCP, on one
// event loop.
#include <arpa/inet.h>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "avatar_service.h"
#include "data_dir.h"
#include "event_loop.h"
#include "http_service.h"
#include "log.h"
#include "options.h"
#include "property_service.h"
#include "store.h"
#include "universe_service.h"
#include "worlds.h"

namespace {

// `name` in the executable's directory.
std::string beside_executable(const char* name)
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return name;
    path[n] = '\0';
    return (std::filesystem::path(path).parent_path() / name).string();
}

struct closers {
    void operator()(us_store* store) const { us_store_close(store); }
    void operator()(server_worlds* worlds) const { server_worlds_destroy(worlds); }
    void operator()(server_loop* loop) const { server_loop_destroy(loop); }
    void operator()(us_service* service) const { us_service_stop(service); }
    void operator()(hs_service* service) const { hs_service_stop(service); }
    void operator()(av_service* service) const { av_service_stop(service); }
    void operator()(property_service* service) const { property_service_stop(service); }
};

}  // namespace

int main(int argc, char** argv)
{
    server_options options;
    std::string error;
    if (server_options_parse(argc, argv, &options, &error) != 0) {
        server_log("vireo-server: %s (see --help)", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(server_options_help().c_str(), stdout);
        return 0;
    }
    if (options.data.empty())
        options.data = beside_executable("server-data");
    if (options.content.empty())
        options.content = beside_executable("content");

    int fresh = 0;
    if (int e = server_data_prepare(options.data, &fresh)) {
        server_log("vireo-server: data directory %s: %s", options.data.c_str(), std::strerror(e));
        return 1;
    }
    std::unique_ptr<us_store, closers> store(us_store_open(options.data + "/universe.db"));
    if (!store)
        return 1;
    if (fresh) {
        if (server_data_seed_citizens(store.get()) != 0) {
            server_log("vireo-server: cannot seed the citizens");
            return 1;
        }
        server_log("seeded the new data directory %s", options.data.c_str());
    }
    std::unique_ptr<server_worlds, closers> worlds(server_worlds_create());
    if (server_data_load_worlds(options.data, options.world_port, worlds.get()) != 0)
        return 1;
    if (options.city && server_data_add_city(options.data, options.world_port, worlds.get()) != 0)
        return 1;

    std::unique_ptr<server_loop, closers> loop(server_loop_create());
    if (int e = server_loop_stop_on_signals(loop.get())) {
        server_log("vireo-server: signals: %s", std::strerror(e));
        return 1;
    }
    us_universe_options universe;
    in_addr listen{};
    inet_pton(AF_INET, options.listen.c_str(), &listen);
    universe.world_address = ntohl(listen.s_addr);
    universe.minimum_build = options.minimum_build;
    universe.current_build = options.current_build;
    universe.full = options.full;
    universe.redirect_address = options.redirect_address;
    universe.redirect_port = options.redirect_port;
    universe.per_address = options.per_address;
    us_service* started = nullptr;
    if (int e = us_service_start(loop.get(), options.listen.c_str(), options.universe_port,
                                 universe, store.get(), worlds.get(), &started)) {
        server_log("vireo-server: cannot listen on %s port %d: %s", options.listen.c_str(),
                   options.universe_port, std::strerror(e));
        return 1;
    }
    std::unique_ptr<us_service, closers> service(started);

    if (options.universe_port == 0)
        server_log("universe port %d", us_service_port(service.get()));
    hs_service_options http_options;
    http_options.content = options.content;
    http_options.per_address = options.per_address;
    hs_service* http_started = nullptr;
    if (int e = hs_service_start(loop.get(), options.listen.c_str(), options.http_port,
                                 http_options, &http_started)) {
        server_log("vireo-server: cannot listen on %s HTTP port %d: %s", options.listen.c_str(),
                   options.http_port, std::strerror(e));
        return 1;
    }
    std::unique_ptr<hs_service, closers> http(http_started);
    if (options.http_port == 0)
        server_log("http port %d", hs_service_port(http.get()));
    // The worlds' object paths name the HTTP port actually listened on.
    property_service_options world_options;
    world_options.address = options.listen;
    world_options.data = options.data;
    world_options.content = options.content;
    world_options.http_port = hs_service_port(http.get());
    world_options.per_address = options.per_address;
    world_options.city = options.city;
    world_options.city_seed = options.city_seed;
    property_service* properties = nullptr;
    if (property_service_start(loop.get(), world_options, worlds.get(), service.get(),
                               &properties) != 0)
        return 1;
    std::unique_ptr<property_service, closers> property(properties);
    // The avatars take the ports the worlds' property services listen on.
    av_service* avatars = nullptr;
    if (av_service_start(loop.get(), options.listen.c_str(), worlds.get(), property.get(),
                         options.bots, &avatars))
        return 1;
    std::unique_ptr<av_service, closers> avatar_service(avatars);
    std::printf("vireo-server ready\n");
    std::fflush(stdout);

    int e = server_loop_run(loop.get());
    if (e)
        server_log("vireo-server: poll: %s", std::strerror(e));
    server_log("vireo-server stopped");
    return e ? 1 : 0;
}
