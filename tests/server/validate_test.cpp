#include <gtest/gtest.h>

#include <string>

#include "net/universe_codes.h"
#include "validate.h"

TEST(validate, names)
{
    EXPECT_EQ(us_validate_name("Wren"), 0);
    EXPECT_EQ(us_validate_name("Al"), 0);
    EXPECT_EQ(us_validate_name("Mary Ann Lee 42"), 0);
    EXPECT_EQ(us_validate_name("Sixteen chars ok"), 0);
    EXPECT_EQ(us_validate_name(""), universe::result_name_too_short);
    EXPECT_EQ(us_validate_name("A"), universe::result_name_too_short);
    EXPECT_EQ(us_validate_name("Seventeen chars x"), us_result_name_too_long);
    EXPECT_EQ(us_validate_name(" Wren"), universe::result_name_blanks);
    EXPECT_EQ(us_validate_name("Wren  Finch"), universe::result_name_blanks);
    EXPECT_EQ(us_validate_name("Wren "), universe::result_name_ends_blank);
    EXPECT_EQ(us_validate_name("Wren_1"), universe::result_name_characters);
    EXPECT_EQ(us_validate_name("W\xe9n"), universe::result_name_characters);
    EXPECT_EQ(us_validate_name(std::string("Wr\0n", 4)), universe::result_name_characters);
    EXPECT_EQ(us_validate_name("\"Bob\""), universe::result_name_characters);
}

TEST(validate, passwords)
{
    EXPECT_EQ(us_validate_password("abcd"), 0);
    EXPECT_EQ(us_validate_password("twelve chars"), 0);
    EXPECT_EQ(us_validate_password("abc"), universe::result_password_too_short);
    EXPECT_EQ(us_validate_password(""), universe::result_password_too_short);
    EXPECT_EQ(us_validate_password("thirteen char"), us_result_password_too_long);
    EXPECT_EQ(us_validate_privilege_password("nest"), 0);
    EXPECT_EQ(us_validate_privilege_password("abc"), universe::result_privilege_password_short);
    EXPECT_EQ(us_validate_privilege_password("thirteen char"), us_result_password_too_long);
}

TEST(validate, email_addresses)
{
    EXPECT_EQ(us_validate_email("wren@vireo.invalid"), 0);
    EXPECT_EQ(us_validate_email("a.b+c@d-e.example"), 0);
    EXPECT_EQ(us_validate_email("a@b.c"), universe::result_email_too_short);
    EXPECT_EQ(us_validate_email(std::string(40, 'a') + "@example.org"),
              universe::result_email_too_long);
    EXPECT_EQ(us_validate_email(" wren@vireo.invalid"), universe::result_email_starts_blank);
    EXPECT_EQ(us_validate_email("wren@vireo.invalid "), universe::result_email_ends_blank);
    EXPECT_EQ(us_validate_email("wren @vireo.invalid"), universe::result_email_bad_characters);
    EXPECT_EQ(us_validate_email("wren@vireo,invalid"), universe::result_email_bad_characters);
    EXPECT_EQ(us_validate_email("wren.vireo.invalid"), universe::result_email_no_at);
    EXPECT_EQ(us_validate_email("wren@vireo-invalid"), universe::result_email_no_dot);
}
