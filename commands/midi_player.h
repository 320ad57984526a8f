// The MIDI stream player: turns a Standard MIDI File into buffers of timed
// stream events and keeps two of them queued on a stream device, refilling
// each one as the device hands it back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "commands/smf_reader.h"
#include "platform/event.h"
#include "platform/midi.h"

namespace qinghe {

// Fills stream buffers from a reader, in tick order across the tracks.
// Each buffer spans about 60 ms of music, so that a stop or a tempo change
// takes effect soon; an event that does not fit waits for the next buffer.
class BufferFiller {
public:
    static constexpr uint32_t kBufferSize = 1024;
    enum class Fill { filled, ended, failed };

    // Clean state: every track rewound, nothing pending, no tempo known.
    void start(SmfReader* reader);
    Fill fill(uint8_t* data, uint32_t capacity, uint32_t& used);
    // The next buffer filled begins with the current tempo, when one is known.
    void insert_tempo_next() { insert_tempo_ = true; }
    void set_loop(bool loop) { loop_ = loop; }
    uint32_t tempo() const { return tempo_; }

private:
    enum class Write { written, dropped, full };
    struct Buffer {
        uint8_t* data;
        uint32_t capacity;
        uint32_t used;
        uint64_t start_tick;
        int32_t span_exceeded;
    };
    Write write(Buffer& buffer, const SmfEvent& event);
    bool take_span_room(Buffer& buffer);
    static bool put(Buffer& buffer, uint32_t delta, uint32_t event);
    uint32_t scaled_tempo(uint32_t tempo) const {
        return uint32_t(uint64_t(tempo) * 100 / percent_);
    }

    SmfReader* reader_ = nullptr;
    uint64_t last_tick_ = 0;
    bool has_pending_ = false;
    SmfEvent pending_;
    bool failed_ = false;
    bool loop_ = false;
    bool insert_tempo_ = false;
    uint32_t tempo_ = 0;
    uint32_t percent_ = 100;
    uint64_t max_span_ = 0;
};

class MidiPlayer {
public:
    MidiPlayer() = default;
    ~MidiPlayer();
    MidiPlayer(const MidiPlayer&) = delete;
    MidiPlayer& operator=(const MidiPlayer&) = delete;

    // Opens the player on SMF bytes (not copied) and primes a stream with
    // the first buffers. `on_closed` runs whenever a stream of this player
    // is closed, which after a piece has played to its end happens by itself.
    bool open(const uint8_t* data, size_t length, std::function<void()> on_closed);
    bool play(bool loop);
    void stop();
    void close();
    // Channel volume in percent, from the volume changes played so far.
    int32_t channel_volume(int32_t channel) const;

private:
    enum StopState : int32_t { kRunning = 0, kStopping = 100, kStopped = 200, kLastQueued = 300 };
    bool prepare_locked();
    void queue_locked(int32_t index);
    void on_notice(uint64_t generation, const std::function<void()>& on_closed,
                   platform::StreamNotice notice, platform::StreamBuffer* buffer);
    void on_buffer_done(platform::StreamBuffer* buffer);
    void finish_piece_locked();
    void release_stream();

    mutable std::mutex mutex_;
    SmfReader reader_;
    BufferFiller filler_;
    bool has_data_ = false;
    std::function<void()> on_closed_;
    std::shared_ptr<platform::MidiStream> stream_;
    uint64_t generation_ = 0;  // tells the current stream's notices from a closed one's
    std::array<std::vector<uint8_t>, 2> memory_;
    std::array<platform::StreamBuffer, 2> buffers_;
    int32_t in_device_ = 0;
    bool playing_ = false;
    int32_t stop_state_ = kStopped;
    std::array<int32_t, 16> volumes_{};
    platform::Event finished_{false};
};

}  // namespace qinghe
