#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 at a free port, answering from a
// thread of its own by a handler the test gives; connections are kept open
// between requests.
class http_server {
public:
    struct request {
        std::string path;                         // with its leading "/"
        std::map<std::string, std::string> headers;  // names lower-cased
    };
    struct response {
        int status = 200;
        std::string body;
        std::vector<std::string> headers;  // extra lines, e.g. "Last-Modified: ..."
        bool stall = false;                // send the headers, then nothing more
    };
    using handler = std::function<response(const request&)>;

    explicit http_server(handler answer);
    ~http_server();
    http_server(const http_server&) = delete;
    http_server& operator=(const http_server&) = delete;

    uint16_t port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string host() const;
    // The requests served so far.
    std::vector<request> requests() const;
    size_t request_count() const;

    // A body of `length` bytes with its Content-Length.
    static response file(const std::string& body);

private:
    void run();

    handler answer_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<request> requests_;
    std::thread thread_;
};
