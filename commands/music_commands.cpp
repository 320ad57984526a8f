#include "commands/music_commands.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "commands/core_commands.h"
#include "commands/midi_player.h"
#include "platform/event.h"
#include "platform/file_names.h"
#include "platform/text_encoding.h"
#include "runtime/background_music.h"
#include "runtime/host_services.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

enum : int32_t { kIdle = 0, kPlaying = 1, kStopRequested = 2 };
constexpr int32_t kFileName = -1;  // play-list length of an entry that names a file
constexpr auto kWaitStep = std::chrono::milliseconds(500);
constexpr auto kPauseStep = std::chrono::milliseconds(100);

struct PlayEntry {
    size_t offset;
    int32_t length;  // kFileName: a zero-terminated file name
    bool skipped = false;
};

struct Playlist {
    std::vector<uint8_t> data;
    std::vector<PlayEntry> entries;
};

struct MusicState {
    std::mutex command_mutex;  // one play or stop command at a time
    std::atomic<int32_t> state{kIdle};
    int32_t remaining_passes = 0;  // negative: endless
    int32_t pause = 0;             // in 100 ms
    Playlist playlist;
    platform::Event wake{true};
    std::thread thread;
    MidiPlayer player;

    ~MusicState() { stop(); }
    void stop();
    void reset();
    void run();
    bool play_entry(PlayEntry& entry, std::vector<uint8_t>& file_image);
};

MusicState& music() {
    static MusicState state;
    return state;
}

void MusicState::reset() {
    playlist = Playlist{};
    pause = 0;
    remaining_passes = 0;
    state = kIdle;
}

void MusicState::stop() {
    int32_t playing = kPlaying;
    state.compare_exchange_strong(playing, kStopRequested);
    if (thread.joinable()) thread.join();  // the thread resets the state before it ends
    player.close();
    reset();
}

bool read_whole_file(const char* gbk_name, std::vector<uint8_t>& bytes) {
    std::ifstream file(platform::native_path(platform::utf8_from_gbk(gbk_name)), std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// Opens and starts one piece; false marks the entry to be skipped.
bool MusicState::play_entry(PlayEntry& entry, std::vector<uint8_t>& file_image) {
    player.close();  // it may still point into the previous file image
    const uint8_t* bytes = playlist.data.data() + entry.offset;
    size_t length = size_t(entry.length);
    if (entry.length == kFileName) {
        if (!read_whole_file(reinterpret_cast<const char*>(bytes), file_image)) return false;
        bytes = file_image.data();
        length = file_image.size();
    }
    if (!player.open(bytes, length, [this] { wake.set(); })) return false;
    wake.reset();
    return player.play(false);
}

void MusicState::run() {
    std::vector<uint8_t> file_image;  // the image of a named file, while it plays
    size_t index = 0;
    while (state == kPlaying) {
        if (index == playlist.entries.size()) {
            bool all_skipped = true;
            for (const PlayEntry& entry : playlist.entries) all_skipped &= entry.skipped;
            if (all_skipped) break;  // an endless list of unplayable pieces would spin
            if (remaining_passes > 0 && --remaining_passes == 0) break;
            index = 0;
        }
        PlayEntry& entry = playlist.entries[index++];
        if (entry.skipped) continue;
        if (!play_entry(entry, file_image)) {
            entry.skipped = true;
            continue;
        }
        while (state == kPlaying && !wake.wait_for(kWaitStep)) {
        }
        for (int32_t i = 0; i < pause && state == kPlaying; ++i)
            std::this_thread::sleep_for(kPauseStep);
    }
    player.close();
    reset();
}

int32_t integer_argument(const TaggedArg& arg, int32_t fallback) {
    switch (arg.type) {
    case TypeTag::kByte: return int32_t(uint8_t(arg.lo));
    case TypeTag::kShort: return int32_t(int16_t(arg.lo));
    case TypeTag::kInt:
    case TypeTag::kUnsigned32: return arg.as_int();
    case TypeTag::kLong: return int32_t(std::clamp<int64_t>(arg.as_long(), INT32_MIN, INT32_MAX));
    case TypeTag::kFloat: return int32_t(std::clamp<double>(arg.as_float(), INT32_MIN, INT32_MAX));
    case TypeTag::kDouble:
        return int32_t(std::clamp<double>(arg.as_double(), INT32_MIN, INT32_MAX));
    default: return fallback;
    }
}

void add_text_piece(Playlist& list, const char* text) {
    if (!text || !*text) return;
    size_t offset = list.data.size();
    list.data.insert(list.data.end(), text, text + std::strlen(text) + 1);
    list.entries.push_back({offset, kFileName});
}

void add_byte_set_piece(Playlist& list, const ByteSet* bytes) {
    if (byte_set_size(bytes) <= 4 || std::memcmp(bytes->data(), "MThd", 4) != 0) return;
    size_t offset = list.data.size();
    list.data.insert(list.data.end(), bytes->data(), bytes->data() + bytes->length);
    list.entries.push_back({offset, bytes->length});
}

void add_pieces(Playlist& list, const TaggedArg& arg) {
    uint32_t element = TypeTag::without_array(arg.type);
    if (element != TypeTag::kText && element != TypeTag::kByteSet) return;
    if (!TypeTag::is_array(arg.type)) {
        if (element == TypeTag::kText) add_text_piece(list, arg.text());
        else add_byte_set_piece(list, arg.byte_set());
        return;
    }
    const ArrayBlock* array = arg.array();
    if (!array) return;
    for (int64_t i = 0; i < array->element_count(); ++i) {
        void* item = array->pointer_at(i);
        if (element == TypeTag::kText) add_text_piece(list, static_cast<const char*>(item));
        else add_byte_set_piece(list, static_cast<const ByteSet*>(item));
    }
}

}  // namespace

void play_midi(TaggedArg*, int32_t count, TaggedArg* args) {
    int32_t passes = count > 0 ? integer_argument(args[0], 1) : 1;
    int32_t pause = count > 1 ? integer_argument(args[1], 0) : 0;
    if (passes == 0) return;
    Playlist list;
    for (int32_t i = 2; i < count; ++i) add_pieces(list, args[i]);
    if (list.entries.empty()) return;  // a running playback goes on

    MusicState& m = music();
    std::lock_guard lock(m.command_mutex);
    m.stop();
    m.remaining_passes = passes < 0 ? -1 : passes;
    m.pause = pause < 0 ? 0 : pause;
    m.playlist = std::move(list);
    m.state = kPlaying;
    try {
        m.thread = std::thread(&MusicState::run, &m);
    } catch (const std::system_error&) {
        m.reset();
    }
}

void stop_playback(TaggedArg*, int32_t, TaggedArg*) { stop_all_playback(); }

void stop_all_playback() {
    MusicState& m = music();
    std::lock_guard lock(m.command_mutex);
    m.stop();
}

int32_t music_state() { return music().state; }

void register_music_services() {
    BackgroundMusicPlayer player;
    player.play = [](std::string_view midi_file, bool loop) {
        ByteSet* piece = make_byte_set(midi_file);
        TaggedArg args[] = {TaggedArg::of_int(loop ? -1 : 1), TaggedArg::of_int(0),
                            TaggedArg::of_byte_set(piece)};
        TaggedArg result{};
        play_midi(&result, 3, args);
        mem_free(piece);
    };
    player.stop = &stop_all_playback;
    register_background_music_player(player);
    register_host_service(2016, [](intptr_t, intptr_t) -> intptr_t {
        stop_all_playback();
        return 0;
    });
}

void install_music_commands() {
    install_core_command(CoreCommand::play_midi, &play_midi);
    install_core_command(CoreCommand::stop_playback, &stop_playback);
    register_music_services();
}

}  // namespace qinghe
