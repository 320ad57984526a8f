// The Windows side: the system's own MIDI output (winmm's MIDI mapper) plays
// the messages that the stream's timing thread sends. There is no soundfont
// file to find and no renderer into a file.
#include "platform/midi_synth.h"

#include <windows.h>
#include <mmsystem.h>

namespace qinghe::platform {
namespace {

class SystemMidiOutput : public MidiOutput {
public:
    explicit SystemMidiOutput(HMIDIOUT device) : device_(device) {}
    ~SystemMidiOutput() override {
        midiOutReset(device_);
        midiOutClose(device_);
    }
    void send(uint32_t message, int64_t) override { midiOutShortMsg(device_, message); }
    void reset(int64_t) override { midiOutReset(device_); }

private:
    HMIDIOUT device_;
};

}  // namespace

std::string find_soundfont() { return {}; }

std::shared_ptr<MidiOutput> open_live_synth_output() {
    HMIDIOUT device = nullptr;
    if (midiOutOpen(&device, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return nullptr;
    return std::make_shared<SystemMidiOutput>(device);
}

std::shared_ptr<MidiOutput> open_wave_file_synth_output(const std::string&) { return nullptr; }

}  // namespace qinghe::platform
