#include "support/vireo_home.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/ini.h"

vireo_home::vireo_home()
{
    std::ifstream in(VIREO_DEFAULT_INI, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    dir_.write("vireo.ini", ss.str());
}

void vireo_home::set(const std::string& section, const std::string& key,
                     const std::string& value) const
{
    dir_.write("vireo.ini", ini_put(dir_.read("vireo.ini"), section, key, value));
}

void vireo_home::remove_settings() const
{
    std::remove(dir_.file("vireo.ini").c_str());
}

std::unique_ptr<process> vireo_home::start(const std::string& script,
                                           const std::vector<std::string>& args) const
{
    dir_.write("script.txt", script);
    return std::make_unique<process>(
        VIREO_EXECUTABLE, args, dir_.path(),
        std::map<std::string, std::string>{{"VIREO_HOME", dir_.path()},
                                           {"VIREO_AUTOMATION", dir_.file("script.txt")}});
}

process_result vireo_home::run(const std::string& script, const std::vector<std::string>& args,
                               int timeout_ms) const
{
    return start(script, args)->wait(timeout_ms);
}
