#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "http_wire.h"

namespace {

int parse(const std::string& text, hs_request* request, size_t* used = nullptr)
{
    size_t ignored = 0;
    return hs_request_parse(text.data(), text.size(), request, used ? used : &ignored);
}

int status_of(const std::string& text)
{
    hs_request request;
    return parse(text, &request);
}

}  // namespace

TEST(http_wire, parses_a_request_head_and_only_a_complete_one)
{
    std::string head =
        "GET /qo/models/tree.zip HTTP/1.1\r\nHost: localhost:5680\r\nUser-Agent: Vireo "
        "Browser\r\nAccept: */*\r\nIf-Modified-Since:  Sun, 06 Nov 1994 08:49:37 GMT \r\n\r\n";
    hs_request r;
    size_t used = 0;
    ASSERT_EQ(parse(head + "GET /next", &r, &used), hs_parse_done);
    EXPECT_EQ(used, head.size());
    EXPECT_EQ(r.method, hs_method_get);
    EXPECT_EQ(r.path, "/qo/models/tree.zip");
    EXPECT_FALSE(r.has_query);
    EXPECT_TRUE(r.keep_alive);
    EXPECT_FALSE(r.has_body);
    EXPECT_EQ(r.if_modified_since, "Sun, 06 Nov 1994 08:49:37 GMT");
    for (size_t cut = 0; cut < head.size(); ++cut)
        EXPECT_EQ(status_of(head.substr(0, cut)), hs_parse_more) << cut;

    // Bare line feeds, leading blank lines, HTTP/1.0 without a host, a query,
    // and the absolute form that proxies send.
    ASSERT_EQ(parse("\r\n\nHEAD /help/a.html?x=1?y HTTP/1.0\n\n", &r), hs_parse_done);
    EXPECT_EQ(r.method, hs_method_head);
    EXPECT_EQ(r.path, "/help/a.html");
    EXPECT_TRUE(r.has_query);
    EXPECT_EQ(r.query, "x=1?y");
    EXPECT_FALSE(r.keep_alive);
    ASSERT_EQ(parse("GET HTTP://objects:5680/cgi-bin/teleport?qo_1n_2w HTTP/1.1\r\nHost: "
                    "objects\r\nConnection: keep-alive, Close\r\n\r\n",
                    &r),
              hs_parse_done);
    EXPECT_EQ(r.path, "/cgi-bin/teleport");
    EXPECT_EQ(r.query, "qo_1n_2w");
    EXPECT_FALSE(r.keep_alive);
    ASSERT_EQ(parse("GET http://objects HTTP/1.1\r\nHost: objects\r\n\r\n", &r), hs_parse_done);
    EXPECT_EQ(r.path, "/");
    ASSERT_EQ(parse("DELETE /x HTTP/1.1\r\nHost: h\r\nContent-Length: 2\r\n\r\n", &r),
              hs_parse_done);
    EXPECT_EQ(r.method, hs_method_other);
    EXPECT_TRUE(r.has_body);
}

TEST(http_wire, answers_malformed_heads_with_their_status)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"GET /x\r\n\r\n", 400},
        {"GET  /x HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET /a b HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET x HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET /x#frag HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET /x HTTP/1.1\r\n\r\n", 400},
        {"GET /x HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n", 400},
        {"GET /x HTTP/1.1\r\nHost: h\r\n folded\r\n\r\n", 400},
        {"GET /x HTTP/1.1\r\nHost : h\r\n\r\n", 400},
        {"GET /x HTTP/1.1\r\nHost: h\rX\r\n\r\n", 400},
        {std::string("GET /x HTTP/1.1\r\nHost: h\0\r\n\r\n", 29), 400},
        {"GET /x HTTP/1.1\r\nHost: h\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400},
        {"GET /x HTTP/1.1\r\nHost: h\r\nContent-Length: -1\r\n\r\n", 400},
        {"G@T /x HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET /x HTTP/1.1x\r\nHost: h\r\n\r\n", 400},
        {"GET /x HTTP/2.0\r\nHost: h\r\n\r\n", 505},
        {"GET /" + std::string(hs_line_max, 'a') + " HTTP/1.1\r\n\r\n", 414},
        {"GET /" + std::string(hs_line_max, 'a'), 414},
        {"GET /x HTTP/1.1\r\nHost: h\r\nX: " + std::string(hs_head_max, 'a'), 431},
    };
    for (const auto& [text, status] : cases)
        EXPECT_EQ(status_of(text), status) << text.substr(0, 60);
    std::string many = "GET /x HTTP/1.1\r\nHost: h\r\n";
    for (size_t i = 0; i < hs_header_count_max; ++i)
        many += "X: y\r\n";
    EXPECT_EQ(status_of(many + "\r\n"), 431);
}

TEST(http_wire, maps_paths_below_the_content_directory_only)
{
    const std::vector<std::pair<std::string, std::string>> good = {
        {"/qo/models/tree.zip", "qo/models/tree.zip"},
        {"//qo///textures/stone%20wall.jpg", "qo/textures/stone wall.jpg"},
        {"/help/", "help"},
        {"/", ""},
        {"/a%2Eb/c..d", "a.b/c..d"},
    };
    for (const auto& [path, expected] : good) {
        std::string relative;
        EXPECT_EQ(hs_path_resolve(path, &relative), 0) << path;
        EXPECT_EQ(relative, expected) << path;
    }
    const std::vector<std::pair<std::string, int>> bad = {
        {"/../etc/passwd", 400},     {"/qo/..", 400},       {"/qo/./x", 400},
        {"/qo/%2e%2e/%2E%2E/x", 400}, {"/qo/..%2fx", 400},   {"/qo/a%2Fb", 400},
        {"/qo/a%00.zip", 400},       {"/qo/a%0", 400},      {"/qo/a%zz", 400},
        {"/qo\\..\\x", 400},         {"/qo/a%5cb", 400},    {"/qo/.secret", 404},
        {"/.git/config", 404},       {"/qo/%2esecret", 404},
    };
    for (const auto& [path, status] : bad) {
        std::string relative;
        EXPECT_EQ(hs_path_resolve(path, &relative), status) << path;
    }
}

TEST(http_wire, reads_every_date_form_and_writes_rfc_1123)
{
    EXPECT_EQ(hs_date_format(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(hs_date_format(0), "Thu, 01 Jan 1970 00:00:00 GMT");
    EXPECT_EQ(hs_date_format(951782400), "Tue, 29 Feb 2000 00:00:00 GMT");
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994"}) {
        int64_t seconds = 0;
        EXPECT_EQ(hs_date_parse(text, &seconds), 0) << text;
        EXPECT_EQ(seconds, 784111777) << text;
    }
    int64_t seconds = 0;
    ASSERT_EQ(hs_date_parse("Mon, 28 Feb 2000 23:59:59 GMT", &seconds), 0);
    EXPECT_EQ(hs_date_format(seconds + 1), "Tue, 29 Feb 2000 00:00:00 GMT");
    for (const char* text :
         {"", "Sun, 06 Nov 1994 08:49:37", "Sun, 06 Nov 1994 08:49:37 GMT ",
          "Sun, 6 Nov 1994 08:49:37 GMT", "Sun, 06 Xyz 1994 08:49:37 GMT",
          "Sun, 31 Nov 1994 08:49:37 GMT", "Sun, 29 Feb 1900 08:49:37 GMT",
          "Sun, 06 Nov 1994 24:00:00 GMT", "Funday, 06-Nov-94 08:49:37 GMT",
          "Sun Nov 6 08:49:37 1994", "1994-11-06T08:49:37Z"})
        EXPECT_EQ(hs_date_parse(text, &seconds), 1) << text;
}

TEST(http_wire, response_heads_teleport_lines_and_types)
{
    hs_response r;
    r.content_length = 12;
    r.content_type = "text/html";
    r.last_modified = 784111777;
    EXPECT_EQ(hs_response_head(r, 0),
              "HTTP/1.1 200 OK\r\nDate: Thu, 01 Jan 1970 00:00:00 GMT\r\nServer: "
              "vireo-server\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\nContent-Type: "
              "text/html\r\nContent-Length: 12\r\n\r\n");
    hs_response refused;
    refused.status = 405;
    refused.close = true;
    std::string head = hs_response_head(refused, 0);
    EXPECT_TRUE(head.starts_with("HTTP/1.1 405 Method Not Allowed\r\n"));
    EXPECT_NE(head.find("\r\nAllow: GET, HEAD\r\n"), std::string::npos);
    EXPECT_NE(head.find("\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"), std::string::npos);

    std::string line;
    ASSERT_EQ(hs_teleport_line("qo_12.5n_34w_0a_90", &line), 0);
    EXPECT_EQ(line, "teleport qo 12.5n 34w 0a 90");
    EXPECT_EQ(hs_teleport_line("", &line), 1);

    EXPECT_STREQ(hs_content_type("qo/models/tree.ZIP"), "application/zip");
    EXPECT_STREQ(hs_content_type("help/integrated.html"), "text/html");
    EXPECT_STREQ(hs_content_type("qo/textures/stone.jpg"), "image/jpeg");
    EXPECT_STREQ(hs_content_type("qo.d/models/README"), "application/octet-stream");
}
