#pragma once
#include <memory>
#include <string>

#include "support/temp_dir.h"

class QProcess;

// vireo-server on a data folder of its own, listening on free ports of
// 127.0.0.1; stopped (SIGTERM) when the object goes.
class server_process {
public:
    // With `worlds`, the data folder's worlds.conf is that text.
    explicit server_process(const std::string& worlds = "");
    ~server_process();
    server_process(const server_process&) = delete;
    server_process& operator=(const server_process&) = delete;

    // 1 once it said it is ready.
    bool ready() const { return universe_port_ > 0; }
    int universe_port() const { return universe_port_; }
    // The property port of a world, from its log line; 0 when none.
    int world_port(const std::string& world);
    // Stops the server (SIGTERM) and waits for it.
    void stop();
    // What it wrote to standard error so far.
    std::string log();

private:
    temp_dir data_;
    std::unique_ptr<QProcess> process_;
    int universe_port_ = 0;
    std::string log_;
};
