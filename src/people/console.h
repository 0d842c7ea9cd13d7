#pragma once

// The chat console.
int console_init();
void console_term();
