#pragma once

class sheet_page;

// The "Advanced" page of the settings sheet: the privilege application and
// the cache's keep-files options.
sheet_page* advanced_page_create();
