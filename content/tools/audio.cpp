#include "audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <iterator>

#include "bytes.h"

namespace {

constexpr float pi = 3.14159265f;

void put32_big(std::string* out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<char>((v >> shift) & 0xFF));
}

// A repeatable noise source, so every build writes the same bytes.
class white_noise {
public:
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }

private:
    uint32_t state = 12345;
};

std::vector<float> silence(float seconds)
{
    return std::vector<float>(static_cast<size_t>(seconds * audio_rate), 0.0f);
}

float at(size_t i)
{
    return static_cast<float>(i) / audio_rate;
}

// A struck bell: partials with their own decays.
std::vector<float> chime()
{
    std::vector<float> s = silence(1.2f);
    const float partials[][3] = {{880.0f, 0.5f, 3.0f}, {1760.0f, 0.25f, 5.0f},
                                 {2637.0f, 0.15f, 7.0f}, {3520.0f, 0.08f, 9.0f}};
    for (size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        for (const auto& p : partials)
            s[i] += p[1] * std::exp(-p[2] * t) * std::sin(2.0f * pi * p[0] * t);
    }
    return s;
}

// A creak (a rough, gliding low tone) ending in a thud.
std::vector<float> door()
{
    std::vector<float> s = silence(0.9f);
    white_noise n;
    float phase = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        if (t < 0.6f) {
            float f = 180.0f + 120.0f * std::sin(t * 9.0f);
            phase += 2.0f * pi * f / audio_rate;
            float rough = std::sin(phase) > 0.3f ? 1.0f : -0.4f;
            s[i] = 0.25f * rough * std::sin(pi * t / 0.6f) + 0.03f * n.next();
        } else {
            float d = t - 0.6f;
            s[i] = 0.8f * std::exp(-d * 30.0f) * std::sin(2.0f * pi * 70.0f * d) +
                   0.2f * std::exp(-d * 60.0f) * n.next();
        }
    }
    return s;
}

// Running water for a looping source: low-passed noise with a slow swell.
// Its ends meet, so the loop does not click.
std::vector<float> fountain()
{
    std::vector<float> s = silence(2.0f);
    white_noise n;
    float low = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        low += 0.25f * (n.next() - low);
        s[i] = low * (0.6f + 0.15f * std::sin(2.0f * pi * at(i)));
    }
    const size_t fade = audio_rate / 10;
    for (size_t i = 0; i < fade; ++i) {
        float w = static_cast<float>(i) / static_cast<float>(fade);
        size_t j = s.size() - fade + i;
        s[i] = s[i] * w + s[j] * (1.0f - w);
    }
    s.resize(s.size() - fade);
    return s;
}

// Crackling embers: sparse clicks over a soft rumble.
std::vector<float> crackle()
{
    std::vector<float> s = silence(1.5f);
    white_noise n;
    float low = 0.0f, pop = 0.0f;
    for (float& v : s) {
        low += 0.05f * (n.next() - low);
        if (n.next() > 0.9992f)
            pop = 0.9f;
        pop *= 0.97f;
        v = 0.5f * low + pop * n.next();
    }
    return s;
}

// A frequency glide with a shimmer, up for a warp and down for a teleport.
std::vector<float> sweep(float from, float to, float seconds)
{
    std::vector<float> s = silence(seconds);
    float phase = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = at(i) / seconds;
        float f = from * std::pow(to / from, t);
        phase += 2.0f * pi * f / audio_rate;
        float envelope = std::sin(pi * t);
        s[i] = 0.5f * envelope * (std::sin(phase) + 0.3f * std::sin(3.0f * phase));
    }
    return s;
}

// A short bump.
std::vector<float> thump()
{
    std::vector<float> s = silence(0.25f);
    for (size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        s[i] = 0.9f * std::exp(-t * 25.0f) * std::sin(2.0f * pi * (120.0f - 200.0f * t) * t);
    }
    return s;
}

void put_variable(std::string* out, uint32_t v)
{
    uint8_t bytes[5];
    int n = 0;
    bytes[n++] = static_cast<uint8_t>(v & 0x7F);
    while ((v >>= 7) != 0)
        bytes[n++] = static_cast<uint8_t>((v & 0x7F) | 0x80);
    while (n > 0)
        out->push_back(static_cast<char>(bytes[--n]));
}

// A standard MIDI file, format 0: a short tune on a music box over soft
// strings, looped by the player.
std::string music()
{
    constexpr uint32_t quarter = 96;
    const int melody[] = {72, 76, 79, 76, 77, 74, 71, 74, 72, 76, 79, 84, 83, 79, 76, 72};
    const int bass[] = {48, 53, 55, 48};
    std::string track;
    auto event = [&](uint32_t delta, std::initializer_list<int> bytes) {
        put_variable(&track, delta);
        for (int b : bytes)
            track.push_back(static_cast<char>(b));
    };
    // Tempo: 600000 microseconds a quarter note (100 beats a minute).
    event(0, {0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0});
    event(0, {0xC0, 10});
    event(0, {0xC1, 48});
    for (size_t i = 0; i < std::size(melody); ++i) {
        if (i % 4 == 0)
            event(0, {0x91, bass[i / 4], 50});
        event(0, {0x90, melody[i], 90});
        event(quarter, {0x80, melody[i], 0});
        if (i % 4 == 3)
            event(0, {0x81, bass[i / 4], 0});
    }
    event(quarter, {0xFF, 0x2F, 0x00});
    std::string file = "MThd";
    put32_big(&file, 6);
    file += std::string{0, 0, 0, 1};
    file.push_back(static_cast<char>(quarter >> 8));
    file.push_back(static_cast<char>(quarter & 0xFF));
    file += "MTrk";
    put32_big(&file, static_cast<uint32_t>(track.size()));
    return file + track;
}

}  // namespace

std::string audio_wav(const std::vector<float>& samples)
{
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    put32(&out, 36 + data);
    out += "WAVEfmt ";
    put32(&out, 16);
    put16(&out, 1);
    put16(&out, 1);
    put32(&out, audio_rate);
    put32(&out, audio_rate * 2);
    put16(&out, 2);
    put16(&out, 16);
    out += "data";
    put32(&out, data);
    for (float v : samples) {
        auto s = static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        put16(&out, static_cast<uint16_t>(s));
    }
    return out;
}

std::vector<sound_art> audio_make()
{
    return {
        {"chime.wav", audio_wav(chime())},
        {"door.wav", audio_wav(door())},
        {"fountain.wav", audio_wav(fountain())},
        {"crackle.wav", audio_wav(crackle())},
        {"warp1.wav", audio_wav(sweep(300.0f, 1200.0f, 0.7f))},
        {"deport1.wav", audio_wav(sweep(1200.0f, 200.0f, 0.9f))},
        {"thump.wav", audio_wav(thump())},
        {"music.mid", music()},
    };
}
