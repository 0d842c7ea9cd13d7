#pragma once

class QWidget;
struct universe_message;

// Telegrams between citizens and their store.
void telegram_update();
void telegram_close();

// A message of the universe for this module.
void telegram_universe_message(const universe_message& message);

// The telegrams's page of the tab window: fills the page given, and is told
// when the page is shown or hidden.
void telegram_init(QWidget* page);
void telegram_show();
void telegram_hide();
