// The object properties window's fields, their undo copies and the cache
// of citizen names that fills in the owner's name.
#include "behavior/pdialog.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "base/hash.h"
#include "base/log.h"
#include "base/menu.h"
#include "base/settings.h"
#include "base/text.h"
#include "net/citizen.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "net/universe_message.h"
#include "world/element.h"

namespace {

constexpr int name_buckets = 101;
constexpr const char* tourist_text = "<Tourist>";
constexpr const char* not_a_citizen = "< Not a citizen >";
constexpr const char* name_indent = "  ";
// The Object menu's commands and Undo Changes, usable while an object is
// selected.
constexpr int first_object_command = 108;
constexpr int last_object_command = 117;
constexpr int undo_command = 140;

// A cached name; an entry that is not known yet was asked for.
struct cached_name {
    int known;
    char name[256];
};

struct pdialog_state {
    hash_table* names = nullptr;           // citizen number (4 bytes) to cached_name
    std::string fields[pdialog_field_count];
    std::string saved[pdialog_field_count];
    uint32_t owner = 0;                    // the element's owner as filled
    std::string owner_name;
    std::string built;
    bool enabled = false;
};

pdialog_state state;
pdialog_view view{};

void tell_view()
{
    if (view.changed)
        view.changed();
}

void enable_commands(int on)
{
    for (int id = first_object_command; id <= last_object_command; ++id)
        menu_enable(id, on);
    menu_enable(undo_command, on);
}

// The window shows itself with the Object menu's items as fresh as the
// fields are.
void show_window()
{
    if (!view.show)
        return;
    view.show();
    enable_commands(state.enabled ? 1 : 0);
}

// At most the field limit of characters, counted as UTF-8 sequences.
std::string limited(const char* text)
{
    std::string s = text ? text : "";
    int characters = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && ++characters > pdialog_field_limit) {
            s.resize(i);
            break;
        }
    }
    return s;
}

// The owner field's number; the filled owner when it is not a decimal
// number.
uint32_t shown_owner()
{
    std::string_view text = text_trim(state.fields[pdialog_owner]);
    uint32_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return state.owner;
    return number;
}

cached_name* cached(uint32_t number)
{
    if (!state.names)
        return nullptr;
    return static_cast<cached_name*>(hash_find(state.names, &number, sizeof number));
}

// The owner's name text; a name not cached yet is asked of the universe
// once, and shows as nothing until it comes.
std::string owner_name_of(uint32_t number)
{
    if (number == 0)
        return tourist_text;
    if (number == citizen_number())
        return std::string(name_indent) + citizen_name();
    if (const cached_name* entry = cached(number))
        return entry->known ? std::string(name_indent) + entry->name : std::string();
    if (state.names) {
        hash_insert(state.names, &number, sizeof number, nullptr);
        if (universe_get_citizen_name(number) != 0)
            hash_remove(state.names, &number, sizeof number);
    }
    return {};
}

// The time stamp's local date as "ddd MMM d, yyyy", a blank and the time
// without seconds; nothing for no stamp. The names are English whatever
// the locale, as the rest of the program's texts are.
std::string built_text(uint32_t stamp)
{
    if (stamp == 0)
        return {};
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t when = stamp;
    std::tm t{};
    if (!localtime_r(&when, &t))
        return {};
    int hour = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %d, %d %d:%02d %s", days[t.tm_wday], months[t.tm_mon],
                  t.tm_mday, t.tm_year + 1900, hour, t.tm_min, t.tm_hour < 12 ? "AM" : "PM");
    return text;
}

}  // namespace

void pdialog_init()
{
    if (state.names)
        hash_destroy(state.names);
    state.names = hash_create(name_buckets, sizeof(cached_name));
    if (settings_int("layout", "object") == 1)
        show_window();
}

void pdialog_term()
{
    if (state.names)
        hash_destroy(state.names);
    state = pdialog_state{};
}

void pdialog_set_view(const pdialog_view& v)
{
    view = v;
}

void pdialog_enable(const element* e)
{
    if (log_trace())
        log_write("pdialog_enable");
    state.fields[pdialog_model] = limited(element_model_name(e));
    state.fields[pdialog_description] = limited(element_description(e));
    state.fields[pdialog_action] = limited(element_action(e));
    state.owner = element_owner(e);
    state.fields[pdialog_owner] = std::to_string(state.owner);
    for (int i = 0; i < pdialog_field_count; ++i)
        state.saved[i] = state.fields[i];
    state.owner_name = owner_name_of(state.owner);
    state.built = built_text(element_stamp(e));
    state.enabled = true;
    show_window();
    enable_commands(1);
    tell_view();
    if (log_trace())
        log_write("pdialog_enable complete");
}

void pdialog_refresh(const element* e)
{
    // Of what the window shows, only the build time belongs to the element
    // rather than to the user's edits.
    state.built = built_text(element_stamp(e));
    tell_view();
}

void pdialog_clear()
{
    for (int i = 0; i < pdialog_field_count; ++i) {
        state.fields[i].clear();
        state.saved[i].clear();
    }
    state.owner = 0;
    state.owner_name.clear();
    state.built.clear();
    state.enabled = false;
    enable_commands(0);
    tell_view();
}

void pdialog_read(pdialog_fields* out)
{
    out->model = state.fields[pdialog_model];
    out->description = state.fields[pdialog_description];
    out->action = state.fields[pdialog_action];
    out->owner = shown_owner();
}

void pdialog_undo()
{
    for (int i = 0; i < pdialog_field_count; ++i)
        state.fields[i] = state.saved[i];
    if (state.enabled)
        state.owner_name = owner_name_of(shown_owner());
    tell_view();
}

void pdialog_citizen_name(uint32_t number, const char* name)
{
    if (!state.names)
        return;
    auto* entry = static_cast<cached_name*>(hash_insert(state.names, &number, sizeof number, nullptr));
    entry->known = 1;
    std::snprintf(entry->name, sizeof entry->name, "%s", name ? name : "");
    if (state.enabled && shown_owner() == number) {
        state.owner_name = owner_name_of(number);
        tell_view();
    }
}

void pdialog_universe_message(const universe_message& message)
{
    if (message.id != universe::message_citizen_name)
        return;
    pdialog_citizen_name(message.number, message.rc == 0 ? message.name.c_str() : not_a_citizen);
}

const char* pdialog_text(pdialog_field field)
{
    return field >= 0 && field < pdialog_field_count ? state.fields[field].c_str() : "";
}

const char* pdialog_owner_name()
{
    return state.owner_name.c_str();
}

const char* pdialog_built()
{
    return state.built.c_str();
}

int pdialog_enabled()
{
    return state.enabled ? 1 : 0;
}

void pdialog_edit(pdialog_field field, const char* text)
{
    if (!state.enabled || field < 0 || field >= pdialog_field_count)
        return;
    state.fields[field] = limited(text);
    if (field == pdialog_owner) {
        state.owner_name = owner_name_of(shown_owner());
        tell_view();
    }
}
