#include "telegrams.h"

#include "database.h"
#include "store.h"

int us_telegram_store(const us_store* store, uint32_t addressee, int64_t sent,
                      std::string_view sender, std::string_view message)
{
    if (us_telegram_waiting(store, addressee) >= us_telegram_limit)
        return 1;
    server_statement s(
        us_store_db(store),
        "INSERT INTO telegram (addressee, sent, sender, message) VALUES (?1, ?2, ?3, ?4)");
    s.bind(1, static_cast<int64_t>(addressee)).bind(2, sent).bind(3, sender).bind_blob(4, message);
    return s.run() == 0 ? 0 : 2;
}

int us_telegram_take(const us_store* store, uint32_t addressee, us_telegram* telegram, int* more)
{
    const server_db& db = us_store_db(store);
    server_statement s(db,
                       "SELECT id, sent, sender, message FROM telegram WHERE addressee = ?1 "
                       "ORDER BY id LIMIT 1");
    s.bind(1, static_cast<int64_t>(addressee));
    if (!s.step())
        return 0;
    telegram->sent = s.integer(1);
    telegram->sender = s.text(2);
    telegram->message = s.text(3);
    server_statement remove(db, "DELETE FROM telegram WHERE id = ?1");
    if (remove.bind(1, s.integer(0)).run() != 0)
        return 0;
    *more = us_telegram_waiting(store, addressee) > 0 ? 1 : 0;
    return 1;
}

int us_telegram_waiting(const us_store* store, uint32_t addressee)
{
    server_statement s(us_store_db(store), "SELECT count(*) FROM telegram WHERE addressee = ?1");
    s.bind(1, static_cast<int64_t>(addressee));
    return s.step() ? static_cast<int>(s.integer(0)) : 0;
}
