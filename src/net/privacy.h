#pragma once

// Join-request and privacy settings.

enum privacy_join_mode {
    privacy_join_anyone = 0,    // anyone may join the user
    privacy_join_contacts = 1,  // only citizens on the contact list
    privacy_join_nobody = 2
};

// Reads [privacy] join, verify and hide_world, each 0 when missing.
void privacy_init();
// One of privacy_join_mode.
int privacy_join();
// 1 when every join request that would be accepted is put to the user.
int privacy_verify();
// 1 when contacts are not told which world the user is in.
int privacy_hide_world();
// Applies the Privacy page: keeps and writes the three. The universe hears
// of the hide-world flag only at log-in, so a change of it logs in again.
void privacy_apply(int join, int verify, int hide_world);
