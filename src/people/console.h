#pragma once

// The chat console: the conversation and the program's notices, each
// kind in a colour of its own.
enum console_kind {
    console_chat = 0,
    console_speaker = 1,
    console_inspector = 2,    // "Building Inspector" notices
    console_immigration = 3,  // "Immigration Officer" notices
    console_operator = 4,     // "Operator" notices
    console_telegram = 5,
    console_tourist = 6,
};

// The window that shows the console, set at start-up: it is given every
// line as it is printed, and told when the console is emptied.
struct console_view {
    void (*append)(const char* line);
    void (*clear)();
};
void console_set_view(const console_view& view);

// Formats one line of the kind and appends it.
void console_print(int kind, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The number of lines printed, and one of them (0 the oldest kept).
int console_line_count();
const char* console_line(int index);
void console_term();
