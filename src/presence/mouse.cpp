// The mouse's two modes in the 3D view: picking objects, or steering.
#include "presence/mouse.h"

#include "base/log.h"
#include "base/menu.h"

namespace {

constexpr int command_mouse_mode = 118;

struct mouse_state {
    mouse_mode mode = mouse_picker;
    mouse_view view{};
    bool held = false;      // a mover has the cursor hidden at the centre
    int anchor_x = 0;       // the view's centre while held
    int anchor_y = 0;
    int saved_x = 0;        // where the cursor was before it was held
    int saved_y = 0;
};

mouse_state state;

void cursor(int* x, int* y)
{
    *x = 0;
    *y = 0;
    if (state.view.cursor)
        state.view.cursor(x, y);
}

void move_cursor(int x, int y)
{
    if (state.view.move_cursor)
        state.view.move_cursor(x, y);
}

void show_cursor(int shown)
{
    if (state.view.show_cursor)
        state.view.show_cursor(shown);
}

}  // namespace

void mouse_set_view(const mouse_view& view)
{
    state.view = view;
}

void mouse_init()
{
    if (log_trace())
        log_write("mouse_init");
    state.mode = mouse_picker;
    state.held = false;
    menu_enable(command_mouse_mode, 1);
}

void mouse_as_mover()
{
    if (state.mode == mouse_mover)
        return;
    state.mode = mouse_mover;
    mouse_activate();
}

void mouse_as_picker()
{
    if (state.mode != mouse_mover)
        return;
    mouse_deactivate();
    state.mode = mouse_picker;
}

void mouse_activate()
{
    // The window and the application both report activation: the cursor is
    // saved once, not again at the centre.
    if (state.mode != mouse_mover || state.held)
        return;
    cursor(&state.saved_x, &state.saved_y);
    show_cursor(0);
    int width = 0, height = 0;
    if (state.view.size)
        state.view.size(&width, &height);
    state.anchor_x = width / 2;
    state.anchor_y = height / 2;
    move_cursor(state.anchor_x, state.anchor_y);
    state.held = true;
}

void mouse_deactivate()
{
    if (state.mode != mouse_mover || !state.held)
        return;
    move_cursor(state.saved_x, state.saved_y);
    show_cursor(1);
    state.held = false;
}

int mouse_is_mover()
{
    return state.mode == mouse_mover ? 1 : 0;
}

int mouse_is_picker()
{
    return state.mode == mouse_picker ? 1 : 0;
}

void mouse_steer(int* turn, int* forward)
{
    *turn = 0;
    *forward = 0;
    if (state.mode != mouse_mover || !state.held)
        return;
    int x, y;
    cursor(&x, &y);
    *turn = state.anchor_x - x;
    *forward = state.anchor_y - y;
    move_cursor(state.anchor_x, state.anchor_y);
}

void mouse_client_position(int* x, int* y)
{
    cursor(x, y);
}
