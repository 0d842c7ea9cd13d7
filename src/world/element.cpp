#include "world/element.h"

#include <cstring>
#include <new>
#include <string>
#include <strings.h>

#include <glm/gtc/matrix_transform.hpp>

#include "assets/model.h"
#include "base/log.h"
#include "base/random.h"
#include "behavior/action.h"
#include "behavior/behavior.h"
#include "net/citizen.h"
#include "render/clump.h"
#include "world/visible.h"

// One allocation per element: the fixed fields, then the model name, the
// description and the action, each followed by a zero byte. The list is
// linked both ways so that an element leaves it at once, however many live.
struct element {
    element* next;
    element* previous;
    double x, y, z;
    float yaw;
    model_instance* model;
    int number;
    uint32_t owner;
    uint32_t stamp;
    bool visible;
    bool solid;
    char* name;  // given by an action; owned
    action_program* program;  // the action read; owned
    uint32_t model_length, description_length, action_length;

    char* texts() { return reinterpret_cast<char*>(this + 1); }
    const char* texts() const { return reinterpret_cast<const char*>(this + 1); }
};

namespace {

struct element_list {
    element* head = nullptr;
    int count = 0;
    // The walk of element_start_search: the next element to look at.
    element* search = nullptr;
    std::string search_name;
    uint32_t search_owner = 0;
};

element_list live;

size_t text_bytes(const element* e)
{
    return e->model_length + e->description_length + e->action_length + 3;
}

element* allocate(size_t texts)
{
    void* memory = ::operator new(sizeof(element) + texts, std::nothrow);
    return memory ? new (memory) element{} : nullptr;
}

void push(element* e)
{
    e->previous = nullptr;
    e->next = live.head;
    if (live.head)
        live.head->previous = e;
    live.head = e;
    ++live.count;
}

// Places the model's clump: turned by the heading about the vertical axis,
// then moved to the position.
void place(element* e)
{
    rw_clump* clump = model_clump(e->model);
    if (!clump)
        return;
    glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(e->x, e->y, e->z));
    m = glm::rotate(m, glm::radians(e->yaw), glm::vec3(0.0f, 1.0f, 0.0f));
    rw_clump_set_matrix(clump, m);
}

}  // namespace

element* element_create(double x, double y, double z, float yaw, const char* model,
                        size_t model_length, const char* description, size_t description_length,
                        const char* action, size_t action_length, int number, uint32_t owner,
                        int create_trigger, uint32_t stamp)
{
    if (log_elements())
        log_write("element_create (%f, %f, %f) %d %.*s/%.*s", x, y, z, number,
                  static_cast<int>(model_length), model, static_cast<int>(action_length), action);
    element* e = allocate(model_length + description_length + action_length + 3);
    if (!e)
        return nullptr;
    e->x = x;
    e->y = y;
    e->z = z;
    e->yaw = yaw;
    e->number = number;
    e->owner = owner;
    e->stamp = stamp;
    e->visible = true;
    e->solid = true;
    e->model_length = static_cast<uint32_t>(model_length);
    e->description_length = static_cast<uint32_t>(description_length);
    e->action_length = static_cast<uint32_t>(action_length);
    char* t = e->texts();
    std::memcpy(t, model, model_length);
    t[model_length] = 0;
    t += model_length + 1;
    std::memcpy(t, description, description_length);
    t[description_length] = 0;
    t += description_length + 1;
    std::memcpy(t, action, action_length);
    t[action_length] = 0;
    e->model = model_reference("models", e->texts(), nullptr);
    place(e);
    push(e);
    behavior_check(e);
    if (create_trigger)
        behavior_trigger(e, action_create);
    return e;
}

element* element_copy(const element* original)
{
    size_t texts = text_bytes(original);
    element* e = allocate(texts);
    if (!e)
        return nullptr;
    std::memcpy(static_cast<void*>(e), static_cast<const void*>(original), sizeof(element) + texts);
    e->visible = true;
    e->solid = true;
    e->stamp = 0;
    e->number = 32 + static_cast<int>(random_next() % 223);
    e->owner = citizen_number();
    e->name = nullptr;
    e->program = nullptr;
    e->model = model_reference("models", e->texts(), nullptr);
    place(e);
    push(e);
    behavior_check(e);
    return e;
}

void element_destroy(element* e)
{
    if (!e)
        return;
    if (e->previous)
        e->previous->next = e->next;
    else
        live.head = e->next;
    if (e->next)
        e->next->previous = e->previous;
    --live.count;
    if (live.search == e)
        live.search = e->next;
    model_dereference(e->model);
    delete[] e->name;
    delete e->program;
    e->~element();
    ::operator delete(e);
}

int element_count()
{
    return live.count;
}

int element_hidden_count()
{
    int hidden = 0;
    for (const element* e = live.head; e; e = e->next)
        hidden += e->visible ? 0 : 1;
    return hidden;
}

double element_x(const element* e) { return e->x; }
double element_y(const element* e) { return e->y; }
double element_z(const element* e) { return e->z; }
float element_yaw(const element* e) { return e->yaw; }
int element_number(const element* e) { return e->number; }
uint32_t element_owner(const element* e) { return e->owner; }
uint32_t element_stamp(const element* e) { return e->stamp; }
int element_visible(const element* e) { return e->visible ? 1 : 0; }
int element_solid(const element* e) { return e->solid ? 1 : 0; }
model_instance* element_model(const element* e) { return e->model; }
rw_clump* element_clump(const element* e) { return model_clump(e->model); }
const char* element_model_name(const element* e) { return e->texts(); }
const char* element_name(const element* e) { return e->name ? e->name : ""; }

const char* element_description(const element* e)
{
    return e->texts() + e->model_length + 1;
}

const char* element_action(const element* e)
{
    return element_description(e) + e->description_length + 1;
}

void element_set_visible(element* e, int visible)
{
    bool shown = visible != 0;
    if (shown == e->visible)
        return;
    e->visible = shown;
    if (!visible_revealing())
        model_show(e->model, shown ? 1 : 0);
}

void element_set_name(element* e, const char* name)
{
    delete[] e->name;
    e->name = nullptr;
    if (name && *name) {
        size_t n = std::strlen(name);
        e->name = new char[n + 1];
        std::memcpy(e->name, name, n + 1);
    }
}

void element_set_position(element* e, double x, double y, double z)
{
    e->x = x;
    e->y = y;
    e->z = z;
    place(e);
}

void element_set_yaw(element* e, float yaw)
{
    e->yaw = yaw;
    place(e);
}

void element_set_solid(element* e, int solid)
{
    e->solid = solid != 0;
}

const action_program* element_program(const element* e)
{
    return e->program;
}

void element_set_program(element* e, action_program* program)
{
    delete e->program;
    e->program = program;
}

void element_start_search(const char* name, uint32_t owner)
{
    live.search = live.head;
    live.search_name = name ? name : "";
    live.search_owner = owner;
}

element* element_next_match()
{
    while (element* e = live.search) {
        live.search = e->next;
        if (e->name && e->owner == live.search_owner &&
            strcasecmp(e->name, live.search_name.c_str()) == 0)
            return e;
    }
    return nullptr;
}
