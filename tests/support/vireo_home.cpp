#include "support/vireo_home.h"

#include <QJsonDocument>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/ini.h"

vireo_home::vireo_home()
{
    std::ifstream in(VIREO_DEFAULT_INI, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    dir_.write("vireo.ini", ss.str());
    // Runs never start a server of their own unless a test asks for one,
    // and keep the user's data folders out of reach.
    env_["VIREO_SERVER"] = "";
    env_["XDG_DATA_HOME"] = dir_.file("data");
}

void vireo_home::set(const std::string& section, const std::string& key,
                     const std::string& value) const
{
    dir_.write("vireo.ini", ini_put(dir_.read("vireo.ini"), section, key, value));
}

void vireo_home::log_in(int port, const std::string& name, const std::string& password) const
{
    set("universe", "host", "127.0.0.1");
    set("universe", "port", std::to_string(port));
    set("citizen", "name", name);
    set("citizen", "password", password);
}

QJsonObject vireo_home::state(const std::string& name) const
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(read(name))).object();
}

void vireo_home::remove_settings() const
{
    std::remove(dir_.file("vireo.ini").c_str());
}

std::unique_ptr<process> vireo_home::start(const std::string& script,
                                           const std::vector<std::string>& args,
                                           int display_depth) const
{
    dir_.write("script.txt", script);
    std::string program = VIREO_EXECUTABLE;
    std::vector<std::string> arguments = args;
    std::map<std::string, std::string> env = env_;
    env["VIREO_HOME"] = dir_.path();
    env["VIREO_AUTOMATION"] = dir_.file("script.txt");
    if (display_depth) {
        // On a display without OpenGL visuals the GL libraries fail inside
        // the application's start and unload again, leaving allocations no
        // leak report can name.
        env["ASAN_OPTIONS"] = "detect_leaks=0";
        // The display's authority file lives in the home folder: xvfb-run
        // then makes no folder of its own, whose removal has been seen to
        // fail and turn the program's exit code into xvfb-run's 5.
        arguments.insert(arguments.begin(),
                         {"-a", "-f", dir_.file("Xauthority"), "-s",
                          "-screen 0 1024x768x" + std::to_string(display_depth), program});
        program = "xvfb-run";
    }
    return std::make_unique<process>(program, arguments, dir_.path(), env);
}

process_result vireo_home::run(const std::string& script, const std::vector<std::string>& args,
                               int timeout_ms, int display_depth) const
{
    return start(script, args, display_depth)->wait(timeout_ms);
}
