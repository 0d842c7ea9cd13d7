#include "net/universe_message.h"

#include "net/fields.h"
#include "net/universe_codes.h"

namespace {

// The login reply and its older form: the optional parts are read only
// while the body lasts.
void read_login(int id, field_reader& in, universe_message* m)
{
    if (id == universe::message_login)
        in.u8();
    m->minimum_build = in.u32();
    if (in.left() > 0) {
        m->current_build = in.u32();
        m->beta = in.u8();
        m->has_current_build = true;
    }
    if (in.left() > 0) {
        m->number = in.u32();
        m->has_number = true;
    }
    if (in.left() > 0)
        m->privilege_name = in.text();
}

void read_attributes(field_reader& in, universe_message* m)
{
    while (in.left() > 0) {
        uint8_t tag = in.u8();
        std::string value = in.text();
        if (!in.ok())
            break;
        m->attributes.emplace_back(tag, std::move(value));
    }
}

void read_worlds(field_reader& in, universe_message* m)
{
    while (in.left() > 0) {
        universe_world w;
        w.name = in.text();
        w.state = in.u8();
        w.users = in.u16();
        if (!in.ok())
            break;
        m->worlds.push_back(std::move(w));
    }
}

void read_contacts(field_reader& in, universe_message* m)
{
    while (in.left() > 0) {
        universe_contact c;
        c.number = in.u32();
        c.state = in.u8();
        if (c.state == 0 || c.state == 1)
            c.name = in.text();
        if (c.state == 1)
            c.world = in.text();
        if (!in.ok())
            break;
        m->contacts.push_back(std::move(c));
    }
}

void read_location(field_reader& in, universe_message* m)
{
    m->world = in.text();
    m->x = in.u32();
    m->y = in.u32();
    m->z = in.u32();
    m->facing = in.u16();
}

}  // namespace

int universe_message_decode(const uint8_t* message, size_t length, universe_message* out)
{
    *out = universe_message{};
    if (length < 2)
        return 1;
    universe_message& m = *out;
    m.rc = message[0];
    m.id = message[1];
    field_reader in(message + 2, length - 2);
    bool ok = m.rc == universe::result_ok;
    switch (m.id) {
    case universe::message_world_address:
        if (ok) {
            m.address = in.u32();
            m.port = in.u16();
        }
        break;
    case universe::message_attributes:
        if (ok)
            read_attributes(in, &m);
        break;
    case universe::message_build:
        if (ok) {
            m.minimum_build = in.u32();
            m.current_build = in.u32();
            m.beta = in.u8();
            m.has_current_build = true;
        }
        break;
    case universe::message_old_login:
    case universe::message_login:
        read_login(m.id, in, &m);
        m.id = universe::message_login;
        break;
    case universe::message_citizen_name:
        m.number = in.u32();
        if (ok)
            m.name = in.text();
        break;
    case universe::message_telegram:
        if (ok) {
            m.age = in.u32();
            m.name = in.text();
            m.text = in.text();
            m.more = in.u8();
        }
        break;
    case universe::message_citizen_number:
        m.name = in.text();
        if (ok)
            m.number = in.u32();
        break;
    case universe::message_whos_at:
        m.address = in.u32();
        if (ok)
            m.name = in.text();
        break;
    case universe::message_worlds:
        if (ok)
            read_worlds(in, &m);
        break;
    case universe::message_contacts:
        if (ok)
            read_contacts(in, &m);
        break;
    case universe::message_join_request:
        if (ok) {
            m.number = in.u32();
            m.name = in.text();
        }
        break;
    case universe::message_location:
        m.number = in.u32();
        if (ok)
            read_location(in, &m);
        break;
    default:
        break;
    }
    return 0;
}
