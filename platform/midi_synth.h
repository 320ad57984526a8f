// The General MIDI synthesizer behind the MIDI stream device.
#pragma once

#include <memory>
#include <string>

#include "platform/midi.h"

namespace qinghe::platform {

// The installed General MIDI soundfont, or empty when there is none.
std::string find_soundfont();

// Plays through the default audio output; null when the synthesizer, the
// soundfont or the audio output cannot be opened.
std::shared_ptr<MidiOutput> open_live_synth_output();

// Renders into a 16-bit stereo WAV file at the stream times of the
// messages; the file is finished (with two seconds for the last notes to
// fade) when the output is destroyed. Null when no soundfont is installed.
std::shared_ptr<MidiOutput> open_wave_file_synth_output(const std::string& path);

}  // namespace qinghe::platform
