#include <gtest/gtest.h>

#include <string>

#include "clock.h"
#include "harness.h"
#include "net/universe_codes.h"
#include "worlds.h"

using namespace universe;

namespace {

constexpr uint32_t wren = 1;
constexpr uint32_t finch = 2;

// The log-in reply's fields after the build values: the citizen number and
// the privilege name, when present.
struct login_reply {
    uint8_t rc = 0;
    uint32_t minimum = 0, current = 0;
    bool has_number = false;
    uint32_t number = 0;
    bool has_name = false;
    std::string name;
};

login_reply read_login(const server_message& m)
{
    EXPECT_EQ(m.id, message_login);
    login_reply r;
    r.rc = m.rc;
    field_reader in = m.reader();
    EXPECT_EQ(in.u8(), 0);
    r.minimum = in.u32();
    r.current = in.u32();
    EXPECT_EQ(in.u8(), 0);  // beta
    if (in.left() > 0) {
        r.has_number = true;
        r.number = in.u32();
    }
    if (in.left() > 0) {
        r.has_name = true;
        r.name = in.text();
    }
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.left(), 0u);
    return r;
}

// One contact state of a contact list message.
struct contact_state {
    uint32_t number = 0;
    uint8_t state = 0;
    std::string name, world;
    bool operator==(const contact_state&) const = default;
};

std::vector<contact_state> read_contacts(const server_message& m)
{
    EXPECT_EQ(m.id, message_contacts);
    EXPECT_EQ(m.rc, 0);
    std::vector<contact_state> states;
    field_reader in = m.reader();
    while (in.ok() && in.left() > 0) {
        contact_state c;
        c.number = in.u32();
        c.state = in.u8();
        if (c.state == 0 || c.state == 1)
            c.name = in.text();
        if (c.state == 1)
            c.world = in.text();
        states.push_back(c);
    }
    EXPECT_TRUE(in.ok());
    return states;
}

client_request telegram(uint32_t to, const std::string& text)
{
    return client_request(request_send_telegram).u32(to).text(text);
}

}  // namespace

TEST(universe_login, a_citizen_gets_the_build_values_and_its_number)
{
    universe_harness h;
    h.open(1);
    server_message m = h.ask(1, login_request("Wren", "wren"));
    EXPECT_EQ(m.rc, 0);
    EXPECT_EQ(m.id, message_login);
    // Unused byte, minimum build 0, current build 186, beta 0, number 1.
    EXPECT_EQ(m.fields, (bytes{0, 0, 0, 0, 0, 0, 0, 0, 186, 0, 0, 0, 0, 1}));

    // Names are found without regard to case; a tourist logs in with none.
    h.open(2);
    EXPECT_EQ(read_login(h.ask(2, login_request("fINCH", "finch"))).number, finch);
    h.open(3);
    login_reply tourist = read_login(h.ask(3, login_request("", "")));
    EXPECT_EQ(tourist.rc, 0);
    EXPECT_TRUE(tourist.has_number);
    EXPECT_EQ(tourist.number, 0u);
    EXPECT_FALSE(tourist.has_name);
}

TEST(universe_login, refusals_carry_the_build_values_without_a_number)
{
    us_universe_options options;
    options.minimum_build = 150;
    options.current_build = 200;
    universe_harness h(options);
    h.open(1);
    h.open(2);
    for (auto [name, password, rc] : {std::tuple{"Robin", "robin", result_no_such_citizen},
                                      std::tuple{"Wren", "finch", result_wrong_password},
                                      std::tuple{"Wren", "", result_wrong_password}}) {
        login_reply r = read_login(h.ask(1, login_request(name, password)));
        EXPECT_EQ(r.rc, rc) << name;
        EXPECT_EQ(r.minimum, 150u);
        EXPECT_EQ(r.current, 200u);
        EXPECT_FALSE(r.has_number);
    }

    // One citizen, one connection: a second one is refused, the first stays.
    h.log_in(1, "Wren", "wren");
    EXPECT_EQ(read_login(h.ask(2, login_request("Wren", "wren"))).rc, result_already_in);
    EXPECT_EQ(read_login(h.ask(1, login_request("Wren", "wren"))).rc, 0);
    us_universe_close(h.universe, 1);
    EXPECT_EQ(read_login(h.ask(2, login_request("Wren", "wren"))).number, wren);
}

TEST(universe_login, privilege_applications_succeed_fail_and_never_stop_the_log_in)
{
    universe_harness h;
    h.open(1);
    login_reply r = read_login(h.ask(1, login_request("Finch", "finch", wren, "nest")));
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.number, finch);
    EXPECT_EQ(r.name, "Wren");

    h.open(2);
    r = read_login(h.ask(2, login_request("Wren", "wren", 77, "nest")));
    EXPECT_EQ(r.rc, result_privilege_no_citizen);
    EXPECT_EQ(r.number, wren);
    EXPECT_FALSE(r.has_name);

    h.open(3);
    h.open(4);
    us_universe_close(h.universe, 1);
    r = read_login(h.ask(3, login_request("Finch", "finch", wren, "wrong")));
    EXPECT_EQ(r.rc, result_privilege_password);
    EXPECT_EQ(r.number, finch);
    EXPECT_EQ(r.name, "Wren");
    // Finch has no privilege password at all.
    us_universe_close(h.universe, 2);
    r = read_login(h.ask(4, login_request("Wren", "wren", finch, "")));
    EXPECT_EQ(r.rc, result_privilege_password);
    EXPECT_EQ(r.name, "Finch");

    // The log-in stood: the citizen's own services work.
    server_message reply = h.ask(3, client_request(request_citizen_number).text("wren"));
    EXPECT_EQ(reply.rc, 0);
    EXPECT_EQ(h.send(3, telegram(wren, "hi")), 0);
    EXPECT_EQ(h.take(4).size(), 1u);  // the telegram notice
}

TEST(universe_login, test_switches_full_and_redirect)
{
    us_universe_options full;
    full.full = true;
    universe_harness h(full);
    h.open(1);
    login_reply r = read_login(h.ask(1, login_request("Wren", "wren")));
    EXPECT_EQ(r.rc, result_system_full);
    EXPECT_FALSE(r.has_number);
    EXPECT_EQ(read_login(h.ask(1, login_request("", ""))).rc, result_system_full);
    // Other requests are served.
    EXPECT_EQ(h.ask(1, client_request(request_lookup_world).text("qo")).rc, 0);

    us_universe_options redirect;
    redirect.redirect_address = 0x0A000102;
    redirect.redirect_port = 6000;
    universe_harness g(redirect);
    g.open(1);
    server_message m = g.ask(1, login_request("Wren", "wren"));
    EXPECT_EQ(m.id, message_redirect);
    EXPECT_EQ(m.fields, (bytes{10, 0, 1, 2, 0x17, 0x70}));
    // Only the first request of a connection is redirected.
    EXPECT_EQ(read_login(g.ask(1, login_request("Wren", "wren"))).number, wren);
    g.open(2);
    EXPECT_EQ(g.ask(2, client_request(request_get_worlds)).id, message_redirect);
}

TEST(universe_identity, immigration_validates_every_field)
{
    universe_harness h;
    h.open(1);
    auto immigrate = [&](const std::string& name, const std::string& password,
                         const std::string& email) {
        server_message m =
            h.ask(1, client_request(request_immigrate).text(name).text(password).u8(2).text(email));
        EXPECT_EQ(m.id, message_immigrated);
        EXPECT_TRUE(m.fields.empty());
        return m.rc;
    };
    EXPECT_EQ(immigrate("R", "robin", "robin@vireo.invalid"), result_name_too_short);
    EXPECT_EQ(immigrate(" Robin", "robin", "robin@vireo.invalid"), result_name_blanks);
    EXPECT_EQ(immigrate("Robin  Hood", "robin", "robin@vireo.invalid"), result_name_blanks);
    EXPECT_EQ(immigrate("Robin ", "robin", "robin@vireo.invalid"), result_name_ends_blank);
    EXPECT_EQ(immigrate("Robin!", "robin", "robin@vireo.invalid"), result_name_characters);
    EXPECT_EQ(immigrate("Robin", "rob", "robin@vireo.invalid"), result_password_too_short);
    EXPECT_EQ(immigrate("Robin", "robin", "r@v.inv"), result_email_too_short);
    EXPECT_EQ(immigrate("Robin", "robin", "robin.vireo.invalid"), result_email_no_at);
    EXPECT_EQ(immigrate("Robin", "robin", "robin@vireo"), result_email_no_dot);
    EXPECT_EQ(immigrate("Robin", "robin", " robin@vireo.invalid"), result_email_starts_blank);
    EXPECT_EQ(immigrate("wren", "robin", "robin@vireo.invalid"), result_name_taken);

    EXPECT_EQ(immigrate("Robin Hood", "sherwood", "robin@vireo.invalid"), 0);
    EXPECT_EQ(immigrate("ROBIN HOOD", "sherwood", "robin@vireo.invalid"), result_name_taken);
    EXPECT_EQ(read_login(h.ask(1, login_request("Robin Hood", "sherwood"))).number, 3u);
}

TEST(universe_identity, attributes_are_read_and_changed_by_their_owner)
{
    universe_harness h;
    h.open(1);
    server_message m = h.ask(1, client_request(request_get_attributes).text("Wren").text("wren"));
    EXPECT_EQ(m.id, message_attributes);
    EXPECT_EQ(m.rc, 0);
    // The e-mail address and an empty privilege password (it is kept hashed).
    field_reader in = m.reader();
    EXPECT_EQ(in.u8(), attribute_email);
    EXPECT_EQ(in.text(), "wren@vireo.invalid");
    EXPECT_EQ(in.u8(), attribute_privilege_password);
    EXPECT_EQ(in.text(), "");
    EXPECT_EQ(in.left(), 0u);
    EXPECT_EQ(h.ask(1, client_request(request_get_attributes).text("Wren").text("nope")).rc,
              result_wrong_password);
    m = h.ask(1, client_request(request_get_attributes).text("Robin").text("x"));
    EXPECT_EQ(m.rc, result_no_such_citizen);
    EXPECT_TRUE(m.fields.empty());

    auto set = [&](const std::string& own_password, const std::string& name,
                   const std::string& password, const std::string& email,
                   const std::string& privilege) {
        server_message reply = h.ask(1,
                                     client_request(request_set_attributes)
                                         .text("Wren")
                                         .text(own_password)
                                         .u8(attribute_name)
                                         .text(name)
                                         .u8(attribute_password)
                                         .text(password)
                                         .u8(attribute_email)
                                         .text(email)
                                         .u8(attribute_privilege_password)
                                         .text(privilege));
        EXPECT_EQ(reply.id, message_attributes_set);
        return reply.rc;
    };
    EXPECT_EQ(set("bad", "Wren", "wren", "wren@vireo.invalid", ""), result_wrong_password);
    EXPECT_EQ(set("wren", "Finch", "wren", "wren@vireo.invalid", ""), result_name_taken);
    EXPECT_EQ(set("wren", "Wren", "wr", "wren@vireo.invalid", ""), result_password_too_short);
    EXPECT_EQ(set("wren", "Wren", "wren", "wren@vireo", ""), result_email_no_dot);
    EXPECT_EQ(set("wren", "Wren", "wren", "wren@vireo.invalid", "abc"),
              result_privilege_password_short);
    // Nothing of the refused changes was kept.
    EXPECT_EQ(read_login(h.ask(1, login_request("Wren", "wren"))).rc, 0);

    // An empty privilege password leaves the old one.
    EXPECT_EQ(set("wren", "Wren Bird", "song", "bird@vireo.invalid", ""), 0);
    h.open(2);
    EXPECT_EQ(read_login(h.ask(2, login_request("Finch", "finch", wren, "nest"))).name,
              "Wren Bird");
    EXPECT_EQ(h.ask(1, client_request(request_get_attributes).text("Wren").text("wren")).rc,
              result_no_such_citizen);
    m = h.ask(1, client_request(request_get_attributes).text("wren bird").text("song"));
    EXPECT_EQ(m.rc, 0);
    in = m.reader();
    in.u8();
    EXPECT_EQ(in.text(), "bird@vireo.invalid");
}

TEST(universe_identity, password_mail_names_and_numbers)
{
    universe_harness h;
    h.open(1);
    auto mail = [&](const std::string& name, const std::string& email) {
        server_message m = h.ask(1, client_request(request_send_password).text(name).text(email));
        EXPECT_EQ(m.id, message_password_sent);
        EXPECT_TRUE(m.fields.empty());
        return m.rc;
    };
    EXPECT_EQ(mail("Finch", "FINCH@vireo.invalid"), 0);
    EXPECT_EQ(mail("Finch", "wren@vireo.invalid"), result_email_mismatch);
    EXPECT_EQ(mail("Robin", "finch@vireo.invalid"), result_no_such_citizen);

    server_message m = h.ask(1, client_request(request_citizen_name).u32(finch));
    EXPECT_EQ(m.id, message_citizen_name);
    EXPECT_EQ(m.rc, 0);
    EXPECT_EQ(m.fields, (bytes{0, 0, 0, 2, 5, 'F', 'i', 'n', 'c', 'h'}));
    m = h.ask(1, client_request(request_citizen_name).u32(40));
    EXPECT_EQ(m.rc, result_no_such_citizen);
    EXPECT_EQ(m.fields, (bytes{0, 0, 0, 40}));

    // The name comes back as it was asked for, which is how the client
    // matches the answer with its question.
    m = h.ask(1, client_request(request_citizen_number).text("finch"));
    EXPECT_EQ(m.id, message_citizen_number);
    EXPECT_EQ(m.rc, 0);
    EXPECT_EQ(m.fields, (bytes{5, 'f', 'i', 'n', 'c', 'h', 0, 0, 0, 2}));
    m = h.ask(1, client_request(request_citizen_number).text("Robin"));
    EXPECT_EQ(m.rc, result_no_such_citizen);
    EXPECT_EQ(m.fields, (bytes{5, 'R', 'o', 'b', 'i', 'n'}));
}

TEST(universe_telegrams, kept_until_delivered_oldest_first_with_the_more_flag)
{
    server_clock_freeze(1700000000);
    universe_harness h;
    h.open(1);
    h.log_in(1, "Wren", "wren");
    EXPECT_EQ(h.send(1, telegram(finch, "first")), 0);
    server_clock_advance(90000);
    EXPECT_EQ(h.send(1, telegram(finch, "second")), 0);
    EXPECT_TRUE(h.take(1).empty());

    // Finch logs in: the reply, then the notice of waiting telegrams.
    h.open(2);
    EXPECT_EQ(h.send(2, login_request("Finch", "finch")), 0);
    std::vector<server_message> messages = h.take(2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].id, message_telegram_waiting);
    EXPECT_EQ(messages[1].rc, 0);
    EXPECT_TRUE(messages[1].fields.empty());

    server_clock_advance(30000);
    server_message m = h.ask(2, client_request(request_get_telegram));
    EXPECT_EQ(m.id, message_telegram);
    EXPECT_EQ(m.rc, 0);
    // Age 120 s, sender, text, more waiting.
    EXPECT_EQ(m.fields,
              (bytes{0, 0, 0, 120, 4, 'W', 'r', 'e', 'n', 5, 'f', 'i', 'r', 's', 't', 1}));
    m = h.ask(2, client_request(request_get_telegram));
    field_reader in = m.reader();
    EXPECT_EQ(in.u32(), 30u);
    EXPECT_EQ(in.text(), "Wren");
    EXPECT_EQ(in.text(), "second");
    EXPECT_EQ(in.u8(), 0);
    // Nothing is left, and nothing is answered.
    EXPECT_EQ(h.send(2, client_request(request_get_telegram)), 0);
    EXPECT_TRUE(h.take(2).empty());
    server_clock_release();
}

TEST(universe_telegrams, an_online_addressee_is_told_at_once)
{
    universe_harness h;
    h.open(1);
    h.open(2);
    h.log_in(1, "Wren", "wren");
    h.log_in(2, "Finch", "finch");
    EXPECT_EQ(h.send(1, telegram(finch, "are you there?")), 0);
    std::vector<server_message> notices = h.take(2);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].id, message_telegram_waiting);
    server_message m = h.ask(2, client_request(request_get_telegram));
    field_reader in = m.reader();
    EXPECT_EQ(in.u32(), 0u);
    EXPECT_EQ(in.text(), "Wren");
    EXPECT_EQ(in.text(), "are you there?");

    // Tourists send none, and a telegram to nobody is dropped.
    h.open(3);
    h.log_in(3, "", "");
    EXPECT_EQ(h.send(3, telegram(finch, "from a tourist")), 0);
    EXPECT_EQ(h.send(1, telegram(99, "to nobody")), 0);
    EXPECT_TRUE(h.take(2).empty());
    EXPECT_EQ(h.send(2, client_request(request_get_telegram)), 0);
    EXPECT_TRUE(h.take(2).empty());
}

TEST(universe_contacts, states_follow_log_ins_worlds_hiding_and_log_outs)
{
    universe_harness h;
    h.open(1);
    h.log_in(1, "Wren", "wren");
    server_message m = h.ask(1, client_request(request_contact_list).u32(finch).u32(99));
    EXPECT_EQ(read_contacts(m),
              (std::vector<contact_state>{{finch, 0, "Finch", ""}, {99, 2, "", ""}}));

    // Finch logs in: Wren hears of it, and of every world Finch enters.
    h.open(2);
    h.log_in(2, "Finch", "finch");
    std::vector<server_message> pushed = h.take(1);
    ASSERT_EQ(pushed.size(), 1u);
    EXPECT_EQ(read_contacts(pushed[0]), (std::vector<contact_state>{{finch, 1, "Finch", ""}}));
    us_universe_enter_world(h.universe, 2, "qo");
    pushed = h.take(1);
    ASSERT_EQ(pushed.size(), 1u);
    EXPECT_EQ(read_contacts(pushed[0]), (std::vector<contact_state>{{finch, 1, "Finch", "qo"}}));
    EXPECT_EQ(read_contacts(h.ask(1, client_request(request_contact_list).u32(finch))),
              (std::vector<contact_state>{{finch, 1, "Finch", "qo"}}));

    // Logging in again with the hide-world flag hides the world.
    h.log_in(2, "Finch", "finch", 1);
    us_universe_enter_world(h.universe, 2, "gate");
    pushed = h.take(1);
    ASSERT_EQ(pushed.size(), 2u);
    EXPECT_EQ(read_contacts(pushed[1]), (std::vector<contact_state>{{finch, 1, "Finch", ""}}));
    // Leaving a world the citizen is no longer in changes nothing.
    us_universe_leave_world(h.universe, 2, "qo");
    EXPECT_TRUE(h.take(1).empty());

    us_universe_close(h.universe, 2);
    pushed = h.take(1);
    ASSERT_EQ(pushed.size(), 1u);
    EXPECT_EQ(read_contacts(pushed[0]), (std::vector<contact_state>{{finch, 0, "Finch", ""}}));
    // Finch never listed Wren, so Finch heard nothing of Wren.
    EXPECT_TRUE(h.take(2).empty());
}

TEST(universe_contacts, additions_are_answered_and_removals_stop_the_news)
{
    universe_harness h;
    h.open(1);
    h.open(2);
    h.log_in(1, "Wren", "wren");
    h.log_in(2, "Finch", "finch");
    EXPECT_TRUE(read_contacts(h.ask(1, client_request(request_contact_list))).empty());

    EXPECT_EQ(read_contacts(h.ask(1, client_request(request_add_contact).u32(finch))),
              (std::vector<contact_state>{{finch, 1, "Finch", ""}}));
    EXPECT_EQ(read_contacts(h.ask(1, client_request(request_add_contact).u32(42))),
              (std::vector<contact_state>{{42, 2, "", ""}}));
    h.log_in(2, "Finch", "finch");
    EXPECT_EQ(h.take(1).size(), 1u);

    EXPECT_EQ(h.send(1, client_request(request_delete_contact).u32(finch)), 0);
    EXPECT_TRUE(h.take(1).empty());
    h.log_in(2, "Finch", "finch");
    EXPECT_TRUE(h.take(1).empty());

    // Tourists keep no list.
    h.open(3);
    h.log_in(3, "", "");
    EXPECT_EQ(h.send(3, client_request(request_contact_list).u32(finch)), 0);
    EXPECT_EQ(h.send(3, client_request(request_add_contact).u32(finch)), 0);
    EXPECT_TRUE(h.take(3).empty());
}

TEST(universe_join, a_request_is_relayed_and_its_answer_returned_once)
{
    universe_harness h;
    h.open(1);
    h.open(2);
    h.log_in(1, "Wren", "wren");
    h.log_in(2, "Finch", "finch");

    EXPECT_EQ(h.send(1, client_request(request_citizen_location).u32(finch)), 0);
    EXPECT_TRUE(h.take(1).empty());
    std::vector<server_message> asked = h.take(2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].id, message_join_request);
    EXPECT_EQ(asked[0].rc, 0);
    EXPECT_EQ(asked[0].fields, (bytes{0, 0, 0, 1, 4, 'W', 'r', 'e', 'n'}));

    client_request agreed = client_request(request_location)
                                .u8(0)
                                .u32(wren)
                                .text("qo")
                                .u32(1500)
                                .u32(0xFFFFFC18)
                                .u32(2500)
                                .u16(900);
    EXPECT_EQ(h.send(2, agreed), 0);
    std::vector<server_message> answer = h.take(1);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].id, message_location);
    EXPECT_EQ(answer[0].rc, 0);
    EXPECT_EQ(answer[0].fields, (bytes{0,    0,    0,    2,    2, 'q', 'o',  0,    0,    0x05, 0xDC,
                                       0xFF, 0xFF, 0xFC, 0x18, 0, 0,   0x09, 0xC4, 0x03, 0x84}));
    // An answer nobody waits for goes nowhere.
    EXPECT_EQ(h.send(2, agreed), 0);
    EXPECT_TRUE(h.take(1).empty());

    // A refusal carries its code and no location.
    EXPECT_EQ(h.send(1, client_request(request_citizen_location).u32(finch)), 0);
    h.take(2);
    EXPECT_EQ(h.send(2, client_request(request_location).u8(250).u32(wren)), 0);
    answer = h.take(1);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].rc, 250);
    EXPECT_EQ(answer[0].fields, (bytes{0, 0, 0, 2}));

    // Someone who is not on line cannot be asked.
    us_universe_close(h.universe, 2);
    server_message m = h.ask(1, client_request(request_citizen_location).u32(finch));
    EXPECT_EQ(m.id, message_location);
    EXPECT_EQ(m.rc, result_no_such_citizen);
    EXPECT_EQ(m.fields, (bytes{0, 0, 0, 2}));
}

TEST(universe_worlds, lookups_and_the_list_come_from_the_registry)
{
    universe_harness h;
    h.open(1);
    server_message m = h.ask(1, client_request(request_lookup_world).text("QO"));
    EXPECT_EQ(m.id, message_world_address);
    EXPECT_EQ(m.rc, 0);
    // The address the client reached the universe on (127.0.0.1), port 5671.
    EXPECT_EQ(m.fields, (bytes{127, 0, 0, 1, 0x16, 0x27}));
    m = h.ask(1, client_request(request_lookup_world).text("mars"));
    EXPECT_EQ(m.rc, result_no_such_world);
    EXPECT_TRUE(m.fields.empty());

    server_worlds_set_users(h.worlds, "gate", 3);
    m = h.ask(1, client_request(request_get_worlds));
    EXPECT_EQ(m.id, message_worlds);
    EXPECT_EQ(m.rc, 0);
    EXPECT_EQ(m.fields, (bytes{2, 'q', 'o', 1, 0, 0, 4, 'g', 'a', 't', 'e', 1, 0, 3}));

    // A stopped world is neither listed nor found.
    server_worlds_set_running(h.worlds, "qo", false);
    EXPECT_EQ(h.ask(1, client_request(request_lookup_world).text("qo")).rc, result_no_such_world);
    EXPECT_EQ(h.ask(1, client_request(request_get_worlds)).fields,
              (bytes{4, 'g', 'a', 't', 'e', 1, 0, 3}));

    // A server on one given address names that address.
    us_universe_options options;
    options.world_address = 0xC0A80005;
    universe_harness g(options);
    g.open(1);
    EXPECT_EQ(g.ask(1, client_request(request_lookup_world).text("gate")).fields,
              (bytes{192, 168, 0, 5, 0x16, 0x28}));
}

TEST(universe_worlds, a_long_list_stops_at_the_greatest_message)
{
    universe_harness h;
    for (int i = 0; i < 1100; ++i)
        server_worlds_add(h.worlds, "w" + std::to_string(i), "", 1);
    for (int i = 0; i < 1100; ++i)
        server_worlds_set_running(h.worlds, "w" + std::to_string(i), true);
    h.open(1);
    server_message m = h.ask(1, client_request(request_get_worlds));
    EXPECT_LE(m.fields.size() + 2, size_t(max_message));
    EXPECT_GT(m.fields.size() + 2, size_t(max_message) - 12);
}

TEST(universe_whos_at, names_the_latest_citizen_at_an_address)
{
    universe_harness h;
    h.open(1, 0x0A000001);
    h.open(2, 0x0A000001);
    h.open(3, 0x0A000002);
    h.log_in(1, "Wren", "wren");
    h.log_in(2, "Finch", "finch");
    h.log_in(3, "", "");
    server_message m = h.ask(3, client_request(request_whos_at).raw({10, 0, 0, 1}));
    EXPECT_EQ(m.id, message_whos_at);
    EXPECT_EQ(m.rc, 0);
    EXPECT_EQ(m.fields, (bytes{10, 0, 0, 1, 5, 'F', 'i', 'n', 'c', 'h'}));
    us_universe_close(h.universe, 2);
    EXPECT_EQ(h.ask(3, client_request(request_whos_at).raw({10, 0, 0, 1})).fields,
              (bytes{10, 0, 0, 1, 4, 'W', 'r', 'e', 'n'}));
    // A tourist's address names nobody.
    m = h.ask(1, client_request(request_whos_at).raw({10, 0, 0, 2}));
    EXPECT_EQ(m.rc, result_no_such_citizen);
    EXPECT_EQ(m.fields, (bytes{10, 0, 0, 2}));
}

TEST(universe_robustness, requests_in_pieces_and_several_at_once)
{
    universe_harness h;
    h.open(1);
    bytes stream = login_request("Wren", "wren").framed();
    bytes worlds = client_request(request_get_worlds).framed();
    bytes name = client_request(request_citizen_name).u32(finch).framed();
    stream.insert(stream.end(), worlds.begin(), worlds.end());
    stream.insert(stream.end(), name.begin(), name.end());
    // One byte at a time: nothing is answered before its request is whole.
    size_t answered = 0;
    for (size_t i = 0; i < stream.size(); ++i) {
        EXPECT_EQ(h.input(1, bytes{stream[i]}), 0);
        answered += h.take(1).size();
        if (i == 0) {
            EXPECT_EQ(answered, 0u);
        }
    }
    EXPECT_EQ(answered, 3u);
    // All at once, in one piece.
    EXPECT_EQ(h.input(1, stream), 0);
    std::vector<server_message> messages = h.take(1);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].id, message_login);
    EXPECT_EQ(messages[1].id, message_worlds);
    EXPECT_EQ(messages[2].id, message_citizen_name);
}

TEST(universe_robustness, malformed_requests_are_dropped_and_bad_lengths_end_only_their_session)
{
    universe_harness h;
    h.open(1);
    h.open(2);
    h.log_in(2, "Finch", "finch");
    // A login cut short, a text running past the end, an unknown code, a
    // contact list of odd length: no answers, and the session goes on.
    EXPECT_EQ(h.input(1, {0, 5, request_login, 0, 0, 0, 186}), 0);
    EXPECT_EQ(h.input(1, {0, 3, request_lookup_world, 9, 'q'}), 0);
    EXPECT_EQ(h.input(1, {0, 2, 99, 1}), 0);
    EXPECT_EQ(h.input(1, {0, 3, request_contact_list, 0, 1}), 0);
    EXPECT_EQ(h.input(1, {0, 1, request_keep_alive}), 0);
    EXPECT_TRUE(h.take(1).empty());
    EXPECT_EQ(h.ask(1, client_request(request_citizen_name).u32(finch)).rc, 0);

    // A length field over 255 cannot be this protocol: that session ends.
    EXPECT_EQ(h.input(1, {1, 0}), 1);
    EXPECT_EQ(h.input(1, client_request(request_get_worlds).framed()), 1);
    EXPECT_TRUE(h.take(1).empty());
    // So does a length of 0, with no code at all.
    EXPECT_EQ(h.input(2, {0, 0}), 1);
    // The greatest length is fine (an unknown code 7, dropped).
    h.open(3);
    EXPECT_EQ(h.input(3, {0, 255}), 0);
    EXPECT_EQ(h.input(3, bytes(255, 7)), 0);
    EXPECT_EQ(h.ask(3, client_request(request_get_worlds)).id, message_worlds);
    // Finch's session ended, so Finch can log in again elsewhere.
    EXPECT_EQ(read_login(h.ask(3, login_request("Finch", "finch"))).number, finch);
}

TEST(universe_robustness, silent_clients_are_closed_after_five_minutes)
{
    server_clock_freeze(1700000000);
    universe_harness h;
    h.open(1);
    h.open(2);
    h.log_in(1, "Wren", "wren");
    server_clock_advance(200000);
    EXPECT_EQ(h.send(1, client_request(request_keep_alive)), 0);
    server_clock_advance(100000);
    us_universe_expire(h.universe);
    EXPECT_EQ(h.closed, (std::vector<int>{2}));
    server_clock_advance(199999);
    us_universe_expire(h.universe);
    EXPECT_EQ(h.closed, (std::vector<int>{2}));
    server_clock_advance(1);
    us_universe_expire(h.universe);
    EXPECT_EQ(h.closed, (std::vector<int>{2, 1}));
    // Wren is gone and may come back on a new connection.
    h.open(3);
    EXPECT_EQ(read_login(h.ask(3, login_request("Wren", "wren"))).number, wren);
    server_clock_release();
}
