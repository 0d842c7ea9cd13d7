#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The object action language read once into a compact program: clauses of
// commands whose texts are slices of the action text they were read from,
// so a program is only good while that text lives (an element keeps both).
// Reading never fails: a malformed clause keeps the commands before its
// first error. Needs nothing but the base text helpers.

// The longest action text; a longer one is read up to here.
constexpr size_t action_limit = 255;

enum action_trigger : uint8_t {
    action_create,
    action_activate,
    action_bump,
    action_adone,
    action_no_trigger,
};

// In the order of the command table.
enum action_code : uint8_t {
    action_sound,
    action_noise,
    action_url,
    action_teleport,
    action_warp,
    action_visible,
    action_solid,
    action_name,
    action_avatars,
    action_animate,
    action_frame,
    action_astart,
    action_astop,
    action_sign,
    action_cursor,
    action_picture,
};

// Bits of action_command::flags.
enum : uint8_t {
    action_on = 1,           // the boolean given (visible, solid, avatars, cursor, astart's loop)
    action_relative = 2,     // teleport, warp: relative coordinates; frame: a move by a signed number
    action_altitude = 4,     // teleport, warp: an altitude was given
    action_yaw = 8,          // teleport, warp: a heading was given
    action_coordinates = 16, // teleport, warp: coordinates were given
    action_void = 32,        // no effect: coordinates abandoned, or animate's counts below 1
    action_nomask = 64,      // animate
    action_in_order = 128,   // animate: no frame list, the pictures play in order
};

// Bytes [offset, offset + length) of the text read; length 0 is absent.
struct action_text {
    uint8_t offset = 0, length = 0;
};

// One command. Its numbers are the program's numbers from `numbers` on:
//   teleport, warp  z, x, altitude, yaw (north, west positive)
//   animate         tag, pictures, frames, delay (ms), then `count` 1-based picture numbers
//   frame           the number, signed when relative
//   picture         the update period in seconds
struct action_command {
    action_code code = action_sound;
    uint8_t flags = 0;
    // sound, noise: file; url, picture: address; name: name; teleport:
    // world; animate: texture base name; sign: text.
    action_text word;
    // The target name; absent for the element itself.
    action_text target;
    // teleport, warp: the text after the command word up to the next ';'.
    action_text rest;
    action_text color, bcolor;  // sign
    uint16_t numbers = 0;
    uint16_t count = 0;
};

struct action_clause {
    action_trigger trigger = action_no_trigger;
    // A command had an error: the commands before it stand.
    bool failed = false;
    // The clause did not end at the end of the text or a ';'.
    bool trailing = false;
    uint16_t first = 0, count = 0;  // its commands
};

struct action_program {
    // The text begins with a word (a trigger, or the old form's "sound:").
    bool has_word = false;
    // The old form "sound:file", and its file; such a text has no clauses.
    bool old_form = false;
    action_text old_sound;
    std::vector<action_clause> clauses;
    std::vector<action_command> commands;
    std::vector<double> numbers;
};

// Reads an action text: clauses separated by ';', each a trigger word and
// commands separated by ','.
void action_parse(const char* text, size_t length, action_program* out);
// Reads one command with no trigger (a posted command) into one clause
// whose trigger is action_no_trigger.
void action_parse_command(const char* text, size_t length, action_program* out);

// The first clause for the trigger, or null.
const action_clause* action_find(const action_program& program, action_trigger trigger);
