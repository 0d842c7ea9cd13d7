#pragma once

class QWidget;
struct universe_message;

// The privilege application, on the "Advanced" page of the settings sheet:
// building under another citizen's number with that citizen's privilege
// password.
QWidget* privilege_page_create();
// Writes the [privilege] keys and logs in again so the application counts
// at once.
void privilege_page_apply(QWidget* page);
// Citizen name and number answers for an open page.
void privilege_page_answer(const universe_message& message);
