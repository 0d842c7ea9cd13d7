// The focus label: the description of the object the cursor rests on.
#include "presence/focus.h"

#include <climits>
#include <string>

#include "assets/scene.h"
#include "base/log.h"
#include "base/tick.h"
#include "presence/camera.h"
#include "presence/mouse.h"
#include "world/element.h"
#include "world/visible.h"

namespace {

constexpr uint32_t rest_ms = 500;   // how long the cursor rests before the label shows
constexpr int label_offset = 10;    // the label's corner from the cursor, right and down

struct focus_state {
    rw_clump* object = nullptr;     // under the cursor at the last look
    uint32_t found_at = 0;          // frame clock when the object was first under it
    std::string text;               // the object's description
    bool placed = false;            // the label's corner is fixed
    int label_x = 0;
    int label_y = 0;
    bool shown = false;
    int tested_x = INT_MIN;         // the cursor at the last look
    int tested_y = INT_MIN;
    void (*changed)() = nullptr;
};

focus_state state;

void set_shown(bool shown)
{
    if (shown == state.shown)
        return;
    state.shown = shown;
    if (state.changed)
        state.changed();
}

void forget()
{
    set_shown(false);
    state.object = nullptr;
}

}  // namespace

int focus_init()
{
    void (*changed)() = state.changed;
    state = focus_state{};
    state.changed = changed;
    return 0;
}

void focus_set_listener(void (*changed)())
{
    state.changed = changed;
}

void focus_update()
{
    // A mover has no cursor to rest; looking again starts afresh.
    if (!mouse_is_picker()) {
        forget();
        state.tested_x = INT_MIN;
        return;
    }
    int x, y;
    mouse_client_position(&x, &y);
    // Look under the cursor when it moved or a label shows (the object may
    // have gone), unless the third-person camera is still swinging round.
    if (!camera_settling() && (x != state.tested_x || y != state.tested_y || state.shown)) {
        state.tested_x = x;
        state.tested_y = y;
        rw_clump* clump = scene_pick(x, y);
        const element* e = clump ? visible_element(clump) : nullptr;
        if (!e) {
            forget();
            return;
        }
        if (clump != state.object) {
            const char* description = element_description(e);
            state.text = description ? description : "";
            state.placed = false;
            state.found_at = tick_get();
            state.object = clump;
            set_shown(false);
            return;
        }
    }
    if (!state.object || state.text.empty() || tick_get() - state.found_at <= rest_ms) {
        set_shown(false);
        return;
    }
    if (!state.placed) {
        state.placed = true;
        state.label_x = x + label_offset;
        state.label_y = y + label_offset;
        if (log_trace())
            log_write("focus: %s", state.text.c_str());
    }
    set_shown(true);
}

const char* focus_text()
{
    return state.shown ? state.text.c_str() : nullptr;
}

void focus_label_position(int* x, int* y)
{
    *x = state.label_x;
    *y = state.label_y;
}
