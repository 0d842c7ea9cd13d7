#pragma once
// The universe's file of state: citizens, telegrams waiting for delivery and
// contact lists, in one SQLite database.
#include <string>

class server_db;
struct us_store;

// Opens or creates the database at `path` with its tables. Returns nullptr
// (after a line on standard error) when it cannot.
us_store* us_store_open(const std::string& path);
void us_store_close(us_store* store);
const server_db& us_store_db(const us_store* store);
