#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data_dir.h"
#include "options.h"

namespace {

int parse(std::vector<const char*> args, server_options* options, std::string* error)
{
    args.insert(args.begin(), "vireo-server");
    return server_options_parse(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(options, defaults_and_every_option)
{
    server_options o;
    std::string error;
    ASSERT_EQ(parse({}, &o, &error), 0);
    EXPECT_EQ(o.listen, "127.0.0.1");
    EXPECT_EQ(o.universe_port, 5670);
    EXPECT_EQ(o.world_port, 5671);
    EXPECT_EQ(o.http_port, 5680);
    EXPECT_EQ(o.minimum_build, 0u);
    EXPECT_EQ(o.current_build, 186u);
    EXPECT_EQ(o.redirect_port, 0);
    EXPECT_FALSE(o.full);
    EXPECT_FALSE(o.city);

    EXPECT_TRUE(o.content.empty());
    ASSERT_EQ(parse({"--data", "/tmp/x", "--listen=0.0.0.0", "--universe-port", "0", "--world-port",
                     "7001", "--http-port=7080", "--bots", "3", "--full", "--redirect",
                     "10.1.2.3:5999", "--minimum-build", "100", "--current-build=4000000000",
                     "--content", "/srv/art", "--per-address", "200", "--city=4294967295"},
                    &o, &error),
              0)
        << error;
    EXPECT_EQ(o.data, "/tmp/x");
    EXPECT_EQ(o.listen, "0.0.0.0");
    EXPECT_EQ(o.universe_port, 0);
    EXPECT_EQ(o.world_port, 7001);
    EXPECT_EQ(o.http_port, 7080);
    EXPECT_EQ(o.content, "/srv/art");
    EXPECT_EQ(o.bots, 3);
    EXPECT_EQ(o.per_address, 200u);
    EXPECT_TRUE(o.city);
    EXPECT_EQ(o.city_seed, 4294967295u);
    EXPECT_TRUE(o.full);
    EXPECT_EQ(o.redirect_address, 0x0A010203u);
    EXPECT_EQ(o.redirect_port, 5999);
    EXPECT_EQ(o.minimum_build, 100u);
    EXPECT_EQ(o.current_build, 4000000000u);
}

TEST(options, refuses_bad_values_with_a_reason)
{
    for (std::vector<const char*> args :
         std::vector<std::vector<const char*>>{{"--universe-port", "65536"},
                                               {"--universe-port", "-1"},
                                               {"--world-port", "65536"},
                                               {"--http-port", "65536"},
                                               {"--content"},
                                               {"--listen", "localhost"},
                                               {"--redirect", "10.0.0.1"},
                                               {"--redirect", "10.0.0.1:0"},
                                               {"--redirect", "host:5670"},
                                               {"--bots", "1001"},
                                               {"--city", "4294967296"},
                                               {"--city"},
                                               {"--current-build", "12x"},
                                               {"--data"},
                                               {"--unknown"},
                                               {"stray"}}) {
        server_options o;
        std::string error;
        EXPECT_EQ(parse(args, &o, &error), 1) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(options, help_documents_every_option_the_layout_and_the_citizens)
{
    std::string help = server_options_help();
    for (const char* word : {"--data", "--content", "--listen", "--universe-port", "--world-port", "--http-port",
                             "--bots", "--city", "--per-address", "--redirect", "--full", "--minimum-build", "--current-build",
                             "--help", "--content", "worlds.conf", "universe.db", "universe port N",
                             "http port N", "NAME.world", "NAME.objects"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    for (const server_seed_citizen& c : server_seed_citizens) {
        EXPECT_NE(help.find(std::string(c.name) + " / " + c.password), std::string::npos) << c.name;
    }
}
