#pragma once

// Telegrams between citizens and their store.
void telegram_update();
void telegram_close();
