#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "support/vireo_home.h"

namespace {

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on just now.
uint16_t free_port()
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

bool listening(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    bool open = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return open;
}

}  // namespace

// With nobody on the universe port of this machine, the program starts the
// server beside it with a data folder of the user's, logs in there, and the
// server ends with the program; the data folder stays for the next run.
TEST(local_server, starts_with_the_program_logs_in_and_stops_with_it)
{
    temp_dir data_home;
    vireo_home home;
    uint16_t port = free_port();
    home.set_env("XDG_DATA_HOME", data_home.path());
    // The server beside the program is the one started.
    home.keep_env("VIREO_SERVER");
    home.set("universe", "host", "127.0.0.1");
    home.set("universe", "port", std::to_string(port));
    home.set("citizen", "name", "Wren");
    home.set("citizen", "password", "wren");

    process_result r = home.run("wait 5\nstate state.json\nquit 0\n");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(home.read("state.json"))).object();
    EXPECT_EQ(state["identity"].toString(), "Wren");
    EXPECT_EQ(state["number"].toInt(), 1);
    EXPECT_FALSE(listening(port));
    std::string folder = data_home.path() + "/Vireo";
    EXPECT_TRUE(std::filesystem::exists(folder + "/server-data/universe.db"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/server.log"));
}
