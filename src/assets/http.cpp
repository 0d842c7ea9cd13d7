#include "assets/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "app/bps.h"
#include "base/clock.h"
#include "base/msg.h"
#include "net/proxy.h"

// All transfers run on one fetcher thread, which owns the libcurl multi
// handle and every easy handle. The main thread makes a request, hands it
// over through a locked inbox and wakes the thread; from then on both
// sides share only atomics, and the fields the thread fills (buffer, date)
// become readable once it has marked the request ended. libcurl keeps the
// connections of the multi handle open for reuse per host and port, so
// there is no connection table of our own, and http_no_connection is left
// for a transfer that libcurl cannot set up (or a request made while the
// fetcher is not running).

namespace {

constexpr int default_timeout_ms = 30000;
// Connecting waits no longer than this, nor longer than the time-out.
constexpr long max_connect_ms = 20000;
constexpr size_t date_size = 40;
constexpr long poll_ms = 1000;
constexpr uint16_t http_port = 80;
constexpr uint16_t https_port = 443;

}  // namespace

struct http_request {
    // Set on the main thread before the fetcher thread sees the request.
    std::string url;
    std::string if_modified_since;  // the date to send, or empty
    char sent_date[date_size] = {};
    bool started = false;           // handed to the fetcher thread

    // Main thread only.
    uint32_t last_activity = 0;
    uint32_t seen_progress = 0;

    // Both threads.
    std::atomic<int> rc{http_running};
    std::atomic<uint32_t> max{0};
    std::atomic<uint32_t> received{0};
    std::atomic<uint32_t> length{0};
    std::atomic<uint32_t> progress{0};  // counts signs of life of the server
    std::atomic<bool> cancelled{false};
    std::atomic<bool> connected{false};  // the server took the connection
    std::atomic<bool> ended{false};     // the fetcher thread is through with the fields below
    std::atomic<int> holders{1};        // the owner, plus the fetcher thread while it has it

    // Written by the fetcher thread; read by the main thread once ended.
    std::unique_ptr<unsigned char[]> buffer;
    char date[date_size] = {};

    // Fetcher thread only.
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    int verdict = http_running;  // decided from the answer; running while the body is read
    bool reading = false;
    bool has_length = false;     // headers of the answer being received
    bool chunked = false;
    uint64_t content_length = 0;
    std::string last_modified;
};

namespace {

struct fetcher {
    CURLM* multi = nullptr;
    std::mutex mutex;
    std::vector<http_request*> inbox;  // under the mutex
    bool stopping = false;             // under the mutex
    std::string proxy;
    long low_speed_seconds = 0;
    long connect_timeout_ms = 0;
    std::thread thread;
};

struct fetch_state {
    bool initialized = false;
    int timeout_ms = default_timeout_ms;
    std::vector<http_request*> live;  // newest first
    std::unique_ptr<fetcher> worker;
    std::atomic<uint32_t> unreported{0};  // bytes received, not yet in the meter
};

fetch_state state;

// The last of the owner and the fetcher thread to let go frees it.
void release(http_request* r)
{
    if (r->holders.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete r;
}

bool stopped(const http_request* r)
{
    return r->cancelled.load() || r->rc.load() != http_running;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// A decimal number of any size (saturating); false unless all digits.
bool parse_length(std::string_view text, uint64_t* value)
{
    if (text.empty())
        return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v > (UINT64_MAX - 9) / 10 ? UINT64_MAX : v * 10 + static_cast<uint64_t>(c - '0');
    }
    *value = v;
    return true;
}

// The verdict on a final answer: still running when its body is to be read.
int judge(http_request* r, long status)
{
    switch (status) {
    case 200:
        break;
    case 304:
        return http_not_modified;
    case 404:
    case 406:
        return http_not_found;
    default:
        return static_cast<int>(status);
    }
    // A body framed by chunks or by the end of the connection has no length.
    if (!r->has_length || r->chunked)
        return http_no_length;
    uint64_t announced = r->content_length;
    r->length.store(static_cast<uint32_t>(std::min<uint64_t>(announced, UINT32_MAX)));
    if (announced == 0)
        return http_empty;
    uint32_t max = r->max.load();
    if (max != 0 && announced > max)
        return http_too_large;
    if (announced > UINT32_MAX)
        return http_no_memory;
    size_t fits = r->last_modified.size() < date_size ? r->last_modified.size() : 0;
    std::memcpy(r->date, r->last_modified.data(), fits);
    r->date[fits] = '\0';
    r->buffer.reset(new (std::nothrow) unsigned char[announced]);
    if (!r->buffer)
        return http_no_memory;
    return http_running;
}

size_t on_header(char* text, size_t size, size_t count, void* user)
{
    auto* r = static_cast<http_request*>(user);
    size_t n = size * count;
    r->progress.fetch_add(1);
    if (stopped(r))
        return CURL_WRITEFUNC_ERROR;
    std::string_view line = trim(std::string_view(text, n));
    if (line.substr(0, 5) == "HTTP/") {
        r->has_length = r->chunked = false;
        r->last_modified.clear();
        return n;
    }
    if (!line.empty()) {
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return n;
        std::string_view name = line.substr(0, colon), value = trim(line.substr(colon + 1));
        if (equal_ignoring_case(name, "Content-Length"))
            r->has_length = parse_length(value, &r->content_length);
        else if (equal_ignoring_case(name, "Transfer-Encoding"))
            r->chunked = true;
        else if (equal_ignoring_case(name, "Last-Modified"))
            r->last_modified = value;
        return n;
    }
    // The blank line that ends an answer's headers.
    long status = 0;
    curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200)
        return n;  // an interim answer; the real one follows
    r->verdict = judge(r, status);
    if (r->verdict == http_running) {
        r->reading = true;
        return n;
    }
    // A 304 carries no body: it ends by itself and leaves the connection
    // fit for the next request. Any other verdict stops the transfer here.
    return status == 304 ? n : CURL_WRITEFUNC_ERROR;
}

// The body, framed by the announced length: libcurl is told to ignore
// Content-Length so that bytes beyond it reach us instead of being dropped.
// The price is that a connection which delivered a body is closed rather
// than reused; answers without one (304 above all) keep theirs.
size_t on_body(char* bytes, size_t size, size_t count, void* user)
{
    auto* r = static_cast<http_request*>(user);
    size_t n = size * count;
    if (!r->reading || stopped(r))
        return CURL_WRITEFUNC_ERROR;
    uint32_t received = r->received.load(std::memory_order_relaxed);
    uint32_t length = r->length.load(std::memory_order_relaxed);
    if (n > length - received) {
        r->verdict = http_too_long;
        return CURL_WRITEFUNC_ERROR;
    }
    // A limit set after the head came in stops the body here.
    uint32_t max = r->max.load();
    if (max != 0 && length > max) {
        r->verdict = http_too_large;
        return CURL_WRITEFUNC_ERROR;
    }
    std::memcpy(r->buffer.get() + received, bytes, n);
    received += static_cast<uint32_t>(n);
    r->received.store(received);
    r->progress.fetch_add(1);
    state.unreported.fetch_add(static_cast<uint32_t>(n));
    if (received < length)
        return n;
    // Complete: the transfer ends now, whatever else the connection holds.
    r->verdict = http_received;
    return CURL_WRITEFUNC_ERROR;
}

int transport_error(CURLcode code)
{
    return http_transport_error + static_cast<int>(code);
}

// The connection is made; from now on a silence is a stall.
int on_connected(void* user, char* /*server_ip*/, char* /*local_ip*/, int /*server_port*/,
                 int /*local_port*/)
{
    auto* r = static_cast<http_request*>(user);
    r->connected.store(true);
    r->progress.fetch_add(1);
    return CURL_PREREQFUNC_OK;
}

// Transport errors are numbered http_transport_error + CURLcode, apart
// from libcurl's own cut of a stalled transfer, which is a time-out. A
// connection that could not be made in time is no stall but a failure:
// the server is out of reach, and trying again would only wait as long.
int outcome(const http_request* r, CURLcode code)
{
    if (r->verdict != http_running)
        return r->verdict;
    if (code == CURLE_OPERATION_TIMEDOUT && r->connected.load())
        return http_timed_out;
    if (code == CURLE_OK)
        code = r->reading ? CURLE_PARTIAL_FILE : CURLE_WEIRD_SERVER_REPLY;
    return transport_error(code);
}

bool begin(fetcher* f, http_request* r)
{
    r->easy = curl_easy_init();
    if (!r->easy)
        return false;
    r->headers = curl_slist_append(nullptr, "Accept: */*");
    if (r->headers && !r->if_modified_since.empty()) {
        std::string line = "If-Modified-Since: " + r->if_modified_since;
        curl_slist* more = curl_slist_append(r->headers, line.c_str());
        if (!more)
            return false;
        r->headers = more;
    }
    if (!r->headers)
        return false;
    CURL* e = r->easy;
    curl_easy_setopt(e, CURLOPT_URL, r->url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_PRIVATE, r);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, r->headers);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Vireo Browser");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, f->connect_timeout_ms);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, on_connected);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, r);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, f->low_speed_seconds);
    curl_easy_setopt(e, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, r);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, r);
    if (!f->proxy.empty())
        curl_easy_setopt(e, CURLOPT_PROXY, f->proxy.c_str());
    return curl_multi_add_handle(f->multi, e) == CURLM_OK;
}

// The fetcher thread lets go of a request. Its fields are published before
// its result, so a final result on the main thread implies readable fields.
void finish(fetcher* f, http_request* r, int result)
{
    if (r->easy) {
        curl_multi_remove_handle(f->multi, r->easy);
        curl_easy_cleanup(r->easy);
        r->easy = nullptr;
    }
    curl_slist_free_all(r->headers);
    r->headers = nullptr;
    r->ended.store(true, std::memory_order_release);
    int running = http_running;
    r->rc.compare_exchange_strong(running, result);
    release(r);
}

void run(fetcher* f)
{
    std::vector<http_request*> active;
    for (;;) {
        std::vector<http_request*> arrived;
        bool stopping;
        {
            std::lock_guard<std::mutex> lock(f->mutex);
            arrived.swap(f->inbox);
            stopping = f->stopping;
        }
        for (http_request* r : arrived) {
            if (stopping)
                finish(f, r, http_timed_out);
            else if (begin(f, r))
                active.push_back(r);
            else  // libcurl could not make or take the handle
                finish(f, r, http_no_connection);
        }
        if (stopping)
            break;
        // Given up by the owner, or timed out by the frame loop.
        std::erase_if(active, [f](http_request* r) {
            if (!stopped(r))
                return false;
            finish(f, r, http_timed_out);
            return true;
        });
        int running = 0;
        curl_multi_perform(f->multi, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(f->multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURLcode code = message->data.result;
            char* owner = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
            auto* r = reinterpret_cast<http_request*>(owner);
            std::erase(active, r);
            finish(f, r, outcome(r, code));
        }
        curl_multi_poll(f->multi, nullptr, 0, poll_ms, nullptr);
    }
    for (http_request* r : active)
        finish(f, r, http_timed_out);
}

void wake()
{
    if (state.worker)
        curl_multi_wakeup(state.worker->multi);
}

int start_fetcher()
{
    auto f = std::make_unique<fetcher>();
    f->multi = curl_multi_init();
    if (!f->multi)
        return transport_error(CURLE_OUT_OF_MEMORY);
    if (const char* proxy = proxy_text())
        f->proxy = proxy;
    f->low_speed_seconds = std::max(1, (state.timeout_ms + 999) / 1000);
    f->connect_timeout_ms = std::min<long>(max_connect_ms, state.timeout_ms);
    try {
        f->thread = std::thread(run, f.get());
    } catch (const std::system_error&) {
        curl_multi_cleanup(f->multi);
        return transport_error(CURLE_FAILED_INIT);
    }
    state.worker = std::move(f);
    return 0;
}

// Ends every transfer and closes every connection.
void stop_fetcher()
{
    if (!state.worker)
        return;
    {
        std::lock_guard<std::mutex> lock(state.worker->mutex);
        state.worker->stopping = true;
    }
    curl_multi_wakeup(state.worker->multi);
    state.worker->thread.join();
    curl_multi_cleanup(state.worker->multi);
    state.worker.reset();
}

// Characters that cannot stand in a request line as they are.
std::string escape_path(const char* path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char* p = path; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"#<>\\^`{|}", c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

http_request* start(const char* host, const char* path, const char* date)
{
    auto* r = new http_request;
    state.live.insert(state.live.begin(), r);
    if (date && *date) {
        r->if_modified_since = date;
        std::strncpy(r->sent_date, date, date_size - 1);
        std::memcpy(r->date, r->sent_date, date_size);
    }
    // "name", "name:port", either with "https://" in front for a secure
    // server; the port follows the last colon.
    std::string name = host ? host : "";
    std::string scheme = "http://";
    unsigned port = http_port;
    if (name.compare(0, 8, "https://") == 0) {
        name.erase(0, 8);
        scheme = "https://";
        port = https_port;
    } else if (name.compare(0, 7, "http://") == 0) {
        name.erase(0, 7);
    }
    size_t colon = name.rfind(':');
    if (colon != std::string::npos) {
        uint64_t number = 0;
        if (parse_length(std::string_view(name).substr(colon + 1), &number) && number > 0 &&
            number <= 65535)
            port = static_cast<unsigned>(number);
        name.resize(colon);
    }
    if (name.empty()) {
        r->rc = http_no_host;
        return r;
    }
    r->url = scheme + name + ":" + std::to_string(port) + "/" + escape_path(path ? path : "");
    if (!state.worker) {
        r->rc = http_no_connection;
        return r;
    }
    r->started = true;
    r->holders = 2;
    r->last_activity = clock_ms();
    {
        std::lock_guard<std::mutex> lock(state.worker->mutex);
        state.worker->inbox.push_back(r);
    }
    wake();
    return r;
}

}  // namespace

int http_init(int timeout_ms)
{
    state.timeout_ms = timeout_ms > 0 ? timeout_ms : default_timeout_ms;
    if (state.initialized)
        return 0;
    CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (global != CURLE_OK)
        return transport_error(global);
    if (int r = start_fetcher()) {
        curl_global_cleanup();
        return r;
    }
    state.initialized = true;
    return 0;
}

http_request* http_get(const char* host, const char* path)
{
    return start(host, path, nullptr);
}

http_request* http_conditional_get(const char* host, const char* path, const char* date)
{
    return start(host, path, date);
}

void http_set_max(http_request* request, uint32_t bytes)
{
    request->max.store(bytes);
}

int http_rc(const http_request* request)
{
    // The limit may have been set after a fast server had answered in
    // full; the answer is judged by it all the same.
    int rc = request->rc.load();
    uint32_t max = request->max.load();
    if (rc == http_received && max != 0 && request->length.load() > max)
        return http_too_large;
    return rc;
}

const unsigned char* http_buffer(const http_request* request)
{
    return request->ended.load(std::memory_order_acquire) ? request->buffer.get() : nullptr;
}

uint32_t http_size(const http_request* request)
{
    return request->length.load();
}

const char* http_date(const http_request* request)
{
    return request->ended.load(std::memory_order_acquire) ? request->date : request->sent_date;
}

void http_progress(const http_request* request, uint32_t* received, uint32_t* length)
{
    *received = request->received.load();
    *length = request->length.load();
}

const char* http_state(const http_request* request)
{
    if (!request->started || request->ended.load())
        return "";
    uint32_t length = request->length.load();
    uint32_t received = request->received.load();
    if (length == 0)
        return msg(62);
    if (received > 0)
        return msg(141, static_cast<int>(received), static_cast<int>(length));
    return msg(27);
}

void http_done(http_request* request)
{
    if (!request)
        return;
    std::erase(state.live, request);
    request->cancelled.store(true);
    if (request->started && !request->ended.load())
        wake();
    release(request);
}

void http_update()
{
    if (uint32_t bytes = state.unreported.exchange(0))
        bps_add(static_cast<int>(bytes));
    uint32_t now = clock_ms();
    bool timed_out = false;
    for (http_request* r : state.live) {
        // Connecting has a time-out of its own, which ends in a failure.
        if (!r->started || !r->connected.load() || r->rc.load() != http_running)
            continue;
        uint32_t progress = r->progress.load();
        if (progress != r->seen_progress) {
            r->seen_progress = progress;
            r->last_activity = now;
        } else if (now - r->last_activity > static_cast<uint32_t>(state.timeout_ms)) {
            int running = http_running;
            timed_out |= r->rc.compare_exchange_strong(running, http_timed_out);
        }
    }
    if (timed_out)
        wake();
}

void http_proxy_changed()
{
    if (!state.initialized)
        return;
    for (http_request* r : state.live) {
        int running = http_running;
        if (r->started)
            r->rc.compare_exchange_strong(running, http_timed_out);
    }
    stop_fetcher();
    // Without a fetcher, new requests end with http_no_connection.
    start_fetcher();
}

void http_term()
{
    if (!state.initialized)
        return;
    stop_fetcher();
    for (http_request* r : state.live)
        release(r);
    state.live.clear();
    state.unreported = 0;
    curl_global_cleanup();
    state.initialized = false;
}
