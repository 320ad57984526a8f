// Music playback commands: pieces of Standard MIDI Files played in the
// background on a player thread, a number of times, with a pause between
// pieces.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

// play_midi([pass count], [pause in 100 ms], piece...): each piece a byte set
// holding a Standard MIDI File, a text naming such a file, or an array of
// either. Pass count omitted = 1, negative = endless, 0 = do nothing.
void play_midi(TaggedArg* result, int32_t count, TaggedArg* args);
void stop_playback(TaggedArg* result, int32_t count, TaggedArg* args);

// Stops all music playback and waits for the player thread to end; the
// host service that stops all media playback calls this.
void stop_all_playback();

// Makes the music player the windows' background music player and the
// host service that stops all media playback (2016).
void register_music_services();

// Puts play_midi and stop_playback into their slots of the core command
// table and registers the music services.
void install_music_commands();

// 0 idle, 1 playing, 2 stop requested.
int32_t music_state();

}  // namespace qinghe
