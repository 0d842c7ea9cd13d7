#include "data_dir.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "citizens.h"
#include "city.h"
#include "log.h"
#include "worlds.h"

const server_seed_citizen server_seed_citizens[2] = {
    {"Wren", "wren", "wren@vireo.invalid", "nest"},
    {"Finch", "finch", "finch@vireo.invalid", ""},
};

namespace {

constexpr const char* worlds_file = "worlds.conf";

constexpr const char* seed_worlds =
    "# The worlds of this universe, one a line: the name (1 to 8 letters and\n"
    "# digits), then the title. They take the world ports in this order: the\n"
    "# first gets --world-port, the next one more, and so on.\n"
    "qo Kestrel\n"
    "gate Gate\n";

// The sample worlds' settings (see world_config.h): in qo every citizen may
// build and Wren (citizen 1) is the caretaker; gate is a plaza where nobody
// builds, not even a caretaker, for it has none. Both show the sample
// art's sky and ground; qo's encrypted model opens with its password.
constexpr const char* seed_settings[][2] = {
    {"qo.world",
     "# Settings of the world qo: \"key value\" lines (see the server's README).\n"
     "caretakers 1\n"
     "enter *\n"
     "build *\n"
     "public-speakers 1\n"
     "backdrop sky\n"
     "ground ground\n"
     "object-password greenwood\n"},
    {"gate.world",
     "# Settings of the world gate: a plaza where nobody builds.\n"
     "enter *\n"
     "build\n"
     "backdrop sky\n"
     "ground ground\n"},
};

// The generated city's settings: a place to look at, where nobody builds.
constexpr const char* city_settings =
    "# Settings of the generated world city: everybody enters, nobody builds.\n"
    "enter *\n"
    "build\n"
    "backdrop sky\n"
    "ground ground\n";

}  // namespace

int server_data_prepare(const std::string& directory, int* fresh)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(directory, ec);
    if (ec)
        return ec.value();
    *fresh = fs::is_empty(directory, ec) ? 1 : 0;
    if (ec)
        return ec.value();
    if (!*fresh)
        return 0;
    std::ofstream out(fs::path(directory) / worlds_file, std::ios::binary);
    out << seed_worlds;
    out.close();
    for (const auto& [name, text] : seed_settings) {
        std::ofstream settings(fs::path(directory) / name, std::ios::binary);
        settings << text;
        settings.close();
        if (!settings)
            return EIO;
    }
    return out ? 0 : EIO;
}

int server_data_seed_citizens(const us_store* store)
{
    for (const server_seed_citizen& c : server_seed_citizens) {
        uint32_t number = 0;
        if (us_citizen_create(store, c.name, c.password, c.email, c.privilege_password, &number) !=
            0)
            return 1;
    }
    return 0;
}

int server_data_load_worlds(const std::string& directory, uint16_t first_port,
                            server_worlds* worlds)
{
    std::string path = (std::filesystem::path(directory) / worlds_file).string();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        server_log("%s: cannot read it; the universe runs without worlds", path.c_str());
        return 0;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<server_world_config> configs;
    std::string error;
    if (int line = server_worlds_parse(text.str(), &configs, &error)) {
        server_log("%s:%d: %s", path.c_str(), line, error.c_str());
        return 1;
    }
    if (configs.size() > static_cast<size_t>(65536 - first_port)) {
        server_log("%s: %zu worlds do not fit above port %d", path.c_str(), configs.size(),
                   first_port);
        return 1;
    }
    for (size_t i = 0; i < configs.size(); ++i)
        server_worlds_add(worlds, configs[i].name, configs[i].title,
                          static_cast<uint16_t>(first_port ? first_port + i : 0));
    return 0;
}

int server_data_add_city(const std::string& directory, uint16_t first_port,
                         server_worlds* worlds)
{
    namespace fs = std::filesystem;
    size_t before = server_worlds_list(worlds).size();
    if (first_port && before > static_cast<size_t>(65535 - first_port)) {
        server_log("city: no port is left above the %zu worlds from port %d", before, first_port);
        return 1;
    }
    auto port = static_cast<uint16_t>(first_port ? first_port + before : 0);
    if (server_worlds_add(worlds, city_world_name, city_world_title, port) != 0) {
        server_log("city: worlds.conf has a world named %s already", city_world_name);
        return 1;
    }
    fs::path path = fs::path(directory) / (std::string(city_world_name) + ".world");
    std::error_code ec;
    if (fs::exists(path, ec))
        return 0;
    std::ofstream out(path, std::ios::binary);
    out << city_settings;
    out.close();
    if (!out) {
        server_log("%s: cannot write it", path.string().c_str());
        return 1;
    }
    return 0;
}
