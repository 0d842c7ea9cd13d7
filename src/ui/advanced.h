#pragma once

// The advanced settings.
void advanced_init();
