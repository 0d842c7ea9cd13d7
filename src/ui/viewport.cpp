#include "ui/viewport.h"

#include <strings.h>

#include <cstdint>
#include <cstring>

#include "assets/scene.h"
#include "behavior/behavior.h"
#include "behavior/pick.h"
#include "presence/camera.h"
#include "presence/mouse.h"
#include "ui/viewport_window.h"
#include "ui/web.h"
#include "world/element.h"
#include "world/visible.h"

namespace {

uint64_t shown = 0;  // the camera's pictures the view has been asked to show

// An action of one word that is not an old-style sound is a web address
// that a click opens.
bool is_address(const char* action)
{
    return action && *action && !std::strchr(action, ' ') &&
           strncasecmp(action, "sound:", 6) != 0;
}

}  // namespace

int viewport_init()
{
    return viewport_window_create() ? 0 : 1;
}

void viewport_update()
{
    if (camera_images() == shown)
        return;
    shown = camera_images();
    viewport_window_repaint();
}

void viewport_add_overlay(void (*paint)(QPainter* painter))
{
    viewport_window_add_overlay(paint);
}

// The view gives the keyboard focus to the main window before either
// click.
void viewport_left_click(int x, int y)
{
    // A mover's click only gives the cursor back.
    if (mouse_is_mover()) {
        mouse_as_picker();
        return;
    }
    rw_clump* clump = scene_pick(x, y);
    element* e = clump ? visible_element(clump) : nullptr;
    if (!e) {
        pick_off();
        return;
    }
    // An action without an activate clause, of one word, is opened as the
    // address it names.
    if (!behavior_trigger(e, action_activate) && is_address(element_action(e)))
        web_open_url(element_action(e), 0);
}

// A picker's right click selects the object under the cursor for
// building; a mover's does nothing.
void viewport_right_click(int x, int y)
{
    if (mouse_is_picker())
        pick_at(x, y);
}
