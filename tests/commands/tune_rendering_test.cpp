#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "commands/music_commands.h"
#include "platform/midi.h"
#include "platform/midi_synth.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The 16-bit samples of a WAV file's data chunk.
std::vector<int16_t> wave_samples(const Bytes& wave) {
    size_t pos = 12;
    while (pos + 8 <= wave.size()) {
        uint32_t size;
        std::memcpy(&size, &wave[pos + 4], 4);
        if (std::memcmp(&wave[pos], "data", 4) == 0) {
            size = uint32_t(std::min<size_t>(size, wave.size() - pos - 8));
            std::vector<int16_t> samples(size / 2);
            std::memcpy(samples.data(), &wave[pos + 8], samples.size() * 2);
            return samples;
        }
        pos += 8 + size + (size & 1);
    }
    return {};
}

// The same path as the program: play_midi, the player, the stream device
// and the synthesizer, with the synthesizer writing a file instead of
// sounding.
TEST(TuneRendering, TheTuneIsAudibleThroughTheSynthesizer) {
    if (platform::find_soundfont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
    std::string path = testing::TempDir() + "tune.wav";
    auto output = platform::open_wave_file_synth_output(path);
    ASSERT_TRUE(output);
    platform::use_midi_output([output] { return output; }, 0);

    Bytes tune = read_file(QINGHE_TUNE_FILE);
    ByteSet* piece = make_byte_set(tune.data(), tune.size());
    TaggedArg args[] = {TaggedArg::of_int(1), TaggedArg{}, TaggedArg::of_byte_set(piece)};
    TaggedArg result;
    play_midi(&result, 3, args);
    // Rendering runs as fast as the machine allows; a loaded machine may
    // take a while, so the wait is generous (a bound, not a measurement).
    for (int i = 0; i < 24000 && music_state() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(music_state(), 0);
    mem_free(piece);
    platform::use_default_midi_output();
    output.reset();  // the last owner finishes the file

    std::vector<int16_t> samples = wave_samples(read_file(path));
    std::remove(path.c_str());
    ASSERT_GT(samples.size(), size_t(44100 * 2 * 40));  // stereo, longer than 40 seconds
    double sum = 0;
    int peak = 0;
    for (int16_t s : samples) {
        sum += double(s) * s;
        peak = std::max(peak, std::abs(int(s)));
    }
    double rms = std::sqrt(sum / double(samples.size()));
    RecordProperty("rms", std::to_string(rms));
    RecordProperty("peak", peak);
    std::printf("tune rendering: %.1f s, rms %.0f, peak %d\n", samples.size() / 88200.0, rms, peak);
    // Silence without a soundfont is noise of about one step; music is far louder.
    EXPECT_GT(rms, 300);
    EXPECT_GT(peak, 3000);
}

}  // namespace
}  // namespace qinghe
