#pragma once

class sheet_page;

// The "Sound" page of the settings sheet.
sheet_page* sound_page_create();
