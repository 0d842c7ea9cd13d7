#include <gtest/gtest.h>

#include "harness.h"
#include "net/fields.h"
#include "net/universe_codes.h"
#include "universe_wire.h"

namespace {

us_request decode(const client_request& r, int expected = us_decode_ok)
{
    us_request out;
    EXPECT_EQ(us_request_decode(r.body().data(), r.body().size(), &out), expected);
    return out;
}

int decode_bytes(const bytes& body)
{
    us_request out;
    return us_request_decode(body.data(), body.size(), &out);
}

}  // namespace

TEST(universe_wire, decodes_the_identity_requests)
{
    us_request r = decode(login_request("Wren", "wren", 7, "nest", 1));
    EXPECT_EQ(r.code, universe::request_login);
    EXPECT_EQ(r.build, 186u);
    EXPECT_EQ(r.name, "Wren");
    EXPECT_EQ(r.password, "wren");
    EXPECT_EQ(r.privilege, 7u);
    EXPECT_EQ(r.privilege_password, "nest");
    EXPECT_EQ(r.hide_world, 1);

    r = decode(client_request(universe::request_immigrate)
                   .text("Ann Lee")
                   .text("pass")
                   .u8(2)
                   .text("a@b.example"));
    EXPECT_EQ(r.name, "Ann Lee");
    EXPECT_EQ(r.password, "pass");
    EXPECT_EQ(r.mode, 2);
    EXPECT_EQ(r.email, "a@b.example");

    r = decode(client_request(universe::request_set_attributes)
                   .text("Wren")
                   .text("wren")
                   .u8(0)
                   .text("Robin")
                   .u8(1)
                   .text("newpass")
                   .u8(2)
                   .text("r@x.example")
                   .u8(3)
                   .text(""));
    EXPECT_EQ(r.name, "Wren");
    EXPECT_EQ(r.password, "wren");
    ASSERT_EQ(r.attributes.size(), 4u);
    EXPECT_EQ(r.attributes[0], std::make_pair(uint8_t(0), std::string("Robin")));
    EXPECT_EQ(r.attributes[1], std::make_pair(uint8_t(1), std::string("newpass")));
    EXPECT_EQ(r.attributes[2], std::make_pair(uint8_t(2), std::string("r@x.example")));
    EXPECT_EQ(r.attributes[3], std::make_pair(uint8_t(3), std::string()));

    r = decode(client_request(universe::request_get_attributes).text("Wren").text("wren"));
    EXPECT_EQ(r.name, "Wren");
    EXPECT_EQ(r.password, "wren");
    r = decode(client_request(universe::request_send_password).text("Wren").text("w@x.example"));
    EXPECT_EQ(r.name, "Wren");
    EXPECT_EQ(r.email, "w@x.example");
    r = decode(client_request(universe::request_lookup_world).text("qo"));
    EXPECT_EQ(r.world, "qo");
}

TEST(universe_wire, decodes_the_service_requests)
{
    for (uint8_t code : {universe::request_keep_alive, universe::request_get_telegram,
                         universe::request_get_worlds})
        EXPECT_EQ(decode(client_request(code)).code, code);
    for (uint8_t code : {universe::request_citizen_name, universe::request_add_contact,
                         universe::request_delete_contact, universe::request_citizen_location})
        EXPECT_EQ(decode(client_request(code).u32(0x01020304)).number, 0x01020304u);

    us_request r = decode(client_request(universe::request_send_telegram).u32(2).text("hello"));
    EXPECT_EQ(r.number, 2u);
    EXPECT_EQ(r.message, "hello");
    EXPECT_EQ(decode(client_request(universe::request_citizen_number).text("Finch")).name, "Finch");
    // The address arrives in network order: 10.0.0.7.
    EXPECT_EQ(decode(client_request(universe::request_whos_at).raw({10, 0, 0, 7})).address,
              0x0A000007u);

    r = decode(client_request(universe::request_contact_list).u32(5).u32(9).u32(2));
    EXPECT_EQ(r.numbers, (std::vector<uint32_t>{5, 9, 2}));
    EXPECT_TRUE(decode(client_request(universe::request_contact_list)).numbers.empty());

    r = decode(client_request(universe::request_location)
                   .u8(0)
                   .u32(1)
                   .text("qo")
                   .u32(1500)
                   .u32(0xFFFFFC18)
                   .u32(2500)
                   .u16(900));
    EXPECT_EQ(r.answer, 0);
    EXPECT_EQ(r.number, 1u);
    EXPECT_EQ(r.world, "qo");
    EXPECT_EQ(r.x, 1500u);
    EXPECT_EQ(r.y, 0xFFFFFC18u);
    EXPECT_EQ(r.z, 2500u);
    EXPECT_EQ(r.facing, 900);
    // A refusal carries no location.
    r = decode(client_request(universe::request_location).u8(250).u32(1));
    EXPECT_EQ(r.answer, 250);
    EXPECT_EQ(r.world, "");
}

TEST(universe_wire, rejects_short_fields_texts_past_the_end_and_unknown_codes)
{
    EXPECT_EQ(decode_bytes({}), us_decode_malformed);
    // Every proper prefix of a log-in is short of a field.
    bytes whole = login_request("Wren", "wren", 1, "nest").body();
    for (size_t n = 1; n < whole.size(); ++n)
        EXPECT_EQ(decode_bytes(bytes(whole.begin(), whole.begin() + n)), us_decode_malformed) << n;
    // A text whose length byte runs past the message.
    EXPECT_EQ(decode_bytes({universe::request_lookup_world, 5, 'q', 'o'}), us_decode_malformed);
    EXPECT_EQ(decode_bytes({universe::request_citizen_name, 0, 0, 1}), us_decode_malformed);
    // Contact numbers fill the message in whole numbers.
    EXPECT_EQ(decode_bytes({universe::request_contact_list, 0, 0, 0, 1, 0}), us_decode_malformed);
    // Attribute tags are 0 to 3.
    decode(client_request(universe::request_set_attributes).text("a").text("b").u8(4).text("x"),
           us_decode_malformed);
    for (uint8_t code : {0, 23, 29, 39, 46, 255})
        EXPECT_EQ(decode_bytes({code, 0, 0, 0, 0}), us_decode_unknown) << int(code);
}

TEST(universe_wire, writer_frames_messages_and_reader_stops_at_the_end)
{
    us_writer w(13, universe::message_login);
    w.byte(0).u32(0x01020304).u16(0x0506).text("ab").text(std::string(300, 'x'));
    const bytes& m = w.finish();
    ASSERT_EQ(m.size(), 2u + 2 + 1 + 4 + 2 + 3 + 256);
    EXPECT_EQ(m[0] << 8 | m[1], int(m.size() - 2));
    EXPECT_EQ(bytes(m.begin() + 2, m.begin() + 16),
              (bytes{13, 20, 0, 1, 2, 3, 4, 5, 6, 2, 'a', 'b', 255, 'x'}));

    field_reader r(m.data() + 4, m.size() - 4);
    EXPECT_EQ(r.u8(), 0);
    EXPECT_EQ(r.u32(), 0x01020304u);
    EXPECT_EQ(r.u16(), 0x0506);
    EXPECT_EQ(r.text(), "ab");
    EXPECT_EQ(r.text().size(), 255u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.left(), 0u);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_FALSE(r.ok());
}
