#pragma once
#include <cstddef>

class QWidget;

// The contact list.
void contacts_update();

// A message of the universe for this module: its id, result and body.
void contacts_universe_message(int id, int rc, const unsigned char* body, size_t length);
// Marks the contact list for sending again (after logging in again).
void contacts_resend();

// The contact list's page of the tab window: fills the page given, and is told
// when the page is shown or hidden.
void contacts_init(QWidget* page);
void contacts_show();
void contacts_hide();
