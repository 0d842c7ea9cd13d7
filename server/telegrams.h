#pragma once
// Telegrams kept until their addressee fetches them, oldest first.
#include <cstdint>
#include <string>
#include <string_view>

struct us_store;

// Telegrams one citizen may have waiting; further ones are refused.
constexpr int us_telegram_limit = 500;

// Keeps a telegram sent at `sent` (seconds since 1970). Returns 0, 1 when
// the addressee has us_telegram_limit waiting, 2 when the store failed.
int us_telegram_store(const us_store* store, uint32_t addressee, int64_t sent,
                      std::string_view sender, std::string_view message);

struct us_telegram {
    int64_t sent = 0;
    std::string sender;
    std::string message;
};
// Removes the oldest telegram waiting for `addressee` from the store into
// `telegram`. Returns 1 when there was one, else 0; `more` tells whether
// others are still waiting.
int us_telegram_take(const us_store* store, uint32_t addressee, us_telegram* telegram, int* more);
// The number of telegrams waiting for `addressee`.
int us_telegram_waiting(const us_store* store, uint32_t addressee);
