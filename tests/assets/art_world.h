#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "support/http_server.h"
#include "support/temp_dir.h"

// A world's object path served from 127.0.0.1 with the program's art side
// set up on a cache folder of its own: the stores, the fetcher, the queue,
// the converter.
class art_world {
public:
    art_world();
    ~art_world();

    // Serves `body` as /world/<path>, dated; a file can be told to stall
    // its next `stalls` requests.
    void put(const std::string& path, const std::string& body,
             const std::string& date = "Sat, 05 Dec 2026 10:00:00 GMT");
    void stall(const std::string& path, int stalls);
    // How often a file was asked for.
    int asked(const std::string& path) const;

    // Runs frames until the condition holds (false after ten seconds).
    bool pump(const std::function<bool()>& done);
    // Runs this many frames.
    void frames(int count);

    // A new session on the same cache: every registry and the queue start
    // empty, the stores stay.
    void restart();

    std::string cache(const std::string& relative) const;
    temp_dir dir;

private:
    struct file {
        std::string body;
        std::string date;
        int stalls = 0;
        int asked = 0;
    };
    http_server::response answer(const http_server::request& request);
    void open();

    mutable std::mutex mutex_;
    std::map<std::string, file> files_;
    std::unique_ptr<http_server> server_;
};
