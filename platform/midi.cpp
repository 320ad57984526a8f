#include "platform/midi.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <thread>

#include "platform/midi_synth.h"

namespace qinghe::platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kDefaultTempo = 500000;  // 120 beats per minute until a tempo event
constexpr int32_t kDefaultDivision = 96;

struct OutputChoice {
    std::mutex mutex;
    OutputFactory factory;
    double time_scale = 1.0;
};

// Never destroyed: a player stopping during static destruction may still
// open a stream.
OutputChoice& output_choice() {
    static auto* choice = new OutputChoice;
    return *choice;
}

// The live synthesizer is opened once and shared (and, like the choice,
// outlives static destruction); a failure is remembered so that every later
// open fails quietly.
std::shared_ptr<MidiOutput> shared_live_output() {
    static std::mutex mutex;
    static bool tried = false;
    static auto* output = new std::shared_ptr<MidiOutput>;
    std::lock_guard lock(mutex);
    if (!tried) {
        tried = true;
        *output = open_live_synth_output();
    }
    return *output;
}

uint32_t read_word(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

}  // namespace

struct MidiStream::State {
    std::mutex mutex;
    std::condition_variable wake;
    StreamCallback callback;
    std::shared_ptr<MidiOutput> output;
    double time_scale = 1.0;

    std::deque<StreamBuffer*> queued;
    std::deque<StreamBuffer*> returning;  // handed back as done by the timing thread
    uint32_t position = 0;                // byte offset in the front buffer
    int32_t division = kDefaultDivision;
    uint32_t tempo = kDefaultTempo;
    double stream_us = 0;  // time of the last played event
    bool running = false;
    bool closing = false;
    Clock::time_point anchor_wall;  // wall time that corresponds to anchor_us
    double anchor_us = 0;
    std::thread thread;

    void run(std::shared_ptr<State> self);
    bool wait_until_due(std::unique_lock<std::mutex>& lock, double due_us);
    void play(StreamBuffer* buffer, uint32_t event_offset, double due_us,
              std::unique_lock<std::mutex>& lock);
    void notify(StreamNotice notice, StreamBuffer* buffer, std::unique_lock<std::mutex>& lock) {
        lock.unlock();
        callback(notice, buffer);
        lock.lock();
    }
};

void MidiStream::State::run(std::shared_ptr<State> self) {
    (void)self;  // keeps the state alive while the thread runs
    std::unique_lock lock(mutex);
    while (!closing) {
        if (!returning.empty()) {
            StreamBuffer* buffer = returning.front();
            returning.pop_front();
            notify(StreamNotice::buffer_done, buffer, lock);
            continue;
        }
        if (!running || queued.empty()) {
            wake.wait(lock);
            continue;
        }
        StreamBuffer* buffer = queued.front();
        uint32_t used = std::min(buffer->bytes_used, buffer->capacity);
        if (position + kStreamEventSize > used) {
            queued.pop_front();
            position = 0;
            notify(StreamNotice::buffer_done, buffer, lock);
            continue;
        }
        uint32_t delta = read_word(buffer->data + position);
        double due_us = stream_us + double(delta) * tempo / division;
        if (!wait_until_due(lock, due_us)) continue;  // woken early: look again
        uint32_t event_offset = position;
        position += kStreamEventSize;
        play(buffer, event_offset, due_us, lock);
    }
}

// Waits for the wall-clock moment of a stream time; false when woken before.
bool MidiStream::State::wait_until_due(std::unique_lock<std::mutex>& lock, double due_us) {
    if (time_scale <= 0) return true;
    auto wait = std::chrono::duration<double, std::micro>((due_us - anchor_us) * time_scale);
    auto due = anchor_wall + std::chrono::duration_cast<Clock::duration>(wait);
    if (Clock::now() >= due) return true;
    wake.wait_until(lock, due);
    return false;
}

void MidiStream::State::play(StreamBuffer* buffer, uint32_t event_offset, double due_us,
                             std::unique_lock<std::mutex>& lock) {
    stream_us = due_us;
    uint32_t event = read_word(buffer->data + event_offset + 8);
    uint32_t kind = StreamEvent::kind(event);
    if (kind == StreamEvent::kTempo) {
        if (StreamEvent::data(event) > 0) tempo = StreamEvent::data(event);
    } else if (kind == StreamEvent::kShortMessage) {
        output->send(StreamEvent::data(event), int64_t(stream_us));
    }
    if (event & StreamEvent::kCallbackFlag) {
        buffer->offset = event_offset;
        notify(StreamNotice::position, buffer, lock);
    }
}

MidiStream::MidiStream(std::shared_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<MidiStream> MidiStream::open(StreamCallback callback) {
    OutputFactory factory;
    double time_scale;
    {
        OutputChoice& choice = output_choice();
        std::lock_guard lock(choice.mutex);
        factory = choice.factory;
        time_scale = choice.time_scale;
    }
    std::shared_ptr<MidiOutput> output = factory ? factory() : shared_live_output();
    if (!output) return nullptr;
    auto state = std::make_shared<State>();
    state->callback = std::move(callback);
    state->output = std::move(output);
    state->time_scale = time_scale;
    state->thread = std::thread(&State::run, state.get(), state);
    std::unique_ptr<MidiStream> stream(new MidiStream(state));
    state->callback(StreamNotice::opened, nullptr);
    return stream;
}

MidiStream::~MidiStream() { close(); }

bool MidiStream::set_division(int32_t ticks_per_quarter) {
    if (ticks_per_quarter <= 0) return false;
    std::lock_guard lock(state_->mutex);
    state_->division = ticks_per_quarter;
    return true;
}

bool MidiStream::queue(StreamBuffer* buffer) {
    if (!buffer || !buffer->data) return false;
    std::lock_guard lock(state_->mutex);
    if (state_->closing) return false;
    state_->queued.push_back(buffer);
    state_->wake.notify_all();
    return true;
}

bool MidiStream::restart() {
    std::lock_guard lock(state_->mutex);
    if (state_->closing) return false;
    if (!state_->running) {
        state_->running = true;
        state_->anchor_wall = Clock::now();
        state_->anchor_us = state_->stream_us;
        state_->wake.notify_all();
    }
    return true;
}

bool MidiStream::stop() {
    std::lock_guard lock(state_->mutex);
    State& s = *state_;
    s.running = false;
    s.returning.insert(s.returning.end(), s.queued.begin(), s.queued.end());
    s.queued.clear();
    s.position = 0;
    s.stream_us = 0;
    s.wake.notify_all();
    return true;
}

void MidiStream::reset() {
    std::lock_guard lock(state_->mutex);
    state_->output->reset(int64_t(state_->stream_us));
}

// Buffers still queued or not yet handed back are abandoned without a
// notice; once close returns (from another thread) none is referenced.
void MidiStream::close() {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->closing) return;
        state_->closing = true;
        state_->running = false;
        state_->queued.clear();
        state_->returning.clear();
        state_->wake.notify_all();
    }
    if (state_->thread.get_id() == std::this_thread::get_id()) {
        state_->thread.detach();  // called from a callback: the thread ends after it
    } else {
        state_->thread.join();
    }
    state_->callback(StreamNotice::closed, nullptr);
}

void use_midi_output(OutputFactory factory, double time_scale) {
    OutputChoice& choice = output_choice();
    std::lock_guard lock(choice.mutex);
    choice.factory = std::move(factory);
    choice.time_scale = time_scale;
}

void use_default_midi_output() { use_midi_output(nullptr, 1.0); }

void RecordingOutput::send(uint32_t message, int64_t time_us) {
    std::lock_guard lock(mutex_);
    messages_.push_back({message, time_us});
}

void RecordingOutput::reset(int64_t) {
    std::lock_guard lock(mutex_);
    ++resets_;
}

std::vector<RecordingOutput::Message> RecordingOutput::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

int32_t RecordingOutput::reset_count() const {
    std::lock_guard lock(mutex_);
    return resets_;
}

void RecordingOutput::clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    resets_ = 0;
}

}  // namespace qinghe::platform
