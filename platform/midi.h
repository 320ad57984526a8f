// MIDI stream output: a device that plays queued buffers of timed events.
//
// A stream is opened paused. The caller queues buffers of 12-byte events
// {delta ticks, stream id, event}; `restart` starts the clock. A timing
// thread plays each event when its time has come, computed from the delta
// ticks, the time division and the current tempo, and sends channel
// messages to an output. When a buffer has been played it is handed back
// through the callback (buffer done); an event flagged for a callback is
// reported after it has been played (position); closing the stream reports
// `closed`. Callbacks run on the timing thread and may queue buffers, stop,
// or even close the stream they belong to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace qinghe::platform {

// Event word: the high byte is the kind, the low 24 bits its data.
namespace StreamEvent {
inline constexpr uint32_t kShortMessage = 0x00;  // status | data1 << 8 | data2 << 16
inline constexpr uint32_t kTempo = 0x01;         // microseconds per quarter note
inline constexpr uint32_t kNop = 0x02;
inline constexpr uint32_t kCallbackFlag = 0x40000000;  // report the event once played
constexpr uint32_t kind(uint32_t event) { return (event >> 24) & 0x3F; }
constexpr uint32_t data(uint32_t event) { return event & 0x00FFFFFF; }
}  // namespace StreamEvent

inline constexpr int32_t kStreamEventSize = 12;

// One buffer of events; it stays the caller's, the stream only borrows it
// between `queue` and its buffer-done callback.
struct StreamBuffer {
    uint8_t* data = nullptr;
    uint32_t capacity = 0;
    uint32_t bytes_used = 0;
    uint32_t offset = 0;  // in a position callback: the reported event's offset
    void* user = nullptr;
};

enum class StreamNotice { opened, closed, buffer_done, position };
using StreamCallback = std::function<void(StreamNotice, StreamBuffer*)>;

// Where channel messages end up. `time_us` is the stream time of the
// message: microseconds of music since the stream started.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    virtual void send(uint32_t message, int64_t time_us) = 0;
    // Every note off and controllers reset, on every channel.
    virtual void reset(int64_t time_us) = 0;
};

class MidiStream {
public:
    // Opens a stream on the current output; null when no output can be
    // opened (no synthesizer, soundfont or audio device).
    static std::unique_ptr<MidiStream> open(StreamCallback callback);
    ~MidiStream();  // closes

    MidiStream(const MidiStream&) = delete;
    MidiStream& operator=(const MidiStream&) = delete;

    bool set_division(int32_t ticks_per_quarter);
    bool queue(StreamBuffer* buffer);
    bool restart();
    // Pauses the clock, returns every queued buffer as done and rewinds.
    bool stop();
    // Silences the output (every note off).
    void reset();
    // Stops, then reports `closed`. Safe from the stream's own callback.
    void close();

    struct State;

private:
    explicit MidiStream(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

// The output new streams use. The factory returns null when no output can
// be opened. `time_scale` stretches the wall-clock wait between events
// (1 plays in real time, 0 plays as fast as possible); stream times passed
// to the output are unaffected.
using OutputFactory = std::function<std::shared_ptr<MidiOutput>()>;
void use_midi_output(OutputFactory factory, double time_scale = 1.0);
// Back to the synthesizer on the default audio output, in real time.
void use_default_midi_output();

// Keeps every message with its stream time, for tests.
class RecordingOutput : public MidiOutput {
public:
    struct Message {
        uint32_t message;
        int64_t time_us;
    };
    void send(uint32_t message, int64_t time_us) override;
    void reset(int64_t time_us) override;
    std::vector<Message> messages() const;
    int32_t reset_count() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    int32_t resets_ = 0;
};

}  // namespace qinghe::platform
