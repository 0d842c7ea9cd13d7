#pragma once
#include <QJsonObject>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

// A program directory of its own for one run of the real program: the
// default settings file, a script for the automation runner, and the log
// (the program runs with this directory as its working directory).
class vireo_home {
public:
    vireo_home();

    const std::string& path() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string read(const std::string& name) const { return dir_.read(name); }
    void write(const std::string& name, const std::string& text) const { dir_.write(name, text); }

    // Sets a key of the settings file.
    void set(const std::string& section, const std::string& key, const std::string& value) const;
    void remove_settings() const;
    // Points the program at the universe on this machine's `port` and logs
    // in as the citizen.
    void log_in(int port, const std::string& name = "Wren",
                const std::string& password = "wren") const;
    // A JSON file the program wrote (automation's `state`).
    QJsonObject state(const std::string& name) const;
    // An environment variable for the runs to come.
    void set_env(const std::string& name, const std::string& value) { env_[name] = value; }
    // Leaves a variable as the test's own environment has it.
    void keep_env(const std::string& name) { env_.erase(name); }

    // Starts the program with this script. With a display depth, the
    // program gets a virtual display of its own with that many bits a pixel.
    std::unique_ptr<process> start(const std::string& script,
                                   const std::vector<std::string>& args = {},
                                   int display_depth = 0) const;
    process_result run(const std::string& script, const std::vector<std::string>& args = {},
                       int timeout_ms = 60000, int display_depth = 0) const;

private:
    temp_dir dir_;
    std::map<std::string, std::string> env_;
};
