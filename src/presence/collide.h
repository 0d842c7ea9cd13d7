#pragma once
#include <glm/glm.hpp>

struct element;
struct rw_clump;

// The collision test of the user's body against the ground and the objects
// of the 3×3 cells around it.
//
// The objects come from the visibility manager's loaded-cell table: a hash
// of loaded cells, each holding the list of its live elements, so one test
// looks at the nine cells around the body and at nothing else of the
// world. Within an element, a clump whose world box misses the body is
// passed over before any of its polygons is looked at.

// What the test sees of the world. The program's own reads the ground and
// the visibility manager's cells and runs bump actions; tests give theirs.
struct collide_world {
    rw_clump* (*ground)();                // the ground's model, none until loaded
    void (*cell_start)(int cx, int cz);   // the elements of one loaded cell...
    element* (*cell_next)();              // ...one after another, none at the end
    rw_clump* (*clump)(const element* e);
    int (*solid)(const element* e);
    int (*bump)(element* e);              // runs its bump actions; 1: stop here
};
// None restores the program's own.
void collide_set_world(const collide_world* world);

// 1 when the body (feet at x, y, z, `height` tall, 0.05 wide) moving along
// `direction` would be blocked there. An element's bump action runs when it
// is touched, and again only after another element was touched: moving
// clear of it and back does not count.
int collide_bump(double x, double y, double z, double height, const glm::vec3& direction);
// 1 once the ground's model is there (gravity waits for it).
int collide_ground_ready();
// Forgets the element touched last (a new world).
void collide_reset();

// The polygon-cube test in the unit cube's space: 1 when the polygon of
// `count` vertices meets the cube [-0.5, 0.5]³.
int collide_polygon_cube(const glm::vec3* vertices, int count);
