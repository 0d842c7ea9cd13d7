#include "harness.h"

#include <gtest/gtest.h>

#include "data_dir.h"
#include "net/universe_codes.h"
#include "store.h"
#include "worlds.h"

client_request& client_request::u8(uint8_t value)
{
    body_.push_back(value);
    return *this;
}

client_request& client_request::u16(uint16_t value)
{
    body_.push_back(static_cast<uint8_t>(value >> 8));
    body_.push_back(static_cast<uint8_t>(value));
    return *this;
}

client_request& client_request::u32(uint32_t value)
{
    u16(static_cast<uint16_t>(value >> 16));
    return u16(static_cast<uint16_t>(value));
}

client_request& client_request::text(std::string_view value)
{
    body_.push_back(static_cast<uint8_t>(value.size()));
    body_.insert(body_.end(), value.begin(), value.end());
    return *this;
}

client_request& client_request::raw(const bytes& value)
{
    body_.insert(body_.end(), value.begin(), value.end());
    return *this;
}

bytes client_request::framed() const
{
    bytes out{static_cast<uint8_t>(body_.size() >> 8), static_cast<uint8_t>(body_.size())};
    out.insert(out.end(), body_.begin(), body_.end());
    return out;
}

client_request login_request(std::string_view name, std::string_view password, uint32_t privilege,
                             std::string_view privilege_password, uint8_t hide_world)
{
    client_request r(universe::request_login);
    r.u32(186).text(name).text(password).u32(privilege).text(privilege_password).u8(hide_world);
    return r;
}

universe_harness::universe_harness(const us_universe_options& options)
{
    store = us_store_open(dir_.file("universe.db"));
    EXPECT_NE(store, nullptr);
    EXPECT_EQ(server_data_seed_citizens(store), 0);
    worlds = server_worlds_create();
    server_worlds_add(worlds, "qo", "Kestrel", 5671);
    server_worlds_add(worlds, "gate", "Gate", 5672);
    server_worlds_set_running(worlds, "qo", true);
    server_worlds_set_running(worlds, "gate", true);
    us_universe_io io;
    io.user = this;
    io.send = on_send;
    io.close = on_close;
    universe = us_universe_create(options, store, worlds, io);
}

universe_harness::~universe_harness()
{
    us_universe_destroy(universe);
    server_worlds_destroy(worlds);
    us_store_close(store);
}

void universe_harness::on_send(void* user, int session, const uint8_t* data, size_t size)
{
    // Every call is one whole message, framed as the client reads it.
    ASSERT_GE(size, 4u);
    ASSERT_EQ(size_t(data[0] << 8 | data[1]), size - 2);
    ASSERT_LE(size - 2, size_t(universe::max_message));
    server_message m;
    m.rc = data[2];
    m.id = data[3];
    m.fields.assign(data + 4, data + size);
    static_cast<universe_harness*>(user)->sent_[session].push_back(std::move(m));
}

void universe_harness::on_close(void* user, int session)
{
    static_cast<universe_harness*>(user)->closed.push_back(session);
}

void universe_harness::open(int session, uint32_t peer)
{
    us_universe_open(universe, session, peer, 0x7F000001);
}

int universe_harness::input(int session, const bytes& data)
{
    return us_universe_input(universe, session, data.data(), data.size());
}

std::vector<server_message> universe_harness::take(int session)
{
    std::vector<server_message> messages = std::move(sent_[session]);
    sent_[session].clear();
    return messages;
}

server_message universe_harness::ask(int session, const client_request& r)
{
    EXPECT_EQ(send(session, r), 0);
    std::vector<server_message> messages = take(session);
    EXPECT_EQ(messages.size(), 1u);
    return messages.empty() ? server_message{} : messages.front();
}

void universe_harness::log_in(int session, std::string_view name, std::string_view password,
                              uint8_t hide_world)
{
    EXPECT_EQ(send(session, login_request(name, password, 0, "", hide_world)), 0);
    std::vector<server_message> messages = take(session);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().id, universe::message_login);
    EXPECT_EQ(messages.front().rc, 0);
}
