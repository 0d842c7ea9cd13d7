#include "net/login.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "base/log.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/version.h"
#include "net/citizen.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "people/console.h"

namespace {

int failures = 0;

// What a privilege application came to: printed for the user by the
// Building Inspector.
void privilege_result(int rc, const std::string& name, uint32_t privilege)
{
    const char* speaker = msg(125);
    std::string stored = profile_string("privilege", "name");
    switch (rc) {
    case 0:
        if (name != stored) {
            console_print(console_inspector, "%s: %s", speaker, msg(188, name.c_str()));
            profile_set_string("privilege", "name", name.c_str());
        }
        return;
    case universe::result_privilege_no_citizen:
        if (!name.empty())
            console_print(console_inspector, "%s: %s", speaker, msg(202, name.c_str()));
        else
            console_print(console_inspector, "%s: %s", speaker, msg(190, privilege));
        break;
    case universe::result_privilege_password:
        console_print(console_inspector, "%s: %s", speaker, msg(189, name.c_str()));
        break;
    default:
        console_print(console_inspector, "%s: %s", speaker, msg(191, privilege, rc));
        break;
    }
    profile_set_int("privilege", "privilege", 0);
}

}  // namespace

int universe_login(const char* name, const char* password, uint32_t* number)
{
    bool citizen = name && *name;
    uint32_t privilege = 0;
    std::string privilege_password;
    if (citizen && profile_int("privilege", "privilege") == 1) {
        privilege = static_cast<uint32_t>(std::max(profile_int("privilege", "id"), 0));
        privilege_password = profile_encrypted_string("privilege", "password");
    }
    universe_begin(universe::request_login);
    universe_put_u32(static_cast<uint32_t>(version_build()));
    universe_put_text(citizen ? name : "");
    universe_put_text(citizen && password ? password : "");
    universe_put_u32(privilege);
    universe_put_text(privilege_password);
    universe_put_u8(profile_int("privacy", "hide_world") == 1 ? 1 : 0);
    if (int rc = universe_send())
        return rc;
    universe_clear_relogin();
    int rc = universe_wait(universe::message_login);
    if (rc != 0 && rc != universe::result_privilege_no_citizen &&
        rc != universe::result_privilege_password)
        return rc;
    uint32_t reply_number = 0;
    std::string privilege_name;
    bool carried = universe_login_reply(&reply_number, &privilege_name);
    if (carried && privilege)
        privilege_result(rc, privilege_name, privilege);
    if (carried)
        *number = reply_number;
    return 0;
}

int universe_relogin()
{
    const char* name = citizen_name();
    bool tourist = citizen_number() == 0 || name[0] == '"';
    uint32_t number = 0;
    int rc = universe_login(tourist ? "" : name, tourist ? "" : citizen_password(), &number);
    if (log_universe())
        log_write("universe_relogin: %d", rc);
    if (rc == 0)
        citizen_set_number(number);
    return rc;
}

int login_failures()
{
    return failures;
}

void login_count_failure()
{
    ++failures;
}

int login_tourist_name_fault(const char* name)
{
    std::string n(name ? name : "");
    if (n.size() < 2)
        return 72;
    if (n.front() == ' ')
        return 69;
    for (size_t i = 0; i < n.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(n[i]);
        if (!std::isalnum(c) && c != ' ')
            return 68;
        if (c == ' ' && i + 1 < n.size() && n[i + 1] == ' ')
            return 69;
    }
    if (n.back() == ' ')
        return 70;
    return 0;
}

const char* login_failure_text(int reason, const char* name)
{
    static std::string text;
    switch (reason) {
    case universe::result_no_such_citizen:
        text = std::string(msg(10, name)) +
               ". To enter without an account, choose Tourist.";
        return text.c_str();
    case universe::result_wrong_password:
        return msg(98);
    case universe::result_already_in:
        return msg(192);
    case universe::reason_unreachable:
        return msg(163);
    default:
        return msg(155, reason);
    }
}

const char* login_immigration_failure_text(int reason, int mode, const char* name)
{
    switch (reason) {
    case universe::result_already_in: return msg(192);
    case universe::result_email_bad_characters: return msg(90);
    case universe::result_email_ends_blank: return msg(94);
    case universe::result_email_no_dot: return msg(91);
    case universe::result_email_no_at: return msg(92);
    case universe::result_email_starts_blank: return msg(93);
    case universe::result_email_too_long: return msg(59);
    case universe::result_email_too_short: return msg(60);
    case universe::result_name_taken: return msg(75, name);
    case universe::result_name_characters: return msg(68);
    case universe::result_name_blanks: return msg(69);
    case universe::result_name_ends_blank: return msg(70);
    case universe::result_name_too_short: return msg(72);
    case universe::result_password_too_short: return msg(74);
    case universe::result_privilege_password_short: return msg(201);
    case universe::reason_unreachable: return msg(163);
    default: return mode == 1 ? msg(139, reason) : msg(76, reason);
    }
}
