#include "DemoMedia.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <random>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace kalvuno::server {

namespace {

constexpr int kRate = 44100;

void put16(std::string &out, uint16_t v)
{
    out += char(v & 0xFF);
    out += char(v >> 8);
}

void put32(std::string &out, uint32_t v)
{
    put16(out, uint16_t(v & 0xFFFF));
    put16(out, uint16_t(v >> 16));
}

void putBE32(std::string &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((v >> shift) & 0xFF);
}

void putVarLen(std::string &out, uint32_t v)
{
    std::string bytes(1, char(v & 0x7F));
    while ((v >>= 7) != 0)
        bytes.insert(bytes.begin(), char((v & 0x7F) | 0x80));
    out += bytes;
}

bool writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f);
}

} // namespace

bool runProgram(std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

std::vector<std::string> gst(std::initializer_list<std::string> pipeline)
{
    std::vector<std::string> args{"gst-launch-1.0", "-q"};
    args.insert(args.end(), pipeline);
    return args;
}

std::string buffers(int lengthMs, int fpsTimes1000) { return "num-buffers=" + std::to_string(lengthMs * fpsTimes1000 / 1000000); }

} // namespace

int Tune::totalMs() const
{
    int total = 0;
    for (int l : lengthsMs)
        total += l;
    return total;
}

Tune makeTune(uint32_t seed, int lengthMs)
{
    static const int scale[] = {0, 2, 4, 7, 9, 12, 14, 16};
    std::mt19937 rng(seed);
    Tune t;
    t.program = int(rng() % 80);
    const int root = 55 + int(rng() % 12);
    const int beat = 180 + int(rng() % 5) * 40;
    int at = 0;
    while (at < lengthMs) {
        const int len = beat * (1 + int(rng() % 2));
        t.notes.push_back(root + scale[rng() % 8]);
        t.lengthsMs.push_back(std::min(len, lengthMs - at));
        at += len;
    }
    return t;
}

bool writeWav(const std::string &path, const Tune &tune)
{
    std::string pcm;
    for (size_t n = 0; n < tune.notes.size(); ++n) {
        const double freq = 440.0 * std::pow(2.0, (tune.notes[n] - 69) / 12.0);
        const int samples = tune.lengthsMs[n] * kRate / 1000;
        for (int i = 0; i < samples; ++i) {
            const double t = double(i) / kRate;
            const double envelope = std::min(1.0, t * 50) * std::exp(-3.0 * t);
            const double wave = std::sin(2 * std::numbers::pi * freq * t) + 0.3 * std::sin(4 * std::numbers::pi * freq * t);
            put16(pcm, uint16_t(int16_t(std::lround(9000 * envelope * wave))));
        }
    }
    std::string out = "RIFF";
    put32(out, uint32_t(36 + pcm.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, uint32_t(pcm.size()));
    return writeFile(path, out + pcm);
}

bool writeMidi(const std::string &path, const Tune &tune)
{
    constexpr int division = 480; // ticks per quarter note at 120 bpm: 1 ms = 0.96 ticks
    std::string track;
    putVarLen(track, 0);
    track += "\xFF\x51\x03\x07\xA1\x20"; // tempo 500000 us per quarter note
    putVarLen(track, 0);
    track += char(0xC0);
    track += char(tune.program);
    for (size_t n = 0; n < tune.notes.size(); ++n) {
        putVarLen(track, 0);
        track += char(0x90);
        track += char(tune.notes[n]);
        track += char(96);
        putVarLen(track, uint32_t(tune.lengthsMs[n] * division / 500));
        track += char(0x80);
        track += char(tune.notes[n]);
        track += char(0);
    }
    putVarLen(track, 0);
    track += std::string("\xFF\x2F\x00", 3);
    std::string out = "MThd";
    putBE32(out, 6);
    out += std::string("\x00\x00\x00\x01", 4); // format 0, one track
    out += char(division >> 8);
    out += char(division & 0xFF);
    out += "MTrk";
    putBE32(out, uint32_t(track.size()));
    return writeFile(path, out + track);
}

bool writeMp3(const std::string &path, const std::string &wav)
{
    return runProgram(gst({"filesrc", "location=" + wav, "!", "wavparse", "!", "audioconvert", "!", "lamemp3enc", "!",
                    "filesink", "location=" + path}));
}

bool writeMpeg(const std::string &path, const std::string &wav, int pattern, int lengthMs)
{
    // Test patterns that compress well enough for the multiplexer's buffer
    // at a VCD bit rate (noise-like ones make it give up).
    static const int calm[] = {0, 13, 17, 18, 19};
    pattern = calm[unsigned(pattern) % std::size(calm)];
    // MPEG-1 video and MPEG-1 layer II audio in an MPEG-1 system stream.
    return runProgram(gst({"videotestsrc", buffers(lengthMs, 24000), "pattern=" + std::to_string(pattern), "!",
                    "video/x-raw,format=I420,width=320,height=240,framerate=24/1", "!", "mpeg2enc", "format=0",
                    "bitrate=1150",
                    "!", "mplex", "format=0", "name=m", "!", "filesink", "location=" + path, "filesrc",
                    "location=" + wav, "!", "wavparse", "!", "audioconvert", "!", "audioresample", "!",
                    "audio/x-raw,rate=44100", "!", "avenc_mp2", "!", "mpegaudioparse", "!", "m."}));
}

bool writeAvi(const std::string &path, const std::string &wav, int pattern, int lengthMs)
{
    return runProgram(gst({"videotestsrc", buffers(lengthMs, 25000), "pattern=" + std::to_string(pattern), "!",
                    "video/x-raw,width=320,height=240,framerate=25/1", "!", "videoconvert", "!", "jpegenc", "!",
                    "avimux", "name=m", "!", "filesink", "location=" + path, "filesrc", "location=" + wav, "!",
                    "wavparse", "!", "audioconvert", "!", "m."}));
}

} // namespace kalvuno::server
