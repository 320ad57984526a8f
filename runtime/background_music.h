// Background music of windows: the music player registers itself here so
// that windows can start and stop a piece without depending on the command
// layer. One piece plays at a time; it belongs to the window that started it.
#pragma once

#include <string_view>

namespace qinghe {

struct BackgroundMusicPlayer {
    // Plays a Standard MIDI File, endlessly when `loop`, replacing any piece.
    void (*play)(std::string_view midi_file, bool loop) = nullptr;
    void (*stop)() = nullptr;
};

// A later registration replaces the earlier one; null entries disable it.
void register_background_music_player(BackgroundMusicPlayer player);

// True when the bytes start with a Standard MIDI File header chunk.
bool is_standard_midi_file(std::string_view bytes);

// Starts the piece for `owner` (any unique address); false when no player
// is registered or the bytes are not a Standard MIDI File.
bool play_background_music(const void* owner, std::string_view midi_file, bool loop);
// Stops the music when `owner` started the piece that plays now.
void stop_background_music(const void* owner);

}  // namespace qinghe
