#pragma once

struct universe_message;

// The object properties window.
void pdialog_init();

// A message of the universe for this module.
void pdialog_universe_message(const universe_message& message);
