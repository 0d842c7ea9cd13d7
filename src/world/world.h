#pragma once
#include <cstddef>
#include <cstdint>

// World entry and the world's attributes: a world is entered by name, its
// server found through the universe, its attributes applied from the
// world store at once and from its server when they come.
int world_init();
void world_update();
void world_term();

// Enters a world: 0 on success (also for the world already entered), 1 for
// a name that cannot be a world's, else the universe's reason (27: the
// world is not running). `remember` pushes the place left on the history.
int world_enter(const char* name, int remember);
// The system clock (ms) when a world was last entered.
uint32_t world_entered_at();
// The name of the world entered, or "" (none).
const char* world_current_name();
// 1 once attributes are present, from the store or the server.
int world_entered();
// 1 while the server's attributes are awaited.
int world_attributes_pending();
// The world server's IPv4 address and port, in network byte order as the
// socket layer takes them; 0 when unknown.
int world_server(uint32_t* address, uint16_t* port);
// The folder of the world's cell store, and whether it is to be emptied.
const char* world_property_directory();
int world_property_stale();
// An attribute's text ("" when the slot has none and no default).
const char* world_attribute(int slot);
// "Y" in this slot keeps the create clauses of actions from opening web
// addresses.
enum { world_slot_no_create_urls = 23 };
// The world's title.
const char* world_title();

// Attribute data: records of slot, length and text.
enum { world_slot_count = 24 };
struct world_attributes {
    bool set[world_slot_count];
    char text[world_slot_count][256];
    uint8_t length[world_slot_count];
};
// Clears every slot, then sets the slots of the records in order; a record
// running past the end is dropped with the rest. 0 when one was dropped.
int world_attributes_decode(const uint8_t* data, size_t length, world_attributes* attributes);
// Every slot that has a value, in slot order, except those only the
// server sets; the length written.
size_t world_attributes_encode(const world_attributes* attributes, uint8_t* out, size_t capacity);

// The length of a rights list's text up to its first character that is
// not a digit, a blank, a comma or "*".
size_t world_rights_length(const char* text);

// The reply to an option read: the attribute data, or a code (1 not
// allowed in, 2 full, 3 ejected, else the server's).
void world_options_reply(const uint8_t* data, size_t length, int code);
// The user was ejected while in the world.
void world_ejected();

// The avatar this user chose in this world (0 when none).
int world_avatar();
void world_set_avatar(int number);
// The world's object password, which opens its encrypted model archives;
// "" when it has none.
const char* world_object_password();
void world_set_object_password(const char* password);
