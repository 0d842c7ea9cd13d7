#include "citizens.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "database.h"
#include "store.h"

namespace {

int hash_rounds = 10000;
constexpr size_t salt_size = 16;
constexpr size_t hash_size = 32;
constexpr std::string_view hash_scheme = "pbkdf2-sha256";

std::string to_hex(const unsigned char* bytes, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

bool from_hex(std::string_view hex, std::vector<unsigned char>* bytes)
{
    auto value = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    if (hex.size() % 2)
        return false;
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = value(hex[i]), low = value(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes->push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return true;
}

bool derive(std::string_view password, const unsigned char* salt, size_t salt_length, int rounds,
            unsigned char* out)
{
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                             static_cast<int>(salt_length), rounds, EVP_sha256(),
                             static_cast<int>(hash_size), out) == 1;
}

// The stored form of a password: scheme, rounds, salt and hash.
std::string hash_password(std::string_view password)
{
    unsigned char salt[salt_size];
    unsigned char hash[hash_size];
    if (RAND_bytes(salt, sizeof salt) != 1 ||
        !derive(password, salt, sizeof salt, hash_rounds, hash))
        return {};
    return std::string(hash_scheme) + ":" + std::to_string(hash_rounds) + ":" +
        to_hex(salt, sizeof salt) + ":" + to_hex(hash, sizeof hash);
}

bool password_matches(std::string_view stored, std::string_view password)
{
    // scheme:rounds:salt:hash
    size_t a = stored.find(':');
    size_t b = a == std::string_view::npos ? a : stored.find(':', a + 1);
    size_t c = b == std::string_view::npos ? b : stored.find(':', b + 1);
    if (c == std::string_view::npos || stored.substr(0, a) != hash_scheme)
        return false;
    int rounds = 0;
    for (char digit : stored.substr(a + 1, b - a - 1)) {
        if (digit < '0' || digit > '9' || rounds > 10000000)
            return false;
        rounds = rounds * 10 + (digit - '0');
    }
    std::vector<unsigned char> salt, expected;
    if (rounds < 1 || !from_hex(stored.substr(b + 1, c - b - 1), &salt) ||
        !from_hex(stored.substr(c + 1), &expected) || expected.size() != hash_size)
        return false;
    unsigned char hash[hash_size];
    return derive(password, salt.data(), salt.size(), rounds, hash) &&
        CRYPTO_memcmp(hash, expected.data(), hash_size) == 0;
}

int find(const us_store* store, const char* sql, auto key, us_citizen* citizen)
{
    server_statement s(us_store_db(store), sql);
    s.bind(1, key);
    if (!s.step())
        return 0;
    citizen->number = static_cast<uint32_t>(s.integer(0));
    citizen->name = s.text(1);
    citizen->email = s.text(2);
    return 1;
}

// The stored hash of one of the citizen's passwords; none when the citizen
// or the password does not exist.
std::optional<std::string> stored_hash(const us_store* store, uint32_t number, const char* sql)
{
    server_statement s(us_store_db(store), sql);
    s.bind(1, static_cast<int64_t>(number));
    if (!s.step() || s.is_null(0))
        return std::nullopt;
    return s.text(0);
}

bool name_taken(const us_store* store, std::string_view name, uint32_t except)
{
    server_statement s(us_store_db(store),
                       "SELECT 1 FROM citizen WHERE name = ?1 AND number <> ?2");
    s.bind(1, name).bind(2, static_cast<int64_t>(except));
    return s.step();
}

}  // namespace

void us_citizen_set_hash_rounds(int rounds)
{
    hash_rounds = rounds;
}

int us_citizen_find_name(const us_store* store, std::string_view name, us_citizen* citizen)
{
    return find(store, "SELECT number, name, email FROM citizen WHERE name = ?1", name, citizen);
}

int us_citizen_find_number(const us_store* store, uint32_t number, us_citizen* citizen)
{
    return find(store, "SELECT number, name, email FROM citizen WHERE number = ?1",
                static_cast<int64_t>(number), citizen);
}

int us_citizen_create(const us_store* store, std::string_view name, std::string_view password,
                      std::string_view email, std::string_view privilege_password, uint32_t* number)
{
    if (name_taken(store, name, 0))
        return 1;
    std::string hash = hash_password(password);
    std::string privilege_hash =
        privilege_password.empty() ? std::string() : hash_password(privilege_password);
    if (hash.empty() || (!privilege_password.empty() && privilege_hash.empty()))
        return 2;
    server_statement s(us_store_db(store),
                       "INSERT INTO citizen (name, password, email, privilege_password) "
                       "VALUES (?1, ?2, ?3, ?4)");
    s.bind(1, name).bind(2, hash).bind(3, email);
    if (!privilege_hash.empty())
        s.bind(4, privilege_hash);
    if (s.run() != 0)
        return 2;
    *number = static_cast<uint32_t>(sqlite3_last_insert_rowid(us_store_db(store).get()));
    return 0;
}

int us_citizen_check_password(const us_store* store, uint32_t number, std::string_view password)
{
    auto stored = stored_hash(store, number, "SELECT password FROM citizen WHERE number = ?1");
    return stored && password_matches(*stored, password) ? 1 : 0;
}

int us_citizen_check_privilege_password(const us_store* store, uint32_t number,
                                        std::string_view password)
{
    auto stored =
        stored_hash(store, number, "SELECT privilege_password FROM citizen WHERE number = ?1");
    return stored && password_matches(*stored, password) ? 1 : 0;
}

int us_citizen_update(const us_store* store, uint32_t number, const us_citizen_change& change)
{
    if (change.name && name_taken(store, *change.name, number))
        return 1;
    const server_db& db = us_store_db(store);
    if (db.exec("BEGIN") != 0)
        return 2;
    auto set = [&](const char* sql, const std::string& value) {
        server_statement s(db, sql);
        return s.bind(1, value).bind(2, static_cast<int64_t>(number)).run() == 0;
    };
    bool ok = true;
    if (change.name)
        ok = ok && set("UPDATE citizen SET name = ?1 WHERE number = ?2", *change.name);
    if (change.password) {
        std::string hash = hash_password(*change.password);
        ok = ok && !hash.empty() && set("UPDATE citizen SET password = ?1 WHERE number = ?2", hash);
    }
    if (change.email)
        ok = ok && set("UPDATE citizen SET email = ?1 WHERE number = ?2", *change.email);
    if (change.privilege_password) {
        std::string hash = hash_password(*change.privilege_password);
        ok = ok && !hash.empty() &&
            set("UPDATE citizen SET privilege_password = ?1 WHERE number = ?2", hash);
    }
    if (ok && db.exec("COMMIT") == 0)
        return 0;
    db.exec("ROLLBACK");
    return 2;
}
