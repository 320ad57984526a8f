#include "runtime/background_music.h"

namespace qinghe {
namespace {

BackgroundMusicPlayer g_player;
const void* g_owner = nullptr;

}  // namespace

void register_background_music_player(BackgroundMusicPlayer player) { g_player = player; }

bool is_standard_midi_file(std::string_view bytes) { return bytes.starts_with("MThd"); }

bool play_background_music(const void* owner, std::string_view midi_file, bool loop) {
    if (!g_player.play || !is_standard_midi_file(midi_file)) return false;
    g_player.play(midi_file, loop);
    g_owner = owner;
    return true;
}

void stop_background_music(const void* owner) {
    if (!owner || owner != g_owner) return;
    g_owner = nullptr;
    if (g_player.stop) g_player.stop();
}

}  // namespace qinghe
