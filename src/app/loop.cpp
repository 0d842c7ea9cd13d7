#include "app/loop.h"

#include <QTimer>

#include <time.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/bps.h"
#include "app/disk.h"
#include "app/fps.h"
#include "app/frame.h"
#include "app/os.h"
#include "assets/backdrop.h"
#include "assets/download.h"
#include "assets/ground.h"
#include "assets/http.h"
#include "assets/image.h"
#include "assets/scene.h"
#include "base/clock.h"
#include "base/log.h"
#include "base/tick.h"
#include "behavior/animation.h"
#include "behavior/behavior.h"
#include "behavior/pick.h"
#include "behavior/picture.h"
#include "behavior/sign.h"
#include "net/contacts.h"
#include "net/join.h"
#include "net/telegram.h"
#include "net/universe.h"
#include "net/worlds.h"
#include "people/avatar.h"
#include "people/balloon.h"
#include "people/chat.h"
#include "people/sound.h"
#include "presence/camera.h"
#include "presence/focus.h"
#include "presence/self.h"
#include "ui/cgi.h"
#include "ui/slider.h"
#include "ui/viewport.h"
#include "ui/web.h"
#include "world/prop.h"
#include "world/visible.h"
#include "world/world.h"

namespace {

struct task {
    const char* name;  // logged before the task runs; none for the camera's steps
    void (*update)();
    bool draws = false;  // part of drawing the picture
    bool moves = false;  // the user's movement and collision, also timed alone
};

// frame_update reports whether it stepped; the table wants no result.
void frame_task() { frame_update(); }

constexpr task tasks[] = {
    {"tick", tick_update},
    {"world", world_update},
    {"prop", prop_update},
    {"camera", camera_update},
    {"ground", ground_update},
    {"backdrop", backdrop_update},
    {"http", http_update},
    {"download", download_update},
    {"visible", visible_update},
    {"sound", sound_update},
    {"frame", frame_task},
    {"sign", sign_update},
    {"animate", animation_update},
    {nullptr, camera_begin_update, true},
    {"scene", scene_update, true},
    {"self", self_update, false, true},
    {"avatar", avatar_update},
    {"chat", chat_update},
    {"pick", pick_update},
    {nullptr, camera_end_update, true},
    {"focus", focus_update},
    {"balloon", balloon_update},
    {"viewport", viewport_update, true},
    {"fps", fps_update},
    {"bps", bps_update},
    {"cgi", cgi_update},
    {"behavior", behavior_update},
    {"disk", disk_update},
    {"image", image_update},
    {"picture", picture_update},
    {"web", web_update},
    {"universe", universe_update},
    {"telegram", telegram_update},
    {"worlds", worlds_update},
    {"contacts", contacts_update},
    {"join", join_update},
};
static_assert(std::size(tasks) == 36);

struct loop_state {
    bool in_update = false;
    bool inactive = false;
    int pace = 500;          // the timer's period: 0 active, 1000 inactive, 500 until known
    uint32_t previous_start = 0;
    uint64_t frames = 0;
    std::unique_ptr<QTimer> timer;
    // The main thread's processor time of each frame since the last reset,
    // in µs, without and with the drawing, and of the movement task alone;
    // bounded.
    std::vector<uint32_t> task_us, draw_us, move_us;
};

loop_state state;

// While active, frames run back to back as long as the picture has changes
// to show. A frame that found nothing to draw lets the next one wait a
// redraw period, so an idle program polls at the display's pace instead of
// spinning; input and network wait at most that long.
void pace_timer()
{
    if (!state.timer)
        return;
    int interval = state.pace;
    if (interval == 0 && !camera_pending())
        interval = camera_redraw_period();
    if (state.timer->interval() != interval)
        state.timer->setInterval(interval);
}

constexpr size_t costs_kept = 100000;

int64_t thread_cpu_us()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

void run_tasks()
{
    int64_t draw = 0, move = 0;
    int64_t start = thread_cpu_us();
    uint64_t images = camera_images();
    for (const task& t : tasks) {
        if (t.name && log_tasks())
            log_write("%s", t.name);
        int64_t before = t.draws || t.moves ? thread_cpu_us() : 0;
        t.update();
        if (t.draws)
            draw += thread_cpu_us() - before;
        if (t.moves)
            move = thread_cpu_us() - before;
    }
    int64_t total = thread_cpu_us() - start;
    if (state.task_us.size() < costs_kept) {
        state.task_us.push_back(static_cast<uint32_t>(total - draw));
        state.move_us.push_back(static_cast<uint32_t>(move));
        if (camera_images() != images)
            state.draw_us.push_back(static_cast<uint32_t>(draw));
    }
}

// The median and the 99th percentile of the values, in ms.
void percentiles(std::vector<uint32_t> v, double* median, double* p99)
{
    *median = *p99 = 0;
    if (v.empty())
        return;
    std::sort(v.begin(), v.end());
    *median = v[v.size() / 2] / 1000.0;
    *p99 = v[std::min(v.size() - 1, v.size() * 99 / 100)] / 1000.0;
}

}  // namespace

void main_update()
{
    if (state.in_update || os_error_showing())
        return;
    if (log_trace()) {
        uint32_t now = clock_ms();
        log_write("update: %d", static_cast<int>(now - state.previous_start));
        state.previous_start = now;
    }
    state.in_update = true;
    // Both splitters are polled every frame; a drag in either one holds the
    // frame's tasks back.
    int dragging = slider_update();
    dragging |= vslider_update();
    if (!dragging) {
        run_tasks();
        ++state.frames;
    }
    state.in_update = false;
    pace_timer();
}

void loop_start()
{
    state.previous_start = clock_ms();
    state.timer = std::make_unique<QTimer>();
    QObject::connect(state.timer.get(), &QTimer::timeout, main_update);
    // The application may have become active or inactive already, while a
    // start-up dialog was open: the timer starts at the pace that asks.
    state.timer->start(state.pace);
}

void loop_stop()
{
    state.timer.reset();
}

void loop_set_active(int active)
{
    state.inactive = !active;
    state.pace = active ? 0 : 1000;
    pace_timer();
}

int loop_inactive()
{
    return state.inactive ? 1 : 0;
}

int loop_period()
{
    return state.timer ? state.pace : -1;
}

uint64_t loop_frames()
{
    return state.frames;
}

loop_costs loop_frame_costs()
{
    loop_costs c{};
    c.frames = static_cast<int>(state.task_us.size());
    c.drawn = static_cast<int>(state.draw_us.size());
    percentiles(state.task_us, &c.median_ms, &c.p99_ms);
    percentiles(state.draw_us, &c.draw_median_ms, &c.draw_p99_ms);
    percentiles(state.move_us, &c.move_median_ms, &c.move_p99_ms);
    if (!state.move_us.empty())
        c.move_worst_ms = *std::max_element(state.move_us.begin(), state.move_us.end()) / 1000.0;
    return c;
}

void loop_reset_frame_costs()
{
    state.task_us.clear();
    state.draw_us.clear();
    state.move_us.clear();
}
