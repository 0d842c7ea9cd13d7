#pragma once

class sheet_page;

// The "Downloads" page of the settings sheet: how much of the pictures and
// sounds named by absolute URLs is downloaded.
sheet_page* downloads_page_create();
