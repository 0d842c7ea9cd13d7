#include "contacts.h"

#include "database.h"
#include "store.h"

namespace {

std::vector<uint32_t> numbers(const us_store* store, const char* sql, uint32_t key)
{
    server_statement s(us_store_db(store), sql);
    s.bind(1, static_cast<int64_t>(key));
    std::vector<uint32_t> list;
    while (s.step())
        list.push_back(static_cast<uint32_t>(s.integer(0)));
    return list;
}

}  // namespace

void us_contacts_set(const us_store* store, uint32_t owner, const std::vector<uint32_t>& contacts)
{
    const server_db& db = us_store_db(store);
    db.exec("BEGIN");
    server_statement clear(db, "DELETE FROM contact WHERE owner = ?1");
    clear.bind(1, static_cast<int64_t>(owner)).run();
    for (size_t i = 0; i < contacts.size() && i < us_contact_limit; ++i) {
        server_statement add(db, "INSERT OR IGNORE INTO contact (owner, contact) VALUES (?1, ?2)");
        add.bind(1, static_cast<int64_t>(owner)).bind(2, static_cast<int64_t>(contacts[i])).run();
    }
    db.exec("COMMIT");
}

int us_contacts_add(const us_store* store, uint32_t owner, uint32_t contact)
{
    std::vector<uint32_t> list = us_contacts_of(store, owner);
    for (uint32_t number : list) {
        if (number == contact)
            return 0;
    }
    if (list.size() >= us_contact_limit)
        return 1;
    server_statement add(us_store_db(store),
                         "INSERT INTO contact (owner, contact) VALUES (?1, ?2)");
    add.bind(1, static_cast<int64_t>(owner)).bind(2, static_cast<int64_t>(contact)).run();
    return 0;
}

void us_contacts_delete(const us_store* store, uint32_t owner, uint32_t contact)
{
    server_statement s(us_store_db(store), "DELETE FROM contact WHERE owner = ?1 AND contact = ?2");
    s.bind(1, static_cast<int64_t>(owner)).bind(2, static_cast<int64_t>(contact)).run();
}

std::vector<uint32_t> us_contacts_of(const us_store* store, uint32_t owner)
{
    return numbers(store, "SELECT contact FROM contact WHERE owner = ?1 ORDER BY contact", owner);
}

std::vector<uint32_t> us_contacts_watchers(const us_store* store, uint32_t contact)
{
    return numbers(store, "SELECT owner FROM contact WHERE contact = ?1 ORDER BY owner", contact);
}
