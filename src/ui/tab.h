#pragma once

// The tab window at the left of the main window: the world list, the
// contacts, the telegrams and the help index, one page shown at a time.
enum tab_page { tab_worlds = 0, tab_contacts = 1, tab_telegrams = 2, tab_help = 3, tab_pages = 4 };

// Creates the tabs and their pages and selects the page of last time; 0 on
// success.
int tab_init();
// Shows this page and hides the others; the choice is kept for next time.
void tab_select(int page);
int tab_selected();
