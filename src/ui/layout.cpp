#include "ui/layout.h"

#include <algorithm>

namespace {

constexpr int default_tabx = 165;
constexpr int default_webx = 475;
constexpr int default_chaty = 300;
constexpr int margin = 20;

// The horizontal splitter stays below the top and above the console's
// smallest height.
int clamp_chaty(const layout_input& in, int top, int chaty)
{
    int low = top + 10;
    int high = in.height - in.status_height - 45;
    return std::max(low, std::min(chaty, high));
}

// Where a splitter may be dragged to.
void layout_drag_limits(const layout_input& in, const layout_result& r, int splitter, int* low,
                        int* high)
{
    switch (splitter) {
    case splitter_chat:
        *low = r.top + 10;
        *high = in.height - in.status_height - 30;
        break;
    case splitter_tab:
        *low = margin;
        *high = in.web_open ? r.webx - margin : in.width - margin;
        break;
    case splitter_web:
        *low = r.tabx + margin;
        *high = in.width - margin;
        break;
    default:
        *low = *high = 0;
        break;
    }
}

}  // namespace

void layout_compute(const layout_input& in, layout_result* out)
{
    layout_result& r = *out;
    r.chaty_reduced = 0;
    r.columns_reduced = 0;
    r.top = in.toolbar_height + in.gesture_height;
    r.bottom = in.height - in.status_height;
    r.webx = in.webx < 0 ? default_webx : in.webx;
    r.tabx = in.tabx < 0 ? default_tabx : in.tabx;
    r.webx = std::min(r.webx, in.width - margin);
    r.tabx = std::min(r.tabx, r.webx - margin);
    r.left = r.tabx;
    r.right = in.web_open ? r.webx : in.width;
    r.chaty = clamp_chaty(in, r.top, in.chaty < 0 ? default_chaty : in.chaty);

    // The view may be larger than the camera takes: the columns give way.
    int view_width = r.right - r.left - 1;
    int view_height = r.chaty - r.top - 1;
    if (in.view_max_height > 0 && view_height > in.view_max_height) {
        r.chaty = r.top + in.view_max_height;
        r.chaty_reduced = 1;
    }
    if (in.view_max_width > 0 && view_width > in.view_max_width) {
        if (in.web_open)
            r.right = r.left + in.view_max_width;
        else
            r.left = in.width - in.view_max_width;
        r.chaty = clamp_chaty(in, r.top, r.chaty);
        r.tabx = r.left;
        r.webx = r.right;
        r.columns_reduced = 1;
    }

    r.entry = {r.left + 1, r.bottom - in.entry_height + 1, r.right - r.left - 1, in.entry_height};
    r.tab = {0, r.top, r.left - 1, r.bottom - r.top};
    r.view = {r.left + 1, r.top, r.right - r.left - 1, r.chaty - 1 - r.top};
    r.console = {r.left + 1, r.chaty + 1, r.right - r.left - 2,
                 r.bottom - in.entry_height - 1 - r.chaty - 1};
    r.web = {r.right + 1, r.top, in.width - r.right - 1, r.bottom - r.top};
}

int layout_splitter_at(const layout_result& r, int web_open, int x, int y)
{
    if (y >= r.chaty - 2 && y <= r.chaty + 1 && x > r.left && x < r.right)
        return splitter_chat;
    if (y < r.top)
        return splitter_none;
    if (x >= r.tabx - 2 && x <= r.tabx + 1)
        return splitter_tab;
    if (web_open && x >= r.webx - 2 && x <= r.webx + 1)
        return splitter_web;
    return splitter_none;
}


int layout_drag_clamp(const layout_input& in, const layout_result& layout, int splitter,
                      int position)
{
    int low = 0, high = 0;
    layout_drag_limits(in, layout, splitter, &low, &high);
    return std::clamp(position, low, high);
}
