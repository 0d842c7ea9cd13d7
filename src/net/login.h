#pragma once

// Logging in to the universe at start-up.
int login_init();
