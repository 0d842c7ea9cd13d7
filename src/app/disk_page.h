#pragma once

class sheet_page;

// The "Disk Usage" page of the settings sheet.
sheet_page* disk_page_create();
