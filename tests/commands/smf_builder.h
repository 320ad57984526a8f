// Builds small Standard MIDI Files for tests, event by event.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace qinghe::test {

using Bytes = std::vector<uint8_t>;

inline void append_quantity(Bytes& out, uint32_t value) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (n > 1) out.push_back(0x80 | groups[--n]);
    out.push_back(groups[0]);
}

inline void append_big_endian(Bytes& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

// One track: events appended with their delta times, end of track added by `chunk`.
class TrackBuilder {
public:
    TrackBuilder& event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        append_quantity(body_, delta);
        body_.insert(body_.end(), bytes);
        return *this;
    }
    TrackBuilder& tempo(uint32_t delta, uint32_t microseconds) {
        return event(delta, {0xFF, 0x51, 0x03, uint8_t(microseconds >> 16),
                             uint8_t(microseconds >> 8), uint8_t(microseconds)});
    }
    TrackBuilder& note_on(uint32_t delta, uint8_t channel, uint8_t key, uint8_t velocity = 100) {
        return event(delta, {uint8_t(0x90 | channel), key, velocity});
    }
    Bytes chunk() const {
        Bytes out = {'M', 'T', 'r', 'k'};
        append_big_endian(out, uint32_t(body_.size() + 4), 4);
        out.insert(out.end(), body_.begin(), body_.end());
        out.insert(out.end(), {0x00, 0xFF, 0x2F, 0x00});
        return out;
    }

private:
    Bytes body_;
};

inline Bytes make_smf(const std::vector<TrackBuilder>& tracks, uint16_t division = 120,
                      uint16_t format = 1) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    append_big_endian(out, format, 2);
    append_big_endian(out, uint32_t(tracks.size()), 2);
    append_big_endian(out, division, 2);
    for (const TrackBuilder& track : tracks) {
        Bytes chunk = track.chunk();
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

// Short message words as the stream device sends them.
constexpr uint32_t note_on_message(uint8_t channel, uint8_t key, uint8_t velocity = 100) {
    return uint32_t(0x90 | channel) | uint32_t(key) << 8 | uint32_t(velocity) << 16;
}

}  // namespace qinghe::test
