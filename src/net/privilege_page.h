#pragma once

class sheet_page;
struct universe_message;

// The privilege application, on the "Advanced" page of the settings sheet:
// building under another citizen's number with that citizen's privilege
// password. Applying it writes the [privilege] keys and, when the
// application changed, logs in again so that it counts at once.
sheet_page* privilege_page_create();
// Citizen name and number answers for an open page.
void privilege_page_answer(const universe_message& message);
