#pragma once

// The settings file: one INI file in the program directory, read and
// written key by key. Nothing is cached: every call goes to the file.

// Remembers directory + name as the settings path; 1 when the file exists.
int profile_init(const char* directory, const char* name);

// The settings file's full path.
const char* profile_path();

// The key's integer value, or -1 when the key is missing.
int profile_int(const char* section, const char* key);
void profile_set_int(const char* section, const char* key, int value);

// The key's text (at most 127 characters; empty when missing), in one of
// five rotating buffers: the sixth call reuses the first call's buffer.
const char* profile_string(const char* section, const char* key);
void profile_set_string(const char* section, const char* key, const char* text);

// A secret kept scrambled, as two hexadecimal digits a byte.
const char* profile_encrypted_string(const char* section, const char* key);
void profile_set_encrypted_string(const char* section, const char* key, const char* text);
