#pragma once

class QWidget;
struct universe_message;

// The list of running worlds.
void worlds_update();

// A message of the universe for this module.
void worlds_universe_message(const universe_message& message);

// The world list's page of the tab window: fills the page given, and is told
// when the page is shown or hidden.
void worlds_init(QWidget* page);
void worlds_show();
void worlds_hide();
