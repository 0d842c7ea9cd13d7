#pragma once
#include <cstdint>

// The identity the session runs under: a citizen (number, name, password)
// or a tourist (a name held in double quotes, number 0), or none.

// The name; "All Alone" when there is no identity.
const char* citizen_name();
const char* citizen_password();
uint32_t citizen_number();
// 1 for a tourist (or no identity): number 0.
int citizen_is_tourist();
// The number objects are built under: the privilege number while one is
// applied for, else the own number (0 for tourists).
uint32_t citizen_building_number();
void citizen_set_name(const char* name);
void citizen_set_password(const char* password);
void citizen_set_number(uint32_t number);
