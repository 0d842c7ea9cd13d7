#pragma once

// World entry and the world server connection.
int world_init();
void world_update();
void world_term();
// The name of the world entered last, or "".
const char* world_current_name();
// Opens the World Options dialog.
void world_options();
// The avatar this user chose in this world (0 when none).
int world_avatar();
void world_set_avatar(int number);
// The world's object password, which opens its encrypted model archives;
// "" when it has none.
const char* world_object_password();
void world_set_object_password(const char* password);
