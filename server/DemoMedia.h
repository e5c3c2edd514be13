#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalvuno::server {

// A short tune: MIDI note numbers and their lengths in milliseconds.
struct Tune
{
    std::vector<int> notes;
    std::vector<int> lengthsMs;
    int program = 0; // General MIDI instrument
    int totalMs() const;
};

Tune makeTune(uint32_t seed, int lengthMs);

// Each writer makes one playable file; false when it could not.
// Runs a program without a shell and waits for it; true when it exited with 0.
bool runProgram(std::vector<std::string> args);

bool writeWav(const std::string &path, const Tune &tune);
bool writeMidi(const std::string &path, const Tune &tune);
// These encode through gst-launch-1.0 from a WAV file of the tune.
bool writeMp3(const std::string &path, const std::string &wav);
bool writeMpeg(const std::string &path, const std::string &wav, int pattern, int lengthMs);
bool writeAvi(const std::string &path, const std::string &wav, int pattern, int lengthMs);

} // namespace kalvuno::server
