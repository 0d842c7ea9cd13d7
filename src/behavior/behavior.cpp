// The object action engine: the check pass, trigger execution and the
// posted command, over programs read once by the action reader.
#include "behavior/behavior.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "base/log.h"
#include "behavior/animation.h"
#include "behavior/color.h"
#include "behavior/pick.h"
#include "behavior/picture.h"
#include "behavior/sign.h"
#include "people/avatar.h"
#include "people/sound.h"
#include "presence/mouse.h"
#include "presence/self.h"
#include "presence/teleport.h"
#include "world/element.h"
#include "world/world.h"

namespace {

// The posted command, whether a bump clause asked the collision test to
// stop, the commands run, and how web addresses are opened.
struct behavior_state {
    std::string posted;
    bool stop = false;
    uint64_t run = 0;
    behavior_web web = nullptr;
};

behavior_state state;

const char* const trigger_names[] = {"create", "activate", "bump", "adone"};

// What a clause runs against: its element (null for a posted command),
// the text its program was read from, and its trigger.
struct context {
    element* e;
    const char* text;
    const action_program& program;
    action_trigger trigger;

    std::string str(action_text t) const { return {text + t.offset, t.length}; }
    const double* numbers(const action_command& c) const { return &program.numbers[c.numbers]; }
};

// A number as an int, saturating instead of overflowing.
int whole(double v)
{
    constexpr double limit = std::numeric_limits<int>::max();
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::fmax(-limit, std::fmin(limit, v)));
}

// The element itself without a target name; else each element of its
// owner with that name.
template <typename F>
void each_target(const context& x, action_text target, F run)
{
    if (!x.e)
        return;
    if (!target.length) {
        run(x.e);
        return;
    }
    element_start_search(x.str(target).c_str(), element_owner(x.e));
    while (element* t = element_next_match())
        run(t);
}

// What a command asks for ahead of time: sounds, textures and pictures.
void request(const context& x, const action_command& c)
{
    switch (c.code) {
    case action_sound:
    case action_noise: sound_register(x.str(c.word).c_str()); break;
    case action_animate:
        if (!(c.flags & action_void))
            animation_preload(x.str(c.word).c_str(), whole(x.numbers(c)[1]),
                              c.flags & action_nomask ? 0 : 1);
        break;
    case action_picture:
        if (x.trigger != action_create)
            picture_request(x.str(c.word).c_str());
        break;
    default: break;
    }
}

// Teleport and warp: posted from bump clauses, so that the collision test
// that ran the clause is not moved under; nothing in create clauses.
void move(const context& x, const action_command& c)
{
    bool warp = c.code == action_warp;
    if (x.trigger == action_create)
        return;
    if (x.trigger == action_bump) {
        behavior_post(((warp ? "warp " : "teleport ") + x.str(c.rest)).c_str());
        state.stop = true;
        return;
    }
    if (c.flags & action_void)
        return;
    const double* n = x.numbers(c);
    place target{n[1], n[2], n[0], static_cast<float>(n[3])};
    if (c.flags & action_relative) {
        place here;
        self_position(&here.x, &here.y, &here.z, &here.yaw);
        target = {here.x + n[1], here.y + (c.flags & action_altitude ? n[2] : 0), here.z + n[0],
                  static_cast<float>(here.yaw + (c.flags & action_yaw ? n[3] : 0))};
    }
    sound_noise(warp ? "warp1.wav" : "deport1.wav");
    if (warp)
        teleport_glide(target);
    else
        teleport_jump(c.word.length ? x.str(c.word).c_str() : nullptr, target);
}

void animate(const context& x, const action_command& c)
{
    if (c.flags & action_void)
        return;
    const double* n = x.numbers(c);
    std::vector<int> frames;
    for (int i = 0; i < c.count; ++i)
        frames.push_back(whole(n[4 + i]) - 1);
    std::string base = x.str(c.word);
    each_target(x, c.target, [&](element* t) {
        animation_create(t, whole(n[0]), c.flags & action_nomask ? 0 : 1, base.c_str(),
                         whole(n[1]), frames.empty() ? nullptr : frames.data(),
                         c.flags & action_in_order ? whole(n[2]) : c.count, whole(n[3]));
    });
}

void sign(const context& x, const action_command& c)
{
    uint32_t color = color_by_name(x.text + c.color.offset, c.color.length);
    uint32_t bcolor = color_by_name(x.text + c.bcolor.offset, c.bcolor.length);
    std::string text = x.str(c.word);
    each_target(x, c.target, [&](element* t) {
        sign_draw(t, c.word.length ? text.c_str() : element_description(t), color, bcolor);
    });
}

void open_url(const context& x, const action_command& c)
{
    bool create = x.trigger == action_create;
    if (create && std::strcmp(world_attribute(world_slot_no_create_urls), "Y") == 0)
        return;
    if (state.web)
        state.web(x.str(c.word).c_str(), create ? 1 : 0);
}

void cursor(const context& x, const action_command& c)
{
    if (x.trigger == action_create)
        return;
    if (c.flags & action_on) {
        if (mouse_is_mover())
            mouse_as_picker();
    } else if (mouse_is_picker()) {
        pick_off();
    }
}

void execute(const context& x, const action_command& c)
{
    ++state.run;
    int on = c.flags & action_on ? 1 : 0;
    switch (c.code) {
    case action_sound:
        if (x.e)
            sound_object(x.e, x.str(c.word).c_str());
        break;
    case action_noise: sound_noise(x.str(c.word).c_str()); break;
    case action_url: open_url(x, c); break;
    case action_teleport:
    case action_warp: move(x, c); break;
    case action_visible:
        each_target(x, c.target, [&](element* t) { element_set_visible(t, on); });
        break;
    case action_solid:
        each_target(x, c.target, [&](element* t) { element_set_solid(t, on); });
        break;
    case action_name:
        if (x.e)
            element_set_name(x.e, x.str(c.word).c_str());
        break;
    case action_avatars: avatar_show_others(on); break;
    case action_animate: animate(x, c); break;
    case action_frame:
        each_target(x, c.target, [&](element* t) {
            animation_frame(t, c.flags & action_relative ? 1 : 0, whole(x.numbers(c)[0]));
        });
        break;
    case action_astart:
        each_target(x, c.target, [&](element* t) { animation_start(t, on); });
        break;
    case action_astop: each_target(x, c.target, [&](element* t) { animation_stop(t); }); break;
    case action_sign: sign(x, c); break;
    case action_cursor: cursor(x, c); break;
    case action_picture: {
        std::string address = x.str(c.word);
        int update = whole(x.numbers(c)[0]);
        each_target(x, c.target, [&](element* t) { picture_show(t, address.c_str(), update); });
        break;
    }
    }
}

// Runs a clause's commands; 1 when none had an error. A teleport into
// another world may destroy every element, this one and its program
// included, so the clause ends after it.
int run_clause(const context& x, const action_clause& clause)
{
    for (uint16_t i = 0; i < clause.count; ++i) {
        const action_command& c = x.program.commands[clause.first + i];
        bool leaves = c.code == action_teleport && c.word.length && x.trigger != action_create &&
                      x.trigger != action_bump;
        execute(x, c);
        if (leaves)
            return 1;
    }
    return clause.failed ? 0 : 1;
}

}  // namespace

int behavior_check(element* e)
{
    const char* text = element_action(e);
    if (!*text)
        return 0;
    auto* program = new (std::nothrow) action_program;
    if (!program)
        return 0;
    action_parse(text, std::strlen(text), program);
    element_set_program(e, program);
    if (program->old_form) {
        if (!program->old_sound.length)
            return 0;
        std::string name(text + program->old_sound.offset, program->old_sound.length);
        sound_register(name.c_str());
        return 1;
    }
    if (!program->has_word)
        return 0;
    for (const action_clause& clause : program->clauses) {
        if (clause.trigger == action_no_trigger)
            return 0;
        context x{e, text, *program, clause.trigger};
        for (uint16_t i = 0; i < clause.count; ++i)
            request(x, program->commands[clause.first + i]);
        if (clause.failed || clause.trailing)
            return 0;
    }
    return 1;
}

int behavior_trigger(element* e, action_trigger trigger)
{
    if (!e || trigger >= action_no_trigger)
        return 0;
    if (log_trace())
        log_write("behavior_trigger (%s)", trigger_names[trigger]);
    const action_program* program = element_program(e);
    if (!program || !program->has_word)
        return 0;
    const char* text = element_action(e);
    if (trigger == action_create && program->old_sound.length) {
        ++state.run;
        std::string name(text + program->old_sound.offset, program->old_sound.length);
        sound_object(e, name.c_str());
    }
    const action_clause* clause = action_find(*program, trigger);
    return clause ? run_clause({e, text, *program, trigger}, *clause) : 0;
}

int behavior_take_stop()
{
    bool stop = state.stop;
    state.stop = false;
    return stop ? 1 : 0;
}

void behavior_post(const char* command)
{
    if (log_trace())
        log_write("behavior_post (%s)", command);
    state.posted = command ? command : "";
}

void behavior_update()
{
    if (state.posted.empty())
        return;
    std::string text = std::move(state.posted);
    state.posted.clear();
    action_program program;
    action_parse_command(text.c_str(), text.size(), &program);
    run_clause({nullptr, text.c_str(), program, action_no_trigger}, program.clauses.front());
}

uint64_t behavior_actions_run()
{
    return state.run;
}

void behavior_set_web(behavior_web web)
{
    state.web = web;
}
