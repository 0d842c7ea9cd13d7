#include "world/visible.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>

#include "app/fps.h"
#include "app/meter.h"
#include "app/status.h"
#include "assets/model.h"
#include "base/clock.h"
#include "base/hash.h"
#include "base/log.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/tick.h"
#include "presence/self.h"
#include "render/clump.h"
#include "world/cell.h"
#include "world/element.h"
#include "world/prop.h"
#include "world/world.h"

namespace {

// The order table. Distances are whole metres, 10 per cell, truncated:
// trunc(10 √d²) is the integer square root of 100 d², exact in integers.
constexpr int isqrt(int n)
{
    int r = 0;
    while ((r + 1) * (r + 1) <= n)
        ++r;
    return r;
}

constexpr int distance_metres(int dx, int dz)
{
    return isqrt(100 * (dx * dx + dz * dz));
}

constexpr int reach_cells = 12;
constexpr int reach_metres = 120;

// The 5 × 5 block around the viewer in the order loading has always taken
// it: the cell itself, its 3 × 3 block, then outward.
constexpr int nearest_count = 25;
constexpr int nearest[nearest_count][2] = {
    {0, 0},   {1, 0},   {0, 1},  {-1, 0}, {0, -1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1},
    {-2, 0},  {2, 0},   {0, -2}, {0, 2},  {-2, 1}, {-2, -1}, {2, -1}, {2, 1},  {1, -2},
    {-1, -2}, {-1, 2},  {1, 2},  {2, 2},  {2, -2}, {-2, -2}, {-2, 2},
};

// Six of the offsets at exactly the reach are not in the table.
constexpr int left_out_count = 6;
constexpr int left_out[left_out_count][2] = {
    {-1, 12}, {0, 12}, {1, 12}, {12, -1}, {12, 0}, {12, 1},
};

constexpr bool listed(const int (*offsets)[2], int count, int dx, int dz)
{
    for (int i = 0; i < count; ++i)
        if (offsets[i][0] == dx && offsets[i][1] == dz)
            return true;
    return false;
}

// Every offset within the reach after the nearest, skipping the six.
template <typename Visit>
constexpr void for_each_further(Visit visit)
{
    for (int dz = -reach_cells; dz <= reach_cells; ++dz)
        for (int dx = -reach_cells; dx <= reach_cells; ++dx)
            if (distance_metres(dx, dz) <= reach_metres &&
                !listed(nearest, nearest_count, dx, dz) &&
                !listed(left_out, left_out_count, dx, dz))
                visit(dx, dz);
}

constexpr int count_further()
{
    int n = 0;
    for_each_further([&n](int, int) { ++n; });
    return n;
}
static_assert(nearest_count + count_further() == visible_table_size);

// The nearest block as listed, then the rest by distance; equal distances
// keep the row order (z, then x) in which they were found.
constexpr std::array<visible_offset, visible_table_size> make_table()
{
    std::array<visible_offset, visible_table_size> t{};
    int n = 0;
    for (const auto& o : nearest) {
        t[n] = {o[0], o[1], distance_metres(o[0], o[1])};
        ++n;
    }
    for_each_further([&t, &n](int dx, int dz) {
        visible_offset o{dx, dz, distance_metres(dx, dz)};
        int at = n;
        while (at > nearest_count && t[at - 1].metres > o.metres) {
            t[at] = t[at - 1];
            --at;
        }
        t[at] = o;
        ++n;
    });
    return t;
}

constexpr std::array<visible_offset, visible_table_size> table = make_table();

constexpr int last_index = visible_table_size - 1;
// The 3 × 3 block is loaded whatever the budget and the range.
constexpr int block_entries = 9;
// Each change of the range moves it by this many entries a step.
constexpr int step_entries = 15;
// A commit follows every frame of loading while within the 5 × 5 block.
constexpr int early_commit_entries = 25;
// While moving fast, loading stops past this index.
constexpr int moving_last_index = 25;
constexpr double moving_speed = 2.0;  // metres a second
constexpr int grant_ms = 50;
constexpr int debt_limit_ms = -300;
constexpr uint32_t commit_period_ms = 5000;
constexpr int default_framerate = 7;
constexpr int default_visibility = 40;  // metres
constexpr int cell_buckets = 503;
constexpr int pane_weight = 12;
constexpr int menu_item = 120;
constexpr int msg_meters = 25;

// One live element of a loaded cell; the node owns only its link.
struct element_node {
    element* e;
    element_node* next;
};

// The data of a loaded-cell table entry, zero-filled when made.
struct loaded_cell {
    element_node* elements;
    int stale;
};

struct cell_key {
    int16_t cx, cz;
};
static_assert(sizeof(cell_key) == 4);

struct visible_state {
    hash_table* cells = nullptr;
    int range = 0;          // entries 0 to range − 1 are wanted
    int minimum = 0;
    int work = 0;           // the next entry to load
    int centre_x = 0, centre_z = 0;
    int budget = 0;         // milliseconds; negative is debt
    bool work_done = false;
    bool cleanup_needed = false;
    bool revealing = false;
    bool reset = true;
    uint32_t last_commit = 0;
    int minimum_applied = -1;  // metres
    status_pane* pane = nullptr;
    element_node* walk = nullptr;  // visible_next's place
    int last_work_ms = 0;
    int worst_work_ms = 0;
    int slowest_cell_ms = 0;
    // The clock when the loader first finished each entry of the table
    // since the last reset.
    std::array<uint32_t, visible_table_size> loaded_at{};
    // Updates since start-up; the one that found the viewer in another
    // cell; and how many updates from that one on the first 9 entries and
    // the whole range took to be loaded there (0: not yet).
    uint64_t updates = 0;
    uint64_t moved_at = 0;
    int block_frames = 0;
    int range_frames = 0;
};

visible_state state;

// Cells are 16-bit numbers; offsets around a cell at the world's edge can
// fall outside them, where nothing is stored.
bool in_world(int cx, int cz)
{
    return cx >= INT16_MIN && cx <= INT16_MAX && cz >= INT16_MIN && cz <= INT16_MAX;
}

cell_key key_of(int cx, int cz)
{
    return {static_cast<int16_t>(cx), static_cast<int16_t>(cz)};
}

loaded_cell* find_cell(int cx, int cz)
{
    if (!state.cells || !in_world(cx, cz))
        return nullptr;
    cell_key key = key_of(cx, cz);
    return static_cast<loaded_cell*>(hash_find(state.cells, &key, sizeof key));
}

// Adds an element to a cell's list; an element that cannot be listed is
// destroyed, since nothing else would ever free it.
void push(loaded_cell* c, element* e)
{
    auto* node = new (std::nothrow) element_node{e, c->elements};
    if (!node) {
        element_destroy(e);
        return;
    }
    c->elements = node;
}

void destroy_elements(loaded_cell* c)
{
    element_node* node = c->elements;
    while (node) {
        element_node* next = node->next;
        element_destroy(node->e);
        delete node;
        node = next;
    }
    c->elements = nullptr;
    state.walk = nullptr;
}

template <typename Visit>
void for_each_element(Visit visit)
{
    if (!state.cells)
        return;
    hash_iterate(
        state.cells,
        [](void* user, const void*, size_t, void* data) {
            for (element_node* n = static_cast<loaded_cell*>(data)->elements; n; n = n->next)
                (*static_cast<Visit*>(user))(n->e);
            return 0;
        },
        &visit);
}

void remove_all()
{
    if (!state.cells)
        return;
    hash_iterate(
        state.cells,
        [](void*, const void*, size_t, void* data) {
            destroy_elements(static_cast<loaded_cell*>(data));
            return 1;
        },
        nullptr);
}

// Where the element of a clump is listed: the link that points at its node.
struct clump_search {
    rw_clump* clump;
    element_node** link = nullptr;
    int cx = 0, cz = 0;
};

int search_cell(void* user, const void* key, size_t, void* data)
{
    auto* s = static_cast<clump_search*>(user);
    if (s->link)
        return 0;
    for (element_node** l = &static_cast<loaded_cell*>(data)->elements; *l; l = &(*l)->next) {
        if (element_clump((*l)->e) == s->clump) {
            const auto* k = static_cast<const cell_key*>(key);
            s->link = l;
            s->cx = k->cx;
            s->cz = k->cz;
            return 0;
        }
    }
    return 0;
}

// Finds the element whose model holds the clump (a pick may hit a part).
clump_search find_clump(rw_clump* clump)
{
    clump_search s{clump ? rw_clump_root(clump) : nullptr};
    if (clump && state.cells)
        hash_iterate(state.cells, search_cell, &s);
    return s;
}

void update_pane()
{
    if (state.pane)
        status_change(state.pane, msg(msg_meters, visible_range_metres()));
}

int minimum_setting()
{
    int metres = profile_int("performance", "visibility");
    return metres < 0 ? default_visibility : metres;
}

// The minimum range is the last entry within the minimum visibility.
void set_minimum_range(int metres)
{
    int index = 0;
    for (int i = 0; i < visible_table_size; ++i)
        if (table[static_cast<size_t>(i)].metres <= metres)
            index = i;
    state.minimum = index;
    state.minimum_applied = metres;
    if (state.range < state.minimum) {
        state.range = state.minimum;
        update_pane();
    }
}

void increase_range(int steps)
{
    if (log_visible())
        log_write("visible: increase_range (%d)", steps);
    state.range = std::min(state.range + step_entries * steps, last_index);
    state.work_done = false;
    update_pane();
}

void decrease_range(int steps)
{
    if (log_visible())
        log_write("visible: decrease_range (%d)", steps);
    state.range = std::max(state.range - step_entries * steps, state.minimum);
    if (state.work > state.range)
        state.work = state.range;
    state.cleanup_needed = true;
    update_pane();
}

// Holds the frame rate near the target by widening or narrowing the range.
void follow_frame_rate()
{
    int metres = minimum_setting();
    if (metres != state.minimum_applied)
        set_minimum_range(metres);
    int target = profile_int("performance", "framerate");
    if (target < 0)
        target = default_framerate;
    double rate = fps_rate();
    if (rate < target - 1)
        decrease_range(static_cast<int>(target - rate));
    else if (rate > target + 1)
        increase_range(static_cast<int>(rate - target));
}

// Enters a cell into the table, reading its elements from the store when
// it is new; the stale mark keeps it through the next clean-up.
void load_cell(int cx, int cz)
{
    cell_key key = key_of(cx, cz);
    int existed = 0;
    auto* c = static_cast<loaded_cell*>(hash_insert(state.cells, &key, sizeof key, &existed));
    if (!c)
        return;
    c->stale = 1;
    if (existed) {
        if (log_visible())
            log_write("cell already loaded");
        return;
    }
    cell_start(cx, cz);
    element* e = nullptr;
    while (cell_next(&e)) {
        if (log_visible())
            log_write("element_loaded");
        // The create trigger may have hidden it.
        if (!element_visible(e) && element_model(e) && !state.revealing)
            model_show(element_model(e), 0);
        push(c, e);
    }
}

// Loads cells in table order while the budget lasts; the time each cell
// takes is charged to the budget, so a frame overruns by one cell at most.
void do_work()
{
    if (state.budget <= 0)
        state.budget += grant_ms;
    if (state.budget < debt_limit_ms)
        state.budget = debt_limit_ms;
    bool moving = self_speed() > moving_speed;
    if (log_visible())
        log_write("visible: do_work (budget: %d, moving: %d, current_cell: %d, range: %d)",
                  state.budget, moving ? 1 : 0, state.work, state.range);
    bool done = false;
    int spent = 0;
    uint32_t mark = clock_ms();
    for (;;) {
        if (state.work >= block_entries) {
            if (state.work >= state.range) {
                done = true;
                break;
            }
            if (state.budget <= 0)
                break;
        }
        if (moving && state.work > moving_last_index) {
            done = true;
            break;
        }
        const visible_offset& o = table[static_cast<size_t>(state.work)];
        ++state.work;
        int cx = state.centre_x + o.dx;
        int cz = state.centre_z + o.dz;
        if (in_world(cx, cz))
            load_cell(cx, cz);
        uint32_t now = clock_ms();
        int took = static_cast<int>(now - mark);
        mark = now;
        state.budget -= took;
        spent += took;
        state.slowest_cell_ms = std::max(state.slowest_cell_ms, took);
        uint32_t& first = state.loaded_at[static_cast<size_t>(state.work - 1)];
        if (first == 0)
            first = now;
    }
    state.work_done = done;
    state.last_work_ms = spent;
    state.worst_work_ms = std::max(state.worst_work_ms, spent);
    if (log_visible())
        log_write(done ? "work done" : "work not done");
}

int mark_wanted(void*, const void*, size_t, void* data)
{
    auto* c = static_cast<loaded_cell*>(data);
    if (c->stale) {
        if (log_visible())
            log_write("deleting cell");
        destroy_elements(c);
        return 1;
    }
    c->stale = 1;
    return 0;
}

// Deletes every loaded cell outside the range around the centre.
void clean_up()
{
    if (log_visible())
        log_write("visible: clean_up");
    if (!state.cleanup_needed) {
        if (log_visible())
            log_write("no cleanup needed");
        return;
    }
    // The 3 × 3 block is always loaded, so it stays even when the range is
    // smaller; otherwise it would go here and never come back until the
    // viewer enters another cell.
    int wanted = std::max(state.range, block_entries);
    for (int i = 0; i < wanted; ++i) {
        const visible_offset& o = table[static_cast<size_t>(i)];
        if (loaded_cell* c = find_cell(state.centre_x + o.dx, state.centre_z + o.dz))
            c->stale = 0;
    }
    hash_iterate(state.cells, mark_wanted, nullptr);
    state.cleanup_needed = false;
    if (log_visible())
        log_write("clean_up done");
}

void commit()
{
    if (log_visible())
        log_write("commit_changes");
    model_flush();
    state.last_commit = tick_get();
    clean_up();
}

void clear(int cx, int cz)
{
    if (log_visible())
        log_write("visible: clear (%d, %d)", cx, cz);
    loaded_cell* c = find_cell(cx, cz);
    if (!c)
        return;
    destroy_elements(c);
    cell_key key = key_of(cx, cz);
    hash_remove(state.cells, &key, sizeof key);
}

}  // namespace

void visible_init()
{
    if (log_trace())
        log_write("visible_init");
    state = visible_state{};
    set_minimum_range(minimum_setting());
    if (profile_int("show", "visibility") == 1)
        visible_toggle();
    state.cells = hash_create(cell_buckets, sizeof(loaded_cell));
}

void visible_term()
{
    if (log_trace())
        log_write("visible_term");
    remove_all();
    hash_destroy(state.cells);
    if (state.pane)
        status_remove(state.pane);
    state = visible_state{};
}

void visible_update()
{
    if (!world_entered() || !state.cells)
        return;
    if (!prop_query_outstanding() && tick_get() - state.last_commit > commit_period_ms)
        follow_frame_rate();

    double x = 0, y = 0, z = 0;
    float yaw = 0;
    self_position(&x, &y, &z, &yaw);
    int cx = cell_from_world(x);
    int cz = cell_from_world(z);
    bool moved = false;
    if (state.reset || cx != state.centre_x || cz != state.centre_z) {
        state.cleanup_needed = true;
        state.reset = false;
        state.centre_x = cx;
        state.centre_z = cz;
        moved = true;
    }

    // A move to another cell starts the order again at once, so that the
    // block around a teleport's arrival is loaded in the first frame there.
    ++state.updates;
    if (moved) {
        state.work = 0;
        state.work_done = false;
        state.moved_at = state.updates;
        state.block_frames = state.range_frames = 0;
    }
    state.last_work_ms = 0;
    if (state.work < state.range) {
        do_work();
        if (state.work_done || state.work < early_commit_entries)
            commit();
    } else {
        state.work_done = true;
    }
    int since_move = static_cast<int>(state.updates - state.moved_at) + 1;
    if (!state.block_frames && visible_loaded_near(9) == 9)
        state.block_frames = since_move;
    if (!state.range_frames && state.work >= state.range)
        state.range_frames = since_move;
    if (moved)
        return;
    if (tick_get() - state.last_commit > commit_period_ms)
        commit();
}

void visible_reset()
{
    if (log_trace())
        log_write("visible_reset");
    remove_all();
    state.reset = true;
    state.work = 0;
    state.last_work_ms = 0;
    state.worst_work_ms = 0;
    state.slowest_cell_ms = 0;
    state.loaded_at.fill(0);
}

void visible_invalidate(int cx, int cz)
{
    if (log_trace())
        log_write("visible_invalidate (%d, %d)", cx, cz);
    clear(cx, cz);
    state.work = 0;
}

void visible_consider(element* e)
{
    if (log_trace())
        log_write("visible_consider");
    loaded_cell* c = find_cell(cell_from_world(element_x(e)), cell_from_world(element_z(e)));
    if (!c) {
        element_destroy(e);
        return;
    }
    push(c, e);
}

int visible_ignore(rw_clump* clump, int* cx, int* cz, element** e)
{
    if (log_trace())
        log_write("visible_ignore");
    clump_search s = find_clump(clump);
    if (!s.link)
        return 0;
    element_node* node = *s.link;
    if (state.walk == node)
        state.walk = node->next;
    *s.link = node->next;
    *cx = s.cx;
    *cz = s.cz;
    *e = node->e;
    delete node;
    return 1;
}

element* visible_element(rw_clump* clump)
{
    clump_search s = find_clump(clump);
    return s.link ? (*s.link)->e : nullptr;
}

void visible_start(int cx, int cz)
{
    loaded_cell* c = find_cell(cx, cz);
    state.walk = c ? c->elements : nullptr;
}

element* visible_next()
{
    if (!state.walk)
        return nullptr;
    element* e = state.walk->e;
    state.walk = state.walk->next;
    return e;
}

void visible_reveal(int on)
{
    bool reveal = on != 0;
    if (reveal == state.revealing)
        return;
    for_each_element([reveal](element* e) {
        if (!element_visible(e))
            model_show(element_model(e), reveal ? 1 : 0);
    });
    state.revealing = reveal;
}

int visible_revealing()
{
    return state.revealing ? 1 : 0;
}

void visible_toggle()
{
    meter_toggle(&state.pane, pane_weight, menu_item, "visibility");
    update_pane();
}

const visible_offset* visible_table()
{
    return table.data();
}

int visible_range()
{
    return state.range;
}

int visible_range_metres()
{
    return table[static_cast<size_t>(state.range)].metres;
}

int visible_cells_loaded()
{
    return state.cells ? hash_count(state.cells) : 0;
}

int visible_last_work_ms()
{
    return state.last_work_ms;
}

int visible_worst_work_ms()
{
    return state.worst_work_ms;
}

int visible_slowest_cell_ms()
{
    return state.slowest_cell_ms;
}

uint32_t visible_loaded_at(int cells)
{
    if (cells < 1 || cells > visible_table_size)
        return 0;
    return state.loaded_at[static_cast<size_t>(cells - 1)];
}

int visible_loaded_near(int cells)
{
    double x = 0, y = 0, z = 0;
    float yaw = 0;
    self_position(&x, &y, &z, &yaw);
    int cx = cell_from_world(x), cz = cell_from_world(z);
    int loaded = 0;
    for (int i = 0; i < std::min(cells, visible_table_size); ++i) {
        const visible_offset& o = table[static_cast<size_t>(i)];
        loaded += find_cell(cx + o.dx, cz + o.dz) ? 1 : 0;
    }
    return loaded;
}

void visible_arrival_frames(int* block, int* range)
{
    *block = state.block_frames;
    *range = state.range_frames;
}
