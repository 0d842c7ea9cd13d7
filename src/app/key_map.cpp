#include "app/key_map.h"

#include <Qt>

namespace {

int keypad_key(int k)
{
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return vk_numpad0 + (k - Qt::Key_0);
    switch (k) {
    case Qt::Key_Asterisk: return vk_multiply;
    case Qt::Key_Plus: return vk_add;
    case Qt::Key_Minus: return vk_subtract;
    case Qt::Key_Period: return vk_decimal;
    case Qt::Key_Comma: return vk_separator;
    case Qt::Key_Slash: return vk_divide;
    case Qt::Key_Enter: return vk_return;
    // With Num Lock off the keypad sends navigation keys.
    case Qt::Key_Insert: return vk_insert;
    case Qt::Key_Delete: return vk_delete;
    case Qt::Key_Home: return vk_home;
    case Qt::Key_End: return vk_end;
    case Qt::Key_PageUp: return vk_prior;
    case Qt::Key_PageDown: return vk_next;
    case Qt::Key_Left: return vk_left;
    case Qt::Key_Right: return vk_right;
    case Qt::Key_Up: return vk_up;
    case Qt::Key_Down: return vk_down;
    case Qt::Key_Clear: return 12;
    default: return 0;
    }
}

}  // namespace

int key_map_from_qt(int k, bool keypad)
{
    if (keypad) {
        if (int vk = keypad_key(k))
            return vk;
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return vk_f1 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return vk_back;
    case Qt::Key_Tab: case Qt::Key_Backtab: return vk_tab;
    case Qt::Key_Return: case Qt::Key_Enter: return vk_return;
    case Qt::Key_Shift: return vk_shift;
    case Qt::Key_Control: return vk_control;
    case Qt::Key_Alt: case Qt::Key_AltGr: return vk_menu;
    case Qt::Key_Pause: return vk_pause;
    case Qt::Key_CapsLock: return vk_capital;
    case Qt::Key_Escape: return vk_escape;
    case Qt::Key_Space: return vk_space;
    case Qt::Key_PageUp: return vk_prior;
    case Qt::Key_PageDown: return vk_next;
    case Qt::Key_End: return vk_end;
    case Qt::Key_Home: return vk_home;
    case Qt::Key_Left: return vk_left;
    case Qt::Key_Up: return vk_up;
    case Qt::Key_Right: return vk_right;
    case Qt::Key_Down: return vk_down;
    case Qt::Key_Insert: return vk_insert;
    case Qt::Key_Delete: return vk_delete;
    case Qt::Key_NumLock: return vk_numlock;
    case Qt::Key_ScrollLock: return vk_scroll;
    case Qt::Key_Meta: return 91;
    case Qt::Key_Menu: return 93;
    case Qt::Key_Print: return 44;
    // Shifted digits and the punctuation keys of a US keyboard name the
    // key that was pressed, whatever it types.
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 186;
    case Qt::Key_Equal: case Qt::Key_Plus: return 187;
    case Qt::Key_Comma: case Qt::Key_Less: return 188;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 189;
    case Qt::Key_Period: case Qt::Key_Greater: return 190;
    case Qt::Key_Slash: case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 222;
    default: return 0;
    }
}
