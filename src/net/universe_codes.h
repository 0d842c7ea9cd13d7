#pragma once
// The universe protocol's numbers, shared by the client and vireo-server.
//
// Client to server: u16 length L (big-endian, of what follows), byte code,
// fields. Server to client: u16 length L (of what follows, at most 8096),
// byte result code, byte message id, fields. Numbers are big-endian; a text
// is a length byte and that many bytes.

#include <cstdint>

namespace universe {

constexpr int max_request = 256;       // bytes of a whole client message
constexpr int max_message = 8096;      // greatest length field from the server
constexpr uint16_t default_port = 5670;

// Requests (client to server).
enum request : uint8_t {
    request_lookup_world = 24,
    request_immigrate = 25,
    request_set_attributes = 26,
    request_get_attributes = 27,
    request_send_password = 28,
    request_keep_alive = 32,
    request_citizen_name = 33,
    request_get_telegram = 34,
    request_send_telegram = 35,
    request_citizen_number = 36,
    request_whos_at = 37,
    request_get_worlds = 38,
    request_contact_list = 40,
    request_add_contact = 41,
    request_delete_contact = 42,
    request_citizen_location = 43,
    request_location = 44,
    request_login = 45,
};

// Messages (server to client), by id.
enum message : uint8_t {
    message_world_address = 0,
    message_immigrated = 1,
    message_attributes_set = 2,
    message_attributes = 3,
    message_password_sent = 4,
    message_build = 5,
    message_old_login = 6,
    message_citizen_name = 8,
    message_telegram_waiting = 9,
    message_telegram = 10,
    message_citizen_number = 12,
    message_whos_at = 13,
    message_worlds = 14,
    message_contacts = 15,
    message_join_request = 16,
    message_location = 17,
    message_redirect = 18,
    message_login = 20,
};

// Attribute tags of messages 26 and 3.
enum attribute : uint8_t {
    attribute_name = 0,
    attribute_password = 1,
    attribute_email = 2,
    attribute_privilege_password = 3,
};

// Result codes the server answers with.
enum result : uint8_t {
    result_ok = 0,
    result_no_such_world = 27,       // lookup of a world that does not run
    result_no_such_citizen = 3,
    result_wrong_password = 13,
    result_already_in = 39,          // the same name and password are in use
    result_email_mismatch = 41,
    result_privilege_no_citizen = 42,
    result_privilege_password = 43,
    result_system_full = 45,
    result_email_bad_characters = 100,
    result_email_ends_blank = 101,
    result_email_no_dot = 102,
    result_email_no_at = 103,
    result_email_starts_blank = 104,
    result_email_too_long = 105,
    result_email_too_short = 106,
    result_name_taken = 107,
    result_name_characters = 108,
    result_name_blanks = 109,
    result_name_too_long = 110,
    result_name_ends_blank = 111,
    result_password_too_long = 112,
    result_name_too_short = 113,
    result_server_failure = 114,
    result_password_too_short = 116,
    result_privilege_password_short = 128,
};

// Reasons of the client's transport (never sent by the server).
constexpr int reason_not_started = 300;
constexpr int reason_no_stream = 303;
constexpr int reason_unreachable = 400;

}  // namespace universe
