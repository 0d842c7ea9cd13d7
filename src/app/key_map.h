#pragma once

// Windows virtual-key codes used by the program.
enum virtual_key {
    vk_rbutton = 2, vk_back = 8, vk_tab = 9, vk_return = 13, vk_shift = 16, vk_control = 17, vk_menu = 18,
    vk_pause = 19, vk_capital = 20, vk_escape = 27, vk_space = 32,
    vk_prior = 33, vk_next = 34, vk_end = 35, vk_home = 36,
    vk_left = 37, vk_up = 38, vk_right = 39, vk_down = 40,
    vk_insert = 45, vk_delete = 46,
    vk_numpad0 = 96, vk_multiply = 106, vk_add = 107, vk_separator = 108,
    vk_subtract = 109, vk_decimal = 110, vk_divide = 111,
    vk_f1 = 112, vk_numlock = 144, vk_scroll = 145,
};

// The virtual-key code of a Qt key (Qt::Key) pressed with or without the
// keypad modifier, or 0 when the key has none.
int key_map_from_qt(int qt_key, bool keypad);
