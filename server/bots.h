#pragma once
// Scripted bots: tourists who walk about near the middle of a world, stop,
// turn, wave and now and then say something. They are users of an av_world
// like any client, so clients see them in their user lists and hear them.
#include <cstdint>

struct av_bots;
struct av_world;

// Bot number i (from 0) is listed at the address av_bots_network + i + 1,
// port av_bots_port: loopback addresses that are no client's, so a client's
// peer texts to a bot never leave its machine.
constexpr uint32_t av_bots_network = 0x7F420000;  // 127.66.0.0
constexpr uint16_t av_bots_port = 3000;
constexpr int av_bots_max = 1000;
// The bots stay within this many thousandths of a unit of the world's
// middle on both horizontal axes.
constexpr int32_t av_bots_area = 15000;

// Puts `count` (at most av_bots_max) bots into `world` at `now`; `seed`
// makes their scripts repeatable.
av_bots* av_bots_create(av_world* world, int count, uint32_t seed, int64_t now);
void av_bots_destroy(av_bots* bots);
// Moves every bot on to `now` and lets those whose time has come speak.
void av_bots_step(av_bots* bots, int64_t now);
