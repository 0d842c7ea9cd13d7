#pragma once
// Citizen accounts: number (from 1 upward), name (unique without regard to
// case), password, e-mail address and privilege password. Passwords are kept
// only as salted PBKDF2-HMAC-SHA-256 hashes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct us_store;

struct us_citizen {
    uint32_t number = 0;
    std::string name;  // as the citizen spelled it
    std::string email;
};

// The cost of the hashes made from now on (10000 rounds unless changed);
// the fuzz targets make cheap ones. Stored hashes keep their own count.
void us_citizen_set_hash_rounds(int rounds);

// 1 and fills `citizen` when found, else 0.
int us_citizen_find_name(const us_store* store, std::string_view name, us_citizen* citizen);
int us_citizen_find_number(const us_store* store, uint32_t number, us_citizen* citizen);

// Creates a citizen with the next number (an empty privilege password means
// none). Returns 0, 1 when the name is taken, 2 when the store failed.
int us_citizen_create(const us_store* store, std::string_view name, std::string_view password,
                      std::string_view email, std::string_view privilege_password,
                      uint32_t* number);

// 1 when the password is the citizen's, else 0.
int us_citizen_check_password(const us_store* store, uint32_t number, std::string_view password);
// 1 when the citizen has a privilege password and this is it, else 0.
int us_citizen_check_privilege_password(const us_store* store, uint32_t number,
                                        std::string_view password);

// New values for some of a citizen's attributes; the rest stay.
struct us_citizen_change {
    std::optional<std::string> name;
    std::optional<std::string> password;
    std::optional<std::string> email;
    std::optional<std::string> privilege_password;
};
// Returns 0, 1 when the new name belongs to another citizen, 2 when the
// store failed. Nothing changes unless everything does.
int us_citizen_update(const us_store* store, uint32_t number, const us_citizen_change& change);
