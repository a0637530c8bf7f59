// Writes the monitor's alarm sound, OLWarning.wav: three short beeps
// alternating between 880 Hz and 660 Hz, 16-bit mono PCM at 22050 Hz, with
// soft edges so the beeps do not click. Run by the build:
//     make_warning_tone <output file>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr uint32_t SampleRate = 22050;

void put16(std::vector<char>& out, uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void put32(std::vector<char>& out, uint32_t value)
{
    put16(out, static_cast<uint16_t>(value & 0xFFFF));
    put16(out, static_cast<uint16_t>(value >> 16));
}

void putText(std::vector<char>& out, const char* text)
{
    for (const char* c = text; *c; ++c)
        out.push_back(*c);
}

std::vector<int16_t> tone()
{
    constexpr double BeepSeconds = 0.16;
    constexpr double GapSeconds = 0.06;
    constexpr double EdgeSeconds = 0.01;
    constexpr double Amplitude = 0.5 * 32767;
    const double frequencies[] = {880.0, 660.0, 880.0};
    std::vector<int16_t> samples;
    for (const double frequency : frequencies) {
        const auto beep = static_cast<int>(BeepSeconds * SampleRate);
        const auto edge = static_cast<int>(EdgeSeconds * SampleRate);
        for (int i = 0; i < beep; ++i) {
            const double envelope =
                std::min({1.0, static_cast<double>(i) / edge, static_cast<double>(beep - i) / edge});
            const double phase = 2.0 * std::numbers::pi * frequency * i / SampleRate;
            samples.push_back(static_cast<int16_t>(Amplitude * envelope * std::sin(phase)));
        }
        samples.insert(samples.end(), static_cast<size_t>(GapSeconds * SampleRate), 0);
    }
    return samples;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    const std::vector<int16_t> samples = tone();
    const auto dataBytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
    std::vector<char> out;
    putText(out, "RIFF");
    put32(out, 36 + dataBytes);
    putText(out, "WAVE");
    putText(out, "fmt ");
    put32(out, 16);             // size of the format chunk
    put16(out, 1);              // PCM
    put16(out, 1);              // mono
    put32(out, SampleRate);
    put32(out, SampleRate * 2); // bytes per second
    put16(out, 2);              // bytes per frame
    put16(out, 16);             // bits per sample
    putText(out, "data");
    put32(out, dataBytes);
    for (const int16_t sample : samples)
        put16(out, static_cast<uint16_t>(sample));
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return file ? 0 : 1;
}
