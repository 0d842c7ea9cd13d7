#pragma once
#include <cstddef>

class QWidget;

// Telegrams between citizens and their store.
void telegram_update();
void telegram_close();

// A message of the universe for this module: its id, result and body.
void telegram_universe_message(int id, int rc, const unsigned char* body, size_t length);

// The telegrams's page of the tab window: fills the page given, and is told
// when the page is shown or hidden.
void telegram_init(QWidget* page);
void telegram_show();
void telegram_hide();
