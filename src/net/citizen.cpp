#include "net/citizen.h"

#include <string>

#include "base/msg.h"
#include "base/profile.h"

namespace {

constexpr size_t max_name = 16;
constexpr size_t max_password = 12;
// A tourist's name is held with a double quote on each side.
constexpr size_t max_held_name = max_name + 2;

struct identity {
    std::string name;
    std::string password;
    uint32_t number = 0;
};

identity self;

}  // namespace

const char* citizen_name()
{
    return self.name.empty() ? msg(81) : self.name.c_str();
}

const char* citizen_password()
{
    return self.password.c_str();
}

uint32_t citizen_number()
{
    return self.number;
}

int citizen_is_tourist()
{
    return self.number == 0 ? 1 : 0;
}

uint32_t citizen_building_number()
{
    if (self.number == 0)
        return 0;
    int id = profile_int("privilege", "id");
    if (profile_int("privilege", "privilege") == 1 && id > 0)
        return static_cast<uint32_t>(id);
    return self.number;
}

void citizen_set_name(const char* name)
{
    self.name = name ? name : "";
    if (self.name.size() > max_held_name)
        self.name.resize(max_held_name);
}

void citizen_set_password(const char* password)
{
    self.password = password ? password : "";
    if (self.password.size() > max_password)
        self.password.resize(max_password);
}

void citizen_set_number(uint32_t number)
{
    self.number = number;
}
