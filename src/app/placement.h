#pragma once

// Where the main window opens, from the saved [layout] values.
struct placement {
    int system_position;  // 1: let the window system choose x and y
    int x;
    int y;
    int width;
    int height;
};

// main_x and main_y as stored (-1 when missing); width and height after the
// settings defaults and minimums; the screen's size.
placement placement_compute(int main_x, int main_y, int width, int height, int screen_width,
                            int screen_height);
