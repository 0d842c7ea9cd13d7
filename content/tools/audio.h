#pragma once
#include <string>
#include <vector>

// The synthesised sounds of the sample worlds: WAV files (16-bit mono PCM)
// and one MIDI file. `name` is the file name with its extension.
struct sound_art {
    std::string name;
    std::string bytes;
};

constexpr int audio_rate = 22050;

std::vector<sound_art> audio_make();
// A WAV file of the samples (-1 .. 1), clipped to 16 bits.
std::string audio_wav(const std::vector<float>& samples);
