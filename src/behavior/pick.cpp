#include "behavior/pick.h"

#include <cmath>
#include <cstring>

#include <glm/gtc/matrix_transform.hpp>

#include "app/key.h"
#include "app/key_map.h"
#include "assets/model.h"
#include "assets/scene.h"
#include "base/log.h"
#include "base/menu.h"
#include "behavior/pdialog.h"
#include "presence/self.h"
#include "render/clump.h"
#include "render/rwx.h"
#include "render/scene.h"
#include "world/cell.h"
#include "world/element.h"
#include "world/prop.h"
#include "world/visible.h"
#include "world/world.h"

namespace {

// The highlight: a unit cube drawn as yellow lines, fitted to the selected
// model's box.
constexpr const char highlight_rwx[] =
    "ModelBegin\nClumpBegin\n"
    "Color 1 1 0\nAmbient 0.75\nDiffuse 0\nSpecular 0\nGeometrySampling Wireframe\n"
    "Vertex -0.5 -0.5 -0.5\nVertex 0.5 -0.5 -0.5\nVertex 0.5 0.5 -0.5\nVertex -0.5 0.5 -0.5\n"
    "Vertex -0.5 -0.5 0.5\nVertex 0.5 -0.5 0.5\nVertex 0.5 0.5 0.5\nVertex -0.5 0.5 0.5\n"
    "Quad 1 2 3 4\nQuad 8 7 6 5\nQuad 1 5 6 2\nQuad 2 6 7 3\nQuad 3 7 8 4\nQuad 4 8 5 1\n"
    "ClumpEnd\nModelEnd\n";

constexpr double step = 0.05;
constexpr double fine_step = 0.005;
constexpr float turn_step = 15.0f;
constexpr float fine_turn_step = 1.5f;
constexpr int first_object_command = 108, last_object_command = 117, undo_command = 140;

struct pick_state {
    element* selected = nullptr;
    int cx = 0, cz = 0;  // the cell it was taken from
    double x = 0, y = 0, z = 0;
    float yaw = 0;  // position and heading at selection, for undo
    bool is_new = false;
    bool changed = false;
    int quadrant = 0;
    rw_clump* box = nullptr;
    rw_scene* box_scene = nullptr;
    void (*focus_view)() = nullptr;
};

pick_state state;

void enable_commands(bool on)
{
    for (int id = first_object_command; id <= last_object_command; ++id)
        menu_enable(id, on ? 1 : 0);
    menu_enable(undo_command, on ? 1 : 0);
}

void show_box(bool shown)
{
    if (!state.box)
        return;
    rw_scene* scene = shown ? scene_get() : nullptr;
    if (scene == state.box_scene)
        return;
    if (state.box_scene)
        rw_scene_remove_clump(state.box_scene, state.box);
    if (scene)
        rw_scene_add_clump(scene, state.box);
    state.box_scene = scene;
}

// Places the box on the selected model: its box in model space, each side
// at least 0.01, carried by the model's own placement.
void fit_box()
{
    rw_clump* clump = state.selected ? element_clump(state.selected) : nullptr;
    glm::vec3 low(-0.005f), high(0.005f);
    if (!state.box || !clump)
        return;
    model_get_bbox(element_model(state.selected), &low, &high);
    glm::vec3 size = glm::max(high - low, glm::vec3(0.01f));
    glm::mat4 m = glm::translate(rw_clump_matrix(clump), (low + high) * 0.5f);
    rw_clump_set_matrix(state.box, glm::scale(m, size));
}

// The selection ends without anything being sent.
void clear_selection()
{
    if (state.selected)
        model_unselect(element_model(state.selected));
    state.selected = nullptr;
    state.is_new = false;
    state.changed = false;
    show_box(false);
    enable_commands(false);
    pdialog_clear();
}

void select(element* e, int cx, int cz, bool is_new)
{
    state.selected = e;
    state.cx = cx;
    state.cz = cz;
    state.x = element_x(e);
    state.y = element_y(e);
    state.z = element_z(e);
    state.yaw = element_yaw(e);
    state.is_new = is_new;
    state.changed = false;
    visible_reveal(1);
    model_select(element_model(e));
    fit_box();
    show_box(true);
    enable_commands(true);
    pdialog_enable(e);
}

int world_server_known()
{
    uint32_t address;
    uint16_t port;
    return world_server(&address, &port);
}

// Lets go of the selected object: back into its cell as it was when nothing
// changed, else replaced by the edited object and sent to the world server.
void deselect()
{
    if (log_trace())
        log_write("pick: deselect");
    element* e = state.selected;
    if (!e)
        return;
    pdialog_fields f;
    pdialog_read(&f);
    if (f.owner != element_owner(e))
        state.changed = true;
    bool same_texts = f.model == element_model_name(e) &&
                      f.description == element_description(e) && f.action == element_action(e);
    if (f.model.empty() || (!state.is_new && !state.changed && same_texts)) {
        bool is_new = state.is_new;
        if (f.model.empty()) {
            element_set_position(e, state.x, state.y, state.z);
            element_set_yaw(e, state.yaw);
        }
        clear_selection();
        // A duplicate the server never heard of has no place to go back to.
        if (is_new)
            element_destroy(e);
        else
            visible_consider(e);
        return;
    }
    element* replacement = element_create(
        element_x(e), element_y(e), element_z(e), element_yaw(e), f.model.data(), f.model.size(),
        f.description.data(), f.description.size(), f.action.data(), f.action.size(),
        element_number(e), f.owner, 0, element_stamp(e));
    if (replacement && world_server_known()) {
        if (state.is_new)
            prop_add(replacement);
        else
            prop_change(state.cx, state.cz, replacement);
    }
    clear_selection();
    element_destroy(e);
    if (replacement)
        visible_consider(replacement);
}

// Moves along the one of the object's own axes that lies nearest to
// direction d (0 to 3, quarters from the viewer's heading at selection).
void move(int d, double distance)
{
    double yaw = element_yaw(state.selected);
    double angle = glm::radians(std::fmod(yaw + 18045.0, 90.0) - 45.0 + 90.0 * d);
    element_set_position(state.selected, element_x(state.selected) + std::sin(angle) * distance,
                         element_y(state.selected),
                         element_z(state.selected) + std::cos(angle) * distance);
}

void duplicate()
{
    if (log_trace())
        log_write("pick: duplicate");
    element* copy = element_copy(state.selected);
    if (!copy)
        return;
    int quadrant = state.quadrant;
    deselect();
    select(copy, cell_from_world(element_x(copy)), cell_from_world(element_z(copy)), true);
    state.quadrant = quadrant;
    move(quadrant, step);
    model_flush();
}

void remove()
{
    if (log_trace())
        log_write("pick: delete");
    element* e = state.selected;
    int number = element_number(e);
    bool is_new = state.is_new;
    clear_selection();
    element_destroy(e);
    visible_reveal(0);
    if (!is_new && world_server_known())
        prop_delete(state.cx, state.cz, number);
}

}  // namespace

void pick_init()
{
    if (!state.box)
        state.box = rw_rwx_read(highlight_rwx, sizeof highlight_rwx - 1);
    clear_selection();
}

void pick_term()
{
    pick_reset();
    show_box(false);
    rw_clump_destroy(state.box);
    state.box = nullptr;
}

void pick_update()
{
    fit_box();
}

void pick_reset()
{
    element* e = state.selected;
    clear_selection();
    element_destroy(e);
}

int pick_at(int x, int y)
{
    if (log_trace())
        log_write("pick_at");
    rw_clump* clump = scene_pick(x, y);
    if (!clump) {
        pick_off();
        return 0;
    }
    clump = rw_clump_root(clump);
    if (state.selected && clump == element_clump(state.selected)) {
        pick_off();
        return 1;
    }
    deselect();
    int cx, cz;
    element* e;
    if (!visible_ignore(clump, &cx, &cz, &e)) {
        pick_off();
        return 0;
    }
    double vx, vy, vz;
    float yaw;
    self_position(&vx, &vy, &vz, &yaw);
    select(e, cx, cz, false);
    state.quadrant = ((static_cast<int>(yaw) + 18045) % 360) / 90;
    return 1;
}

void pick_command(int id)
{
    if (log_trace())
        log_write("pick_command (%d)", id);
    if (!state.selected)
        return;
    bool fine = key_held(vk_shift);
    double distance = fine ? fine_step : step;
    float turn = fine ? fine_turn_step : turn_step;
    switch (id) {
    case 108: remove(); return;
    case 109: duplicate(); return;
    case 110:
    case 111:
        element_set_position(state.selected, element_x(state.selected),
                             element_y(state.selected) + (id == 110 ? distance : -distance),
                             element_z(state.selected));
        break;
    case 112: move(state.quadrant, distance); break;
    case 113: move((state.quadrant + 2) % 4, distance); break;
    case 114: move((state.quadrant + 1) % 4, distance); break;
    case 115: move((state.quadrant + 3) % 4, distance); break;
    case 116:
    case 117:
        element_set_yaw(state.selected, element_yaw(state.selected) + (id == 116 ? turn : -turn));
        break;
    case undo_command:
        pdialog_undo();
        element_set_position(state.selected, state.x, state.y, state.z);
        element_set_yaw(state.selected, state.yaw);
        break;
    default: return;
    }
    state.changed = true;
    fit_box();
    pdialog_refresh(state.selected);
}

void pick_off()
{
    if (log_trace())
        log_write("pick_off");
    deselect();
    visible_reveal(0);
    if (state.focus_view)
        state.focus_view();
}

int pick_selected()
{
    return state.selected ? 1 : 0;
}

const element* pick_element()
{
    return state.selected;
}

void pick_set_focus_view(void (*focus_view)())
{
    state.focus_view = focus_view;
}
