#include "commands/smf_reader.h"

#include <cstring>

namespace qinghe {
namespace {

constexpr size_t kHeaderSize = 14;
constexpr size_t kChunkHeaderSize = 8;

uint32_t big_endian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
int32_t big_endian16(const uint8_t* p) { return int32_t(p[0]) << 8 | p[1]; }

}  // namespace

bool SmfReader::open(const uint8_t* data, size_t length) {
    tracks_.clear();
    data_ = nullptr;
    length_ = 0;
    if (!data || length < kHeaderSize || std::memcmp(data, "MThd", 4) != 0 ||
        big_endian32(data + 4) != 6)
        return false;
    format_ = big_endian16(data + 8);
    int32_t count = big_endian16(data + 10);
    division_ = big_endian16(data + 12);
    // Zero would divide by zero; the top bit selects frame-based timing,
    // which the stream device does not keep.
    if (division_ == 0 || division_ >= 0x8000) return false;
    std::vector<Track> tracks(static_cast<size_t>(count));
    size_t chunk = kHeaderSize;
    for (Track& track : tracks) {
        if (chunk > length || length - chunk < kChunkHeaderSize ||
            std::memcmp(data + chunk, "MTrk", 4) != 0)
            return false;
        track.length = big_endian32(data + chunk + 4);
        track.start = chunk + kChunkHeaderSize;
        if (track.length > length - track.start) return false;
        chunk = track.start + track.length;
    }
    data_ = data;
    length_ = length;
    tracks_ = std::move(tracks);
    for (Track& track : tracks_)
        if (!begin_track(track)) {
            tracks_.clear();
            return false;
        }
    return true;
}

bool SmfReader::begin_track(Track& track) {
    track.read = 0;
    track.running_status = 0;
    track.ended = track.length == 0;
    track.next_tick = 0;
    uint32_t delta = 0;
    if (!track.ended && !read_quantity(track, delta)) return false;
    track.next_tick = delta;
    return true;
}

void SmfReader::rewind() {
    for (Track& track : tracks_) begin_track(track);  // opened before, so each succeeds
}

bool SmfReader::all_ended() const {
    for (const Track& track : tracks_)
        if (!track.ended) return false;
    return true;
}

void SmfReader::end_all() {
    for (Track& track : tracks_) track.ended = true;
}

int32_t SmfReader::next_track() const {
    int32_t best = -1;
    for (int32_t i = 0; i < int32_t(tracks_.size()); ++i) {
        const Track& track = tracks_[size_t(i)];
        if (!track.ended && (best < 0 || track.next_tick < tracks_[size_t(best)].next_tick))
            best = i;
    }
    return best;
}

bool SmfReader::read_byte(Track& track, uint8_t& byte) {
    if (track.read >= track.length) return false;
    byte = data_[track.start + track.read++];
    return true;
}

// 7 bits a byte, most significant first; at most four bytes.
bool SmfReader::read_quantity(Track& track, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t byte;
        if (!read_byte(track, byte)) return false;
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80)) return true;
    }
    return false;
}

bool SmfReader::read_payload(Track& track, SmfEvent& event) {
    uint32_t size;
    if (!read_quantity(track, size) || size > track.length - track.read) return false;
    event.payload = data_ + track.start + track.read;
    event.payload_length = size;
    track.read += size;
    return true;
}

bool SmfReader::read_event(int32_t index, SmfEvent& event) {
    if (index < 0 || index >= int32_t(tracks_.size())) return false;
    Track& track = tracks_[size_t(index)];
    if (track.ended) return false;
    event = SmfEvent{};
    event.tick = track.next_tick;
    uint8_t status;
    if (!read_byte(track, status)) return false;
    if (status < 0x80) {  // running status: this byte is the first data byte
        if (track.running_status == 0) return false;
        event.data1 = status;
        status = track.running_status;
    } else if (status < 0xF0) {
        track.running_status = status;
        if (!read_byte(track, event.data1)) return false;
    }
    event.status = status;
    if (status < 0xF0) {
        uint8_t kind = status & 0xF0;
        bool two_data_bytes = kind != 0xC0 && kind != 0xD0;
        if (two_data_bytes && !read_byte(track, event.data2)) return false;
        if ((event.data1 | event.data2) & 0x80) return false;
        event.kind = SmfEvent::Kind::channel;
    } else if (status == 0xF0 || status == 0xF7) {
        event.kind = SmfEvent::Kind::sysex;
        if (!read_payload(track, event)) return false;
    } else if (status == 0xFF) {
        if (!read_byte(track, event.meta_type) || !read_payload(track, event)) return false;
        event.kind = event.meta_type == 0x2F ? SmfEvent::Kind::end_of_track : SmfEvent::Kind::meta;
    } else {
        return false;
    }
    if (event.kind == SmfEvent::Kind::end_of_track) {
        track.ended = true;
        return true;
    }
    uint32_t delta;
    if (!read_quantity(track, delta)) return false;
    track.next_tick = event.tick + delta;
    return true;
}

}  // namespace qinghe
