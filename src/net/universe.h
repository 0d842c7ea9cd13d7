#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The connection to the universe server: identity, worlds, telegrams,
// contacts and join requests. One message goes out at a time, from a
// buffer that keeps it for sending again after a redirect. Requests return
// 0 or a reason: the server's result, or a transport reason (300 not
// started, 303 no stream, 400 unreachable, 4 time-out, 5 closed, or a
// system error).

// Looks the server up ([universe] host and port).
void universe_init();
// 1 when the server's address is known; universe_failed() 1 when it
// cannot be found.
int universe_connected();
int universe_failed();
// 1 while a connection to the server is open.
int universe_open();
void universe_update();
void universe_term();

// Building a request in the send buffer: begin with its code, add fields.
void universe_begin(int code);
void universe_put_u8(uint8_t value);
void universe_put_u32(uint32_t value);
void universe_put_text(const std::string& text);
// Sends the buffer; 0 or a reason.
int universe_send();
// Reads and handles one whole message when one is there; *id is the
// message's id, or -1 when none was complete.
int universe_receive(int* id);
// Handles one whole message as it came (result, id, body) other than a
// redirect: decodes it, fills the reply registers and hands it to its
// listeners; returns the id it reports (-1 for a message too short).
int universe_handle_message(const uint8_t* message, size_t length);

// Hands every message of this id, decoded, to `handler` once the reply
// registers are filled. The handlers of one id run in the order they were
// added; they stay for the whole run, across connections.
struct universe_message;
using universe_handler = void (*)(const universe_message& message);
void universe_listen(int id, universe_handler handler);
// Handles messages until one with this id arrives, keeping frames and
// windows alive meanwhile; returns that message's result or a reason.
int universe_wait(int id);

int universe_lookup_world(const char* name, uint32_t* address, uint16_t* port);
int universe_immigrate(const char* name, const char* password, const char* email);
int universe_set_attributes(const char* name, const char* password, const char* new_name,
                            const char* new_password, const char* email,
                            const char* privilege_password);
int universe_get_attributes(const char* name, const char* password);
int universe_send_password(const char* name, const char* email);
int universe_get_citizen_name(uint32_t number);
int universe_get_telegram();
int universe_send_telegram(uint32_t addressee, const char* text);
int universe_get_citizen_number(const char* name);
int universe_whos_at(uint32_t address);
int universe_get_worlds();
// Sends at most the first 50 numbers.
int universe_contact_list(const uint32_t* numbers, int count);
int universe_add_contact(uint32_t number);
int universe_delete_contact(uint32_t number);
int universe_get_citizen_location(uint32_t number);
int universe_location(int answer, uint32_t asker, const char* world, uint32_t x, uint32_t y,
                      uint32_t z, uint16_t facing);

// What the last log-in reply said: the build values, and whether it
// carried a citizen number and a privilege name.
void universe_check_build(uint32_t* minimum, uint32_t* current, int* beta);
int universe_login_reply(uint32_t* number, std::string* privilege_name);
// 1 when a reconnect calls for logging in again before other traffic.
int universe_relogin_needed();
void universe_clear_relogin();
