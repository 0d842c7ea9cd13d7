#pragma once

// The tab window.
int tab_init();
