#include "commands/midi_player.h"

#include <cstring>

namespace qinghe {

using platform::StreamBuffer;
using platform::StreamNotice;
namespace StreamEvent = platform::StreamEvent;

namespace {

constexpr uint32_t kVolumeController = 7;
constexpr uint32_t kTempoMeta = 0x51;
constexpr auto kStopWait = std::chrono::milliseconds(2000);

uint32_t tempo_event(uint32_t tempo) { return (StreamEvent::kTempo << 24) | (tempo & 0xFFFFFF); }

}  // namespace

// ---- BufferFiller ----

void BufferFiller::start(SmfReader* reader) {
    reader_ = reader;
    reader_->rewind();
    last_tick_ = 0;
    has_pending_ = false;
    failed_ = false;
    insert_tempo_ = false;
    tempo_ = 0;
    max_span_ = 0;
}

BufferFiller::Fill BufferFiller::fill(uint8_t* data, uint32_t capacity, uint32_t& used) {
    used = 0;
    if (reader_->all_ended()) {
        if (!loop_) return Fill::ended;
        reader_->rewind();
        last_tick_ = 0;
    }
    if (failed_) return Fill::failed;
    Buffer buffer{data, capacity, 0, last_tick_, 0};
    if (insert_tempo_ && tempo_ != 0) put(buffer, 0, tempo_event(scaled_tempo(tempo_)));
    insert_tempo_ = false;
    if (has_pending_) {
        if (write(buffer, pending_) == Write::full) {
            used = buffer.used;
            return Fill::filled;
        }
        has_pending_ = false;
    }
    for (;;) {
        int32_t track = reader_->next_track();
        if (track < 0) {
            reader_->end_all();
            break;
        }
        SmfEvent event;
        if (!reader_->read_event(track, event)) {
            failed_ = true;
            used = buffer.used;
            return Fill::failed;
        }
        if (write(buffer, event) == Write::full) {
            pending_ = event;
            has_pending_ = true;
            break;
        }
    }
    used = buffer.used;
    return Fill::filled;
}

BufferFiller::Write BufferFiller::write(Buffer& buffer, const SmfEvent& event) {
    uint32_t word = 0;
    uint32_t tempo = 0;
    switch (event.kind) {
    case SmfEvent::Kind::channel:
        word = event.status | uint32_t(event.data1) << 8 | uint32_t(event.data2) << 16;
        if ((event.status & 0xF0) == 0xB0 && event.data1 == kVolumeController)
            word |= StreamEvent::kCallbackFlag;  // reported back so the volume can be kept
        break;
    case SmfEvent::Kind::meta:
        if (event.meta_type == kTempoMeta && event.payload_length >= 3)
            tempo = uint32_t(event.payload[0]) << 16 | uint32_t(event.payload[1]) << 8 |
                    event.payload[2];
        if (tempo == 0) return Write::dropped;
        word = tempo_event(scaled_tempo(tempo));
        break;
    case SmfEvent::Kind::sysex:
    case SmfEvent::Kind::end_of_track:
        // The delta of the next written event counts from the last written
        // one, so a dropped event must not move it: its time would be lost.
        return Write::dropped;
    }
    if (!take_span_room(buffer) || !put(buffer, uint32_t(event.tick - last_tick_), word))
        return Write::full;
    last_tick_ = event.tick;
    if (tempo != 0) {
        tempo_ = tempo;
        max_span_ = uint64_t(reader_->division()) * 60000 / tempo;  // ticks in 60 ms
    }
    return Write::written;
}

// Once the buffer covers more than the span, one more event goes in.
bool BufferFiller::take_span_room(Buffer& buffer) {
    if (last_tick_ - buffer.start_tick <= max_span_) return true;
    return ++buffer.span_exceeded < 2;
}

bool BufferFiller::put(Buffer& buffer, uint32_t delta, uint32_t event) {
    if (buffer.capacity - buffer.used < uint32_t(platform::kStreamEventSize)) return false;
    uint32_t words[3] = {delta, 0, event};
    std::memcpy(buffer.data + buffer.used, words, sizeof words);
    buffer.used += platform::kStreamEventSize;
    return true;
}

// ---- MidiPlayer ----

MidiPlayer::~MidiPlayer() { close(); }

bool MidiPlayer::open(const uint8_t* data, size_t length, std::function<void()> on_closed) {
    close();
    std::lock_guard lock(mutex_);
    if (!reader_.open(data, length)) return false;
    has_data_ = true;
    on_closed_ = std::move(on_closed);
    volumes_.fill(100);
    return prepare_locked();
}

// Opens a stream when none is open and queues the first buffers, paused.
bool MidiPlayer::prepare_locked() {
    if (!stream_) {
        uint64_t generation = ++generation_;
        std::function<void()> on_closed = on_closed_;
        stream_ = platform::MidiStream::open(
            [this, generation, on_closed](StreamNotice notice, StreamBuffer* buffer) {
                on_notice(generation, on_closed, notice, buffer);
            });
        if (!stream_) return false;
    }
    stream_->set_division(reader_.division());
    filler_.start(&reader_);
    stop_state_ = kRunning;
    in_device_ = 0;
    for (int32_t i = 0; i < 2; ++i) {
        memory_[size_t(i)].resize(BufferFiller::kBufferSize);
        StreamBuffer& buffer = buffers_[size_t(i)];
        buffer = StreamBuffer{memory_[size_t(i)].data(), BufferFiller::kBufferSize, 0, 0, nullptr};
        BufferFiller::Fill fill = filler_.fill(buffer.data, buffer.capacity, buffer.bytes_used);
        queue_locked(i);
        if (fill != BufferFiller::Fill::filled) break;
    }
    return true;
}

void MidiPlayer::queue_locked(int32_t index) {
    if (stream_->queue(&buffers_[size_t(index)])) ++in_device_;
}

bool MidiPlayer::play(bool loop) {
    std::unique_lock lock(mutex_);
    if (!has_data_) return false;
    if (playing_) {
        lock.unlock();
        stop();
        lock.lock();
    }
    if (!stream_ && !prepare_locked()) return false;
    stop_state_ = kRunning;
    filler_.set_loop(loop);
    if (!loop) filler_.insert_tempo_next();
    if (!stream_->restart()) return false;
    playing_ = true;
    return true;
}

void MidiPlayer::stop() {
    std::shared_ptr<platform::MidiStream> stream;
    {
        std::lock_guard lock(mutex_);
        if (!stream_) {
            playing_ = false;
            return;
        }
        if (stop_state_ != kStopped) {
            if (stop_state_ != kLastQueued) stop_state_ = kStopping;
            if (in_device_ == 0) stop_state_ = kStopped;
            finished_.reset();
        }
        if (stop_state_ != kStopped) stream = stream_;
    }
    if (stream) {
        stream->stop();
        stream->reset();
        finished_.wait_for(kStopWait);  // after that the player counts as stopped anyway
    }
    release_stream();
}

void MidiPlayer::close() {
    stop();
    std::lock_guard lock(mutex_);
    has_data_ = false;
}

// Closes the current stream; its notices from now on are ignored.
void MidiPlayer::release_stream() {
    std::shared_ptr<platform::MidiStream> stream;
    {
        std::lock_guard lock(mutex_);
        stream = std::move(stream_);
        ++generation_;
        in_device_ = 0;
        playing_ = false;
        stop_state_ = kStopped;
    }
    if (stream) stream->close();
}

int32_t MidiPlayer::channel_volume(int32_t channel) const {
    std::lock_guard lock(mutex_);
    return channel >= 0 && channel < 16 ? volumes_[size_t(channel)] : 0;
}

void MidiPlayer::on_notice(uint64_t generation, const std::function<void()>& on_closed,
                           StreamNotice notice, StreamBuffer* buffer) {
    if (notice == StreamNotice::opened) return;
    if (notice == StreamNotice::closed) {
        if (on_closed) on_closed();
        return;
    }
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;
    if (notice == StreamNotice::buffer_done) {
        on_buffer_done(buffer);
        return;
    }
    uint32_t event;
    if (buffer->offset + platform::kStreamEventSize > buffer->bytes_used) return;
    std::memcpy(&event, buffer->data + buffer->offset + 8, 4);
    if ((event & 0xF0) == 0xB0 && ((event >> 8) & 0x7F) == kVolumeController)
        volumes_[event & 0x0F] = int32_t((event >> 16) & 0x7F) * 100 / 127;
}

void MidiPlayer::on_buffer_done(StreamBuffer* buffer) {
    if (stop_state_ == kStopped) return;
    if (in_device_ > 0) --in_device_;
    if (stop_state_ == kStopping) {
        if (in_device_ == 0) {
            stop_state_ = kStopped;
            finished_.set();
        }
        return;
    }
    if (stop_state_ == kLastQueued) {
        if (in_device_ == 0) finish_piece_locked();
        return;
    }
    if (!playing_) return;
    BufferFiller::Fill fill = filler_.fill(buffer->data, buffer->capacity, buffer->bytes_used);
    queue_locked(buffer == &buffers_[0] ? 0 : 1);
    if (fill != BufferFiller::Fill::filled) stop_state_ = kLastQueued;
}

// The last buffer of the piece is back: close this stream (from its own
// callback, which the device allows) and prime a fresh one for a later play.
void MidiPlayer::finish_piece_locked() {
    playing_ = false;
    stop_state_ = kStopped;
    std::shared_ptr<platform::MidiStream> finished_stream = std::move(stream_);
    ++generation_;
    finished_stream->close();
    prepare_locked();
    stop_state_ = kStopped;
    finished_.set();
}

}  // namespace qinghe
