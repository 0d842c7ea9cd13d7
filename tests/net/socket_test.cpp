#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "net/socket.h"
#include "support/tcp_peer.h"

namespace {

uint32_t loopback()
{
    return htonl(INADDR_LOOPBACK);
}

// Sends until the connection is made (loopback connects at once, or within
// a few polls).
int send_when_connected(tcp_connection* c, const void* bytes, size_t n)
{
    int rc = socket_connecting;
    for (int i = 0; i < 1000 && rc == socket_connecting; ++i) {
        rc = tcp_send(c, bytes, n);
        if (rc == socket_connecting)
            usleep(1000);
    }
    return rc;
}

}  // namespace

TEST(socket, tcp_carries_bytes_both_ways_and_reports_the_peer_closing)
{
    tcp_peer peer;
    tcp_connection* c = nullptr;
    ASSERT_EQ(tcp_connect(loopback(), htons(peer.port()), &c), 0);
    int fd = peer.accept_one();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(send_when_connected(c, "hello", 5), 0);
    EXPECT_EQ(tcp_writable(c), 1);
    auto got = tcp_peer::read(fd, 5);
    EXPECT_EQ(std::string(got.begin(), got.end()), "hello");

    char buffer[64];
    size_t received = 0;
    EXPECT_EQ(tcp_receive(c, buffer, sizeof buffer, &received), 0);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(tcp_readable(c), 0);
    tcp_peer::write(fd, {'a', 'b', 'c'});
    for (int i = 0; i < 500 && !tcp_readable(c); ++i)
        usleep(1000);
    ASSERT_EQ(tcp_receive(c, buffer, 2, &received), 0);
    EXPECT_EQ(std::string(buffer, received), "ab");
    tcp_peer::close(fd);
    for (int i = 0; i < 500 && !tcp_readable(c); ++i)
        usleep(1000);
    ASSERT_EQ(tcp_receive(c, buffer, sizeof buffer, &received), 0);
    EXPECT_EQ(std::string(buffer, received), "c");
    EXPECT_EQ(tcp_receive(c, buffer, sizeof buffer, &received), socket_closed);
    EXPECT_EQ(tcp_close(c), 0);
}

TEST(socket, a_refused_connection_is_a_system_error)
{
    int port;
    {
        tcp_peer gone;
        port = gone.port();
    }
    tcp_connection* c = nullptr;
    ASSERT_EQ(tcp_connect(loopback(), htons(static_cast<uint16_t>(port)), &c), 0);
    int rc = send_when_connected(c, "x", 1);
    EXPECT_EQ(rc, socket_system + ECONNREFUSED);
    tcp_close(c);
}

TEST(socket, udp_takes_the_first_free_port_from_3000)
{
    // Ports 3000 and 3001 taken by others.
    int taken[2];
    for (int i = 0; i < 2; ++i) {
        taken[i] = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(3000 + i));
        if (bind(taken[i], reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            GTEST_SKIP() << "port " << 3000 + i << " is in use on this machine";
    }
    int s = -1;
    ASSERT_EQ(udp_open(&s), 0);
    EXPECT_EQ(udp_port(s), 3002);

    int other = -1;
    ASSERT_EQ(udp_open(&other), 0);
    ASSERT_EQ(udp_send(s, "ping", 4, loopback(), htons(static_cast<uint16_t>(udp_port(other)))), 0);
    char buffer[16];
    size_t received = 0;
    uint32_t from = 0;
    uint16_t from_port = 0;
    for (int i = 0; i < 500 && received == 0; ++i) {
        ASSERT_EQ(udp_receive(other, buffer, sizeof buffer, &received, &from, &from_port), 0);
        if (!received)
            usleep(1000);
    }
    EXPECT_EQ(std::string(buffer, received), "ping");
    EXPECT_EQ(from, loopback());
    EXPECT_EQ(ntohs(from_port), 3002);
    udp_close(s);
    udp_close(other);
    close(taken[0]);
    close(taken[1]);
}
