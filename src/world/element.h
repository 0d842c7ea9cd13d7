#pragma once
#include <cstddef>
#include <cstdint>

struct action_program;
struct model_instance;
struct rw_clump;

// Elements: the live objects of the world, each a model placed at a
// position with a heading, with its description and action text. Every
// element is on one list of all live elements, newest first.
struct element;

// Makes a live element and places its model in the world, and reads its
// action (requesting what the action names); with `create_trigger` the
// action's create clause runs. None when memory is short.
element* element_create(double x, double y, double z, float yaw, const char* model,
                        size_t model_length, const char* description, size_t description_length,
                        const char* action, size_t action_length, int number, uint32_t owner,
                        int create_trigger, uint32_t stamp);
// A copy for building: a new number (32 to 254), the user as owner, not
// yet stored (stamp 0), visible and solid, its action read afresh.
element* element_copy(const element* original);
// Unlinks the element and frees it with its model reference, name and
// action program.
void element_destroy(element* e);
// The number of live elements, and of those an action has hidden.
int element_count();
int element_hidden_count();

double element_x(const element* e);
double element_y(const element* e);
double element_z(const element* e);
float element_yaw(const element* e);
int element_number(const element* e);
uint32_t element_owner(const element* e);
uint32_t element_stamp(const element* e);
int element_visible(const element* e);
int element_solid(const element* e);
model_instance* element_model(const element* e);
rw_clump* element_clump(const element* e);
// The texts, each ending in a zero byte.
const char* element_model_name(const element* e);
const char* element_description(const element* e);
const char* element_action(const element* e);
// The name an action gave the element, or "".
const char* element_name(const element* e);

// Shows or hides the element's model, except while hidden elements are
// revealed for building.
void element_set_visible(element* e, int visible);
// A non-solid element is still bumped into but does not block.
void element_set_solid(element* e, int solid);
// An empty name clears it.
void element_set_name(element* e, const char* name);
// Moves or turns the element and its model.
void element_set_position(element* e, double x, double y, double z);
void element_set_yaw(element* e, float yaw);

// The action read into a program (null when there is none); the element
// owns it and frees the one it replaces.
const action_program* element_program(const element* e);
void element_set_program(element* e, action_program* program);

// Walks the live elements, newest first, that carry `name` (any letter
// case) and belong to `owner`: element_next_match gives the next, null at
// the end.
void element_start_search(const char* name, uint32_t owner);
element* element_next_match();
