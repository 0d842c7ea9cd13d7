#include <gtest/gtest.h>

#include <QCoreApplication>

#include <arpa/inet.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "net/resolve.h"

namespace {

std::atomic<int> lookups{0};

uint32_t found(const char* host)
{
    ++lookups;
    return std::strcmp(host, "nowhere.invalid") == 0 ? resolve_failed : htonl(0x0A000001);
}

bool wait_for(const uint32_t& variable)
{
    for (int i = 0; i < 1000 && variable == 0; ++i) {
        QCoreApplication::processEvents();
        usleep(2000);
    }
    return variable != 0;
}

class resolver : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(resolve_init(), 0);
        resolve_set_lookup(found);
        lookups = 0;
    }
    void TearDown() override { resolve_term(); }
};

}  // namespace

TEST_F(resolver, a_dotted_address_needs_no_lookup)
{
    uint32_t address = 7;
    EXPECT_EQ(resolve("192.168.1.2", &address), nullptr);
    EXPECT_EQ(address, htonl(0xC0A80102));
    EXPECT_EQ(lookups, 0);
}

TEST_F(resolver, two_waits_for_one_name_share_one_lookup)
{
    uint32_t first = 1, second = 1;
    EXPECT_NE(resolve("world.example", &first), nullptr);
    EXPECT_NE(resolve("world.example", &second), nullptr);
    EXPECT_EQ(first, 0u);
    ASSERT_TRUE(wait_for(first));
    ASSERT_TRUE(wait_for(second));
    EXPECT_EQ(first, htonl(0x0A000001));
    EXPECT_EQ(second, first);
    EXPECT_EQ(lookups, 1);
    // Known now: answered at once.
    uint32_t third = 0;
    EXPECT_EQ(resolve("world.example", &third), nullptr);
    EXPECT_EQ(third, first);
    EXPECT_EQ(lookups, 1);
}

TEST_F(resolver, a_name_is_tried_four_times_then_fails_for_good)
{
    uint32_t address = 0;
    ASSERT_NE(resolve("nowhere.invalid", &address), nullptr);
    ASSERT_TRUE(wait_for(address));
    EXPECT_EQ(address, resolve_failed);
    EXPECT_EQ(lookups, 4);
    uint32_t again = 0;
    EXPECT_EQ(resolve("nowhere.invalid", &again), nullptr);
    EXPECT_EQ(again, resolve_failed);
    EXPECT_EQ(lookups, 4);
}

TEST_F(resolver, a_cancelled_wait_is_left_alone)
{
    uint32_t kept = 0, dropped = 0;
    resolve("cancel.example", &kept);
    resolve_cancel(resolve("cancel.example", &dropped));
    ASSERT_TRUE(wait_for(kept));
    EXPECT_EQ(dropped, 0u);
}
