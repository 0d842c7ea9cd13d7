#pragma once

class sheet_page;

// The "Proxy" page of the settings sheet.
sheet_page* proxy_page_create();
