#pragma once

class sheet_page;

// The "Performance" page of the settings sheet.
sheet_page* perform_page_create();
