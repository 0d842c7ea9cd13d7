#pragma once

// The diagnostic log "vireo.log" in the working directory. Each line is
// "%5d: %s\n": a message and the milliseconds until the next one, so every
// line times one step. The message held at exit is never written.

// Reads the [debug] switches through `setting`, the settings file's integer
// reader (-1 for a missing key), so that the log needs nothing above it.
using log_setting = int (*)(const char* section, const char* key);
void log_init(log_setting setting);

void log_write(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The category switches; a caller tests its own before writing.
int log_trace();
int log_tasks();
int log_database();
int log_sound();
int log_disk();
int log_download();
int log_visible();
int log_texture();
int log_chunk();
int log_universe();
int log_elements();
int log_vrml();

// Called with the text of every message as it is logged (automation uses
// it to wait for a line); nullptr removes it.
using log_observer = void (*)(const char* text);
void log_set_observer(log_observer observer);

// Closes the file and forgets the held message and the switches; the next
// message opens the file afresh. For tests.
void log_reset();
