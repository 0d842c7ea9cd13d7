#include "bots.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "avatar_world.h"

namespace {

// Walking pace of a client's user: 0.225 units a second.
constexpr double walk_per_ms = 0.225;
constexpr double turn_degrees_per_ms = 0.09;
// A gesture is shown as long as a client shows the user's own.
constexpr int64_t gesture_ms = 5000;
// Gesture numbers a bot makes: the first two of its avatar's.
constexpr int gestures = 2;
// However many bots there are, one of them speaks about this often.
constexpr int64_t crowd_chat_ms = 8000;
constexpr int64_t bot_chat_min_ms = 30000;

const char* const names[] = {"Lark",  "Robin",  "Swift", "Heron",  "Plover", "Linnet",
                             "Dunlin", "Martin", "Tern",  "Siskin", "Avocet", "Curlew",
                             "Ouzel", "Pipit",  "Stint", "Bunting", "Godwit", "Merlin",
                             "Petrel", "Shrike", "Twite", "Whimbrel", "Dipper", "Redpoll"};
constexpr int name_count = static_cast<int>(std::size(names));

const char* const lines[] = {
    "Hello!",
    "Nice day for a walk.",
    "Has anyone seen the gate?",
    "I like what they built over there.",
    "Just looking around.",
    "Anyone want to chat?",
    "This place gets busier every day.",
    "I think I took a wrong turn.",
    "Back in a minute.",
    "Wave if you can see me!",
    "Lovely view from here.",
    "Where is everybody going?",
};
constexpr int line_count = static_cast<int>(std::size(lines));

enum class phase { turning, walking, resting, gesturing };

struct bot {
    av_address address;
    std::string name;  // with the double quotes of a tourist's name
    double x = 0;      // thousandths of a unit
    double z = 0;
    double yaw = 0;    // degrees
    double target_x = 0;
    double target_z = 0;
    double target_yaw = 0;
    phase now = phase::resting;
    int64_t phase_ends = 0;
    int gesture = 0;
    int64_t chat_at = 0;
};

double normal_degrees(double degrees)
{
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0 ? degrees + 360.0 : degrees;
}

}  // namespace

struct av_bots {
    av_world* world = nullptr;
    std::mt19937 random;
    std::vector<bot> list;
    int64_t stepped_at = 0;
    int64_t chat_mean_ms = 0;

    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(random);
    }
    int64_t span(int64_t low, int64_t high)
    {
        return std::uniform_int_distribution<int64_t>(low, high)(random);
    }
};

namespace {

// A new walk: turn toward a point of the area, then go there.
void set_out(av_bots* b, bot& t)
{
    t.target_x = b->uniform(-av_bots_area, av_bots_area);
    t.target_z = b->uniform(-av_bots_area, av_bots_area);
    // Yaw 0 faces North (+z), 90 faces West (+x).
    double heading = std::atan2(t.target_x - t.x, t.target_z - t.z);
    t.target_yaw = normal_degrees(heading * 180.0 / std::numbers::pi);
    t.now = phase::turning;
}

// Arrived: rest a while, or stand and make a gesture.
void rest_or_gesture(av_bots* b, bot& t, int64_t now)
{
    if (b->span(0, 3) == 0) {
        t.now = phase::gesturing;
        t.gesture = static_cast<int>(b->span(1, gestures));
        t.phase_ends = now + gesture_ms;
    } else {
        t.now = phase::resting;
        t.phase_ends = now + b->span(2000, 12000);
    }
}

void move(av_bots* b, bot& t, int64_t now, double ms)
{
    switch (t.now) {
    case phase::turning: {
        double left = normal_degrees(t.target_yaw - t.yaw + 180.0) - 180.0;
        double turn = turn_degrees_per_ms * ms;
        if (std::fabs(left) <= turn) {
            t.yaw = t.target_yaw;
            t.now = phase::walking;
        } else {
            t.yaw = normal_degrees(t.yaw + std::copysign(turn, left));
        }
        break;
    }
    case phase::walking: {
        double dx = t.target_x - t.x;
        double dz = t.target_z - t.z;
        double distance = std::hypot(dx, dz);
        double step = walk_per_ms * ms;
        if (distance <= step) {
            t.x = t.target_x;
            t.z = t.target_z;
            rest_or_gesture(b, t, now);
        } else {
            t.x += dx / distance * step;
            t.z += dz / distance * step;
        }
        break;
    }
    case phase::resting:
    case phase::gesturing:
        if (now >= t.phase_ends) {
            t.gesture = 0;
            set_out(b, t);
        }
        break;
    }
}

void put(av_bots* b, const bot& t)
{
    av_state s;
    s.x = static_cast<int32_t>(t.x);
    s.z = static_cast<int32_t>(t.z);
    s.yaw = static_cast<int16_t>(t.yaw * 10.0);
    s.gesture = static_cast<uint8_t>(t.gesture);
    av_world_bot_set(b->world, t.address, s);
}

}  // namespace

av_bots* av_bots_create(av_world* world, int count, uint32_t seed, int64_t now)
{
    auto* b = new av_bots;
    b->world = world;
    b->random.seed(seed);
    b->stepped_at = now;
    count = std::clamp(count, 0, av_bots_max);
    b->chat_mean_ms = std::max(bot_chat_min_ms, crowd_chat_ms * count);
    b->list.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        bot& t = b->list[static_cast<size_t>(i)];
        t.address = av_address{av_bots_network + static_cast<uint32_t>(i) + 1, av_bots_port};
        t.name = std::string("\"") + names[i % name_count];
        if (i >= name_count)
            t.name += " " + std::to_string(i / name_count + 1);
        t.name += "\"";
        t.x = b->uniform(-av_bots_area, av_bots_area);
        t.z = b->uniform(-av_bots_area, av_bots_area);
        t.yaw = b->uniform(0, 360);
        t.now = phase::resting;
        t.phase_ends = now + b->span(0, 10000);
        t.chat_at = now + b->span(b->chat_mean_ms / 4, b->chat_mean_ms * 2);
        put(b, t);
    }
    return b;
}

void av_bots_destroy(av_bots* bots)
{
    delete bots;
}

void av_bots_step(av_bots* b, int64_t now)
{
    double ms = static_cast<double>(std::max<int64_t>(now - b->stepped_at, 0));
    b->stepped_at = now;
    for (bot& t : b->list) {
        move(b, t, now, ms);
        put(b, t);
        if (now >= t.chat_at) {
            std::string text = t.name + ": " + lines[b->span(0, line_count - 1)];
            av_world_bot_say(b->world, t.address, text, now);
            t.chat_at = now + b->span(b->chat_mean_ms / 2, b->chat_mean_ms * 3 / 2);
        }
    }
}
