#pragma once
#include <cstddef>

// The contact list.
void contacts_update();

// A message of the universe for this module: its id, result and body.
void contacts_universe_message(int id, int rc, const unsigned char* body, size_t length);
// Marks the contact list for sending again (after logging in again).
void contacts_resend();
