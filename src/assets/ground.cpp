#include "assets/ground.h"

#include <string>

#include "assets/model.h"
#include "base/log.h"
#include "presence/self.h"
#include "render/clump.h"
#include "world/cell.h"

#include <glm/gtc/matrix_transform.hpp>

namespace {

struct ground_state {
    std::string name;  // with ".rwx"
    model_instance* instance = nullptr;
    bool force = false;
    int cx = 0, cz = 0;
};

ground_state state;

}  // namespace

void ground_set(const char* name, int length)
{
    if (!name || length <= 0) {
        ground_clear();
        return;
    }
    std::string wanted = std::string(name, static_cast<size_t>(length)) + ".rwx";
    if (state.instance && wanted == state.name)
        return;
    ground_clear();
    state.name = wanted;
    state.instance = model_reference("models", state.name.c_str(), nullptr);
    state.force = true;
    ground_update();
}

void ground_clear()
{
    model_dereference(state.instance);
    state.instance = nullptr;
    state.name.clear();
}

void ground_update()
{
    if (!state.instance)
        return;
    double x, y, z;
    float yaw;
    self_position(&x, &y, &z, &yaw);
    int cx = cell_from_world(x);
    int cz = cell_from_world(z);
    if (!state.force && cx == state.cx && cz == state.cz)
        return;
    rw_clump* clump = model_clump(state.instance);
    if (!clump)
        return;
    state.force = false;
    rw_clump_set_matrix(clump, glm::translate(glm::mat4(1.0f), glm::vec3(cx, 0.0f, cz)));
    state.cx = cx;
    state.cz = cz;
}

rw_clump* ground_clump()
{
    return state.instance ? model_clump(state.instance) : nullptr;
}

int ground_ready()
{
    return state.instance && model_is_ready(state.instance) ? 1 : 0;
}
