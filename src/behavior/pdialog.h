#pragma once
#include <cstdint>
#include <string>

struct element;
struct universe_message;

// The object properties window: the model name, description, action and
// owner of the object selected for building, as the user edits them, with
// the owner's name and when the object was built.

// Creates the cache of citizen names and opens the window when
// [layout] object says it was open.
void pdialog_init();
void pdialog_term();
// Fills the fields from a newly selected element and keeps copies of the
// four editable ones for undo; enables the fields and the Object menu's
// commands and shows the window without taking the keyboard focus.
void pdialog_enable(const element* e);
// The element moved or turned: shows what changed of it, leaving the
// user's edits and the copies alone.
void pdialog_refresh(const element* e);
// Empties and disables the fields and the commands.
void pdialog_clear();

// The four editable fields as the user left them; an owner that is not a
// decimal number reads as the owner the fields were filled with.
struct pdialog_fields {
    std::string model, description, action;
    uint32_t owner;
};
void pdialog_read(pdialog_fields* out);
// Puts back the four fields as they were filled.
void pdialog_undo();

// A citizen's name: remembered, and shown when that citizen owns the
// object in the fields.
void pdialog_citizen_name(uint32_t number, const char* name);
// A message of the universe for this module.
void pdialog_universe_message(const universe_message& message);

// What the window shows, for the window itself.
enum pdialog_field {
    pdialog_model = 0,
    pdialog_description = 1,
    pdialog_action = 2,
    pdialog_owner = 3,
    pdialog_field_count = 4
};
// The longest text, in characters, that each editable field takes.
constexpr int pdialog_field_limit = 250;
const char* pdialog_text(pdialog_field field);
// The owner's name ("<Tourist>", a name after two blanks, or empty while
// it is asked for) and the build time; empty when nothing is selected.
const char* pdialog_owner_name();
const char* pdialog_built();
int pdialog_enabled();
// The user typed in a field; the owner's name follows the owner field.
void pdialog_edit(pdialog_field field, const char* text);

// The window, set once at start-up; until then nothing shows. `show`
// creates the window when needed and shows it without taking the focus;
// `changed` says that the texts or the enabled state changed.
struct pdialog_view {
    void (*show)();
    void (*changed)();
};
void pdialog_set_view(const pdialog_view& view);
