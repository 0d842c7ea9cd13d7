#pragma once
#include <cstddef>
#include <string>

// The remembered places: each a name (one line), a location text (a world
// name, a space and a coordinate text) and the command id of its Teleport
// menu item. They live in memory while the program runs and in
// "teleport.txt" in the program folder, one a line as "<location>:<name>",
// in the order they were added.

// The longest line of the file, and the longest location text and name, so
// that every place added fits one line.
constexpr size_t places_line_limit = 256;
constexpr size_t places_location_limit = 96;
constexpr size_t places_name_limit = places_line_limit - places_location_limit - 1;
// The command id of the first place; ids count up from it and are never
// handed out twice while the program runs.
constexpr int places_first_id = 2000;

// Reads teleport.txt from the program folder (a missing file leaves the list
// empty) and adds its places. Returns the number of lines skipped.
int places_load();
// Adds the places of a file's text of `length` bytes (no terminator
// needed). Lines without ':', lines over places_line_limit characters,
// lines with control characters and places whose name or location text is
// empty or too long are skipped and logged with their line numbers; blank
// lines are passed over. Returns the number of lines skipped.
int places_parse(const char* text, size_t length);
// The list as the file holds it.
std::string places_text();
// Writes teleport.txt: 0 done, 1 cannot be written.
int places_save();

// Adds a place and its menu item. The name is cut at its first line feed
// and to places_name_limit bytes (never inside a character). Returns its
// command id, or 0 when the name is empty or the location text empty, too
// long or holding ':', or either holds a control character.
int places_add(const char* name, const char* location);
// Removes every place and its menu item; ids go on counting.
void places_clear();
// The places in the order they were added; index from 0 to count - 1.
int places_count();
const char* places_name(int index);
const char* places_location(int index);
int places_id(int index);

// What the Remember dialog proposes: the world's title and the cell the
// user stands in ("Kestrel 12N 1E", "Kestrel ground zero").
std::string places_suggested_name();
// Where the user is, as a location text: "qo 12.3N 0.5E 1.2a 270".
std::string places_here();

// Forgets the places and starts the ids again (program end, tests).
void places_term();
