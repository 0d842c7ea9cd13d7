#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/profile.h"
#include "net/local_server.h"
#include "support/tcp_peer.h"
#include "support/temp_dir.h"

TEST(local_server, only_this_machine_counts_as_loopback)
{
    EXPECT_TRUE(local_server_is_loopback("localhost"));
    EXPECT_TRUE(local_server_is_loopback("127.0.0.1"));
    EXPECT_TRUE(local_server_is_loopback("127.8.9.10"));
    EXPECT_FALSE(local_server_is_loopback("128.0.0.1"));
    EXPECT_FALSE(local_server_is_loopback("localhost.example"));
    EXPECT_FALSE(local_server_is_loopback("127.0.0"));
    EXPECT_FALSE(local_server_is_loopback(""));
    EXPECT_FALSE(local_server_is_loopback(nullptr));
}

// A universe that answers, or one on another machine, starts no server:
// nothing is created in the user's data folder.
TEST(local_server, starts_nothing_when_a_universe_answers_or_is_elsewhere)
{
    temp_dir dir;
    tcp_peer peer;
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    for (std::string host : {"127.0.0.1", "192.0.2.1"}) {
        dir.write("vireo.ini", "[universe]\nhost=" + host + "\nport=" + std::to_string(peer.port()) + "\n");
        ASSERT_EQ(profile_init(dir.path().c_str(), "/vireo.ini"), 1);
        EXPECT_EQ(local_server_start(), 0) << host;
        local_server_term();
    }
    unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/Vireo"));
}
