#include "platform/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace qinghe::platform {
namespace {

constexpr double kSampleRate = 44100;
constexpr double kFadeSeconds = 2;

class SynthOutput : public MidiOutput {
public:
    ~SynthOutput() override;
    bool open(const std::string& soundfont, const std::string& wave_path);
    void send(uint32_t message, int64_t time_us) override;
    void reset(int64_t time_us) override;

private:
    void render_until(int64_t time_us);
    void dispatch(uint32_t message);

    std::mutex mutex_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    fluid_file_renderer_t* renderer_ = nullptr;
    int64_t frames_rendered_ = 0;
    int64_t base_us_ = 0;  // keeps file time going forward when a new stream starts at 0
    int64_t last_us_ = 0;
};

SynthOutput::~SynthOutput() {
    if (renderer_) {
        render_until(last_us_ - base_us_ + int64_t(kFadeSeconds * 1e6));
        delete_fluid_file_renderer(renderer_);
    }
    if (driver_) delete_fluid_audio_driver(driver_);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

bool SynthOutput::open(const std::string& soundfont, const std::string& wave_path) {
    if (soundfont.empty()) return false;
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(settings_, "synth.gain", 0.3);
    if (!wave_path.empty()) {
        fluid_settings_setstr(settings_, "audio.file.name", wave_path.c_str());
        fluid_settings_setstr(settings_, "audio.file.type", "wav");
        fluid_settings_setstr(settings_, "audio.file.format", "s16");
        fluid_settings_setstr(settings_, "player.timing-source", "sample");
        fluid_settings_setint(settings_, "synth.lock-memory", 0);
    }
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_sfload(synth_, soundfont.c_str(), 1) == FLUID_FAILED) return false;
    if (wave_path.empty()) {
        driver_ = new_fluid_audio_driver(settings_, synth_);
        return driver_ != nullptr;
    }
    renderer_ = new_fluid_file_renderer(synth_);
    return renderer_ != nullptr;
}

void SynthOutput::send(uint32_t message, int64_t time_us) {
    std::lock_guard lock(mutex_);
    render_until(time_us);
    dispatch(message);
}

void SynthOutput::reset(int64_t time_us) {
    std::lock_guard lock(mutex_);
    render_until(time_us);
    fluid_synth_all_notes_off(synth_, -1);
}

// Only the file renderer follows stream time; the live driver pulls audio itself.
void SynthOutput::render_until(int64_t time_us) {
    if (!renderer_) return;
    int64_t at = base_us_ + time_us;
    if (at < last_us_) {
        base_us_ = last_us_ - time_us;
        at = last_us_;
    }
    last_us_ = at;
    int period = 64;
    fluid_settings_getint(settings_, "audio.period-size", &period);
    int64_t target = int64_t(double(at) * kSampleRate / 1e6);
    while (frames_rendered_ < target && fluid_file_renderer_process_block(renderer_) == FLUID_OK)
        frames_rendered_ += period;
}

void SynthOutput::dispatch(uint32_t message) {
    int status = message & 0xF0;
    int channel = message & 0x0F;
    int data1 = (message >> 8) & 0x7F;
    int data2 = (message >> 16) & 0x7F;
    switch (status) {
    case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
    case 0x90:
        if (data2 == 0) fluid_synth_noteoff(synth_, channel, data1);
        else fluid_synth_noteon(synth_, channel, data1, data2);
        break;
    case 0xA0: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7)); break;
    default: break;
    }
}

std::shared_ptr<MidiOutput> open_synth(const std::string& wave_path) {
    auto output = std::make_shared<SynthOutput>();
    if (!output->open(find_soundfont(), wave_path)) return nullptr;
    return output;
}

}  // namespace

std::string find_soundfont() {
    static const char* const kCandidates[] = {
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    };
    std::error_code error;
    for (const char* path : kCandidates)
        if (std::filesystem::is_regular_file(path, error)) return path;
    return {};
}

std::shared_ptr<MidiOutput> open_live_synth_output() { return open_synth({}); }

std::shared_ptr<MidiOutput> open_wave_file_synth_output(const std::string& path) {
    return path.empty() ? nullptr : open_synth(path);
}

}  // namespace qinghe::platform
