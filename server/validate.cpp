#include "validate.h"

#include "net/universe_codes.h"

namespace {

bool is_letter_or_digit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Characters of an address besides letters and digits.
constexpr std::string_view email_punctuation = "@.-_+!#$%&'*/=?^`{|}~";

}  // namespace

uint8_t us_validate_name(std::string_view name)
{
    if (name.size() < 2)
        return universe::result_name_too_short;
    if (name.size() > us_name_max)
        return us_result_name_too_long;
    if (name.front() == ' ')
        return universe::result_name_blanks;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != ' ' && !is_letter_or_digit(name[i]))
            return universe::result_name_characters;
        if (name[i] == ' ' && i > 0 && name[i - 1] == ' ')
            return universe::result_name_blanks;
    }
    if (name.back() == ' ')
        return universe::result_name_ends_blank;
    return 0;
}

uint8_t us_validate_password(std::string_view password)
{
    if (password.size() < 4)
        return universe::result_password_too_short;
    if (password.size() > us_password_max)
        return us_result_password_too_long;
    return 0;
}

uint8_t us_validate_privilege_password(std::string_view password)
{
    if (password.size() < 4)
        return universe::result_privilege_password_short;
    if (password.size() > us_password_max)
        return us_result_password_too_long;
    return 0;
}

uint8_t us_validate_email(std::string_view email)
{
    if (email.size() < 8)
        return universe::result_email_too_short;
    if (email.size() > us_email_max)
        return universe::result_email_too_long;
    if (email.front() == ' ')
        return universe::result_email_starts_blank;
    if (email.back() == ' ')
        return universe::result_email_ends_blank;
    for (char c : email) {
        if (!is_letter_or_digit(c) && email_punctuation.find(c) == std::string_view::npos)
            return universe::result_email_bad_characters;
    }
    if (email.find('@') == std::string_view::npos)
        return universe::result_email_no_at;
    if (email.find('.') == std::string_view::npos)
        return universe::result_email_no_dot;
    return 0;
}
