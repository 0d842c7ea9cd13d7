#pragma once

class sheet_page;

// The "Privacy" page of the settings sheet: who may join the user, and
// whether contacts see the user's world.
sheet_page* privacy_page_create();
