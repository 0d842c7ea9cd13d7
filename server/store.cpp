#include "store.h"

#include "database.h"
#include "log.h"

struct us_store {
    server_db db;
};

namespace {

// Names compare without regard to case (ASCII, which is all a name may hold).
// A password is kept as "pbkdf2-sha256:ROUNDS:SALT:HASH" (hexadecimal); a
// citizen without a privilege password has NULL there.
constexpr const char* schema = R"(
PRAGMA journal_mode = WAL;
CREATE TABLE IF NOT EXISTS citizen (
    number INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE COLLATE NOCASE,
    password TEXT NOT NULL,
    email TEXT NOT NULL,
    privilege_password TEXT
);
CREATE TABLE IF NOT EXISTS telegram (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    addressee INTEGER NOT NULL,
    sent INTEGER NOT NULL,
    sender TEXT NOT NULL,
    message BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS telegram_by_addressee ON telegram (addressee, id);
CREATE TABLE IF NOT EXISTS contact (
    owner INTEGER NOT NULL,
    contact INTEGER NOT NULL,
    PRIMARY KEY (owner, contact)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS contact_by_contact ON contact (contact, owner);
)";

}  // namespace

us_store* us_store_open(const std::string& path)
{
    auto* store = new us_store;
    if (store->db.open(path) != 0 || store->db.exec(schema) != 0) {
        server_log("cannot open the database %s", path.c_str());
        delete store;
        return nullptr;
    }
    return store;
}

void us_store_close(us_store* store)
{
    delete store;
}

const server_db& us_store_db(const us_store* store)
{
    return store->db;
}
