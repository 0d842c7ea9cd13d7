#include "universe_wire.h"

#include "net/fields.h"
#include "net/universe_codes.h"

us_writer::us_writer(uint8_t rc, uint8_t id) : bytes_{0, 0, rc, id} {}

us_writer& us_writer::byte(uint8_t value)
{
    bytes_.push_back(value);
    return *this;
}

us_writer& us_writer::u16(uint16_t value)
{
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
    bytes_.push_back(static_cast<uint8_t>(value));
    return *this;
}

us_writer& us_writer::u32(uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes_.push_back(static_cast<uint8_t>(value >> shift));
    return *this;
}

us_writer& us_writer::text(std::string_view value)
{
    if (value.size() > 255)
        value = value.substr(0, 255);
    bytes_.push_back(static_cast<uint8_t>(value.size()));
    bytes_.insert(bytes_.end(), value.begin(), value.end());
    return *this;
}

const std::vector<uint8_t>& us_writer::finish()
{
    size_t length = bytes_.size() - 2;
    bytes_[0] = static_cast<uint8_t>(length >> 8);
    bytes_[1] = static_cast<uint8_t>(length);
    return bytes_;
}

int us_request_decode(const uint8_t* body, size_t size, us_request* r)
{
    *r = us_request{};
    field_reader in(body, size);
    r->code = in.u8();
    if (!in.ok())
        return us_decode_malformed;
    switch (r->code) {
    case universe::request_lookup_world:
        r->world = in.text();
        break;
    case universe::request_immigrate:
        r->name = in.text();
        r->password = in.text();
        r->mode = in.u8();
        r->email = in.text();
        break;
    case universe::request_set_attributes:
        r->name = in.text();
        r->password = in.text();
        while (in.ok() && in.left() > 0) {
            uint8_t tag = in.u8();
            std::string value = in.text();
            if (tag > universe::attribute_privilege_password)
                return us_decode_malformed;
            r->attributes.emplace_back(tag, std::move(value));
        }
        break;
    case universe::request_get_attributes:
        r->name = in.text();
        r->password = in.text();
        break;
    case universe::request_send_password:
        r->name = in.text();
        r->email = in.text();
        break;
    case universe::request_keep_alive:
    case universe::request_get_telegram:
    case universe::request_get_worlds:
        break;
    case universe::request_citizen_name:
    case universe::request_add_contact:
    case universe::request_delete_contact:
    case universe::request_citizen_location:
        r->number = in.u32();
        break;
    case universe::request_send_telegram:
        r->number = in.u32();
        r->message = in.text();
        break;
    case universe::request_citizen_number:
        r->name = in.text();
        break;
    case universe::request_whos_at:
        // Network order is big-endian, so the address reads like any number.
        r->address = in.u32();
        break;
    case universe::request_contact_list:
        // The numbers fill the message.
        if (in.left() % 4)
            return us_decode_malformed;
        while (in.left() > 0)
            r->numbers.push_back(in.u32());
        break;
    case universe::request_location:
        r->answer = in.u8();
        r->number = in.u32();
        if (r->answer == 0) {
            r->world = in.text();
            r->x = in.u32();
            r->y = in.u32();
            r->z = in.u32();
            r->facing = in.u16();
        }
        break;
    case universe::request_login:
        r->build = in.u32();
        r->name = in.text();
        r->password = in.text();
        r->privilege = in.u32();
        r->privilege_password = in.text();
        r->hide_world = in.u8();
        break;
    default:
        return us_decode_unknown;
    }
    return in.ok() ? us_decode_ok : us_decode_malformed;
}
