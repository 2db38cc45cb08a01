// tonegen out.wav
//
// Writes the alarm sound: a two-tone call, high-low-high-low, as 16-bit mono
// PCM. Every tone fades in and out over a few milliseconds and the file starts
// and ends in silence, so the player can loop it without clicks.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Segment {
    double frequency; // 0 is a pause
    double seconds;
};

// Two cycles of 880 Hz and 660 Hz, 1.2 s in all.
const Segment kPattern[] = {
    {880.0, 0.25}, {0.0, 0.05}, {660.0, 0.25}, {0.0, 0.05},
    {880.0, 0.25}, {0.0, 0.05}, {660.0, 0.25}, {0.0, 0.05},
};

constexpr double kFadeSeconds = 0.008;
constexpr double kPeak = 0.7;

// A little of the second and third harmonic makes the tone cut through
// room noise without the harshness of a square wave.
double voice(double phase)
{
    return (std::sin(phase) + 0.30 * std::sin(2.0 * phase) + 0.15 * std::sin(3.0 * phase)) / 1.45;
}

std::vector<std::int16_t> synthesize()
{
    std::vector<std::int16_t> samples;
    for (const Segment &segment : kPattern) {
        const int count = static_cast<int>(std::lround(segment.seconds * kSampleRate));
        const int fade = static_cast<int>(std::lround(kFadeSeconds * kSampleRate));
        for (int i = 0; i < count; ++i) {
            double value = 0.0;
            if (segment.frequency > 0.0) {
                const double phase = 2.0 * kPi * segment.frequency * i / kSampleRate;
                const int edge = std::min(i, count - 1 - i);
                const double envelope =
                    edge < fade ? 0.5 - 0.5 * std::cos(kPi * edge / fade) : 1.0;
                value = kPeak * envelope * voice(phase);
            }
            samples.push_back(static_cast<std::int16_t>(std::lround(value * 32767.0)));
        }
    }
    return samples;
}

void putLe(std::ofstream &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

bool writeWav(const char *path, const std::vector<std::int16_t> &samples)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    putLe(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    putLe(out, 16, 4);              // fmt chunk size
    putLe(out, 1, 2);               // PCM
    putLe(out, 1, 2);               // mono
    putLe(out, kSampleRate, 4);
    putLe(out, kSampleRate * 2, 4); // bytes per second
    putLe(out, 2, 2);               // block align
    putLe(out, 16, 2);              // bits per sample
    out.write("data", 4);
    putLe(out, dataBytes, 4);
    for (std::int16_t sample : samples)
        putLe(out, static_cast<std::uint16_t>(sample), 2);
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonegen out.wav\n");
        return 2;
    }
    if (!writeWav(argv[1], synthesize())) {
        std::fprintf(stderr, "tonegen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
