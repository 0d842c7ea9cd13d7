#pragma once

class QFont;

// The interface fonts: Arial at 11 pixels, normal and bold. 1 on success.
int font_init();
const QFont& font_normal();
const QFont& font_bold();
