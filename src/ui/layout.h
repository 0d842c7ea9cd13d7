#pragma once

class QWidget;

// The main window's client area: the tab column on the left; the 3D view
// over the chat console and the chat line in the middle; the web pane on
// the right while it is open; split by two vertical splitters (tabx, webx)
// and one horizontal (chaty), all persisted under [layout]. Coordinates
// are those of the client area, the toolbar at its top and the status bar
// at its bottom.

struct layout_rect {
    int x, y, width, height;
};

struct layout_input {
    int width, height;        // the client area
    int toolbar_height;       // with its extra pixel; 0 when hidden
    int gesture_height;
    int status_height;        // with its extra pixel
    int entry_height;         // the chat line
    int tabx, webx, chaty;    // -1: the default
    int web_open;
    int view_max_width;       // the greatest view the camera takes
    int view_max_height;
};

struct layout_result {
    int top, bottom, left, right;
    int tabx, webx, chaty;
    int chaty_reduced;        // chaty was moved for the camera: persist it
    int columns_reduced;      // tabx and webx were moved for the camera
    layout_rect entry, tab, view, console, web;
};

void layout_compute(const layout_input& in, layout_result* out);

enum layout_splitter { splitter_none = 0, splitter_tab = 1, splitter_web = 2, splitter_chat = 3 };
// The splitter under a point of the client area, if any.
int layout_splitter_at(const layout_result& layout, int web_open, int x, int y);
// Where a splitter dragged to this position (x, or y for chaty) ends up.
int layout_drag_clamp(const layout_input& in, const layout_result& layout, int splitter,
                      int position);

// The client area of the main window, made on first use; the views of the
// program are its children, each placed by the layout in its part.
QWidget* layout_client();
enum layout_part { layout_part_tab, layout_part_view, layout_part_console, layout_part_entry,
                   layout_part_web, layout_parts };
void layout_attach(int part, QWidget* widget);
// Lays the client area out again (the window, a splitter, the toolbar, the
// web pane or the camera changed).
void layout_update();
// 1 while a vertical or the horizontal splitter is being dragged.
int layout_dragging_vertical();
int layout_dragging_horizontal();
