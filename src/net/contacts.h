#pragma once

class QWidget;
struct universe_message;

// The contact list.
void contacts_update();

// A message of the universe for this module.
void contacts_universe_message(const universe_message& message);
// Marks the contact list for sending again (after logging in again).
void contacts_resend();

// The contact list's page of the tab window: fills the page given, and is told
// when the page is shown or hidden.
void contacts_init(QWidget* page);
void contacts_show();
void contacts_hide();
