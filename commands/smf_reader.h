// Reader of Standard MIDI Files held in memory: the header chunk, the
// track chunks, and the events of each track in tick order. The bytes are
// not copied and stay the caller's. Every read is bounds-checked: corrupt
// or truncated data makes a read fail, never reads outside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qinghe {

struct SmfEvent {
    enum class Kind { channel, sysex, meta, end_of_track };
    Kind kind = Kind::channel;
    uint64_t tick = 0;  // absolute
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint8_t meta_type = 0;
    const uint8_t* payload = nullptr;  // sysex or meta bytes
    uint32_t payload_length = 0;
};

class SmfReader {
public:
    // Reads the header and the track table; false when the bytes are not a
    // usable file (no "MThd", header length other than 6, a chunk that is
    // not "MTrk" or runs past the end, an unreadable first delta time, or a
    // time division this player cannot follow).
    bool open(const uint8_t* data, size_t length);
    // Every track back to its first event.
    void rewind();

    int32_t format() const { return format_; }
    int32_t track_count() const { return int32_t(tracks_.size()); }
    int32_t division() const { return division_; }
    bool all_ended() const;
    void end_all();
    // The track whose next event comes first (the earlier track among equal
    // ticks), or -1 when every track has ended.
    int32_t next_track() const;
    // Reads that track's next event and the delta time after it; false on
    // corrupt data.
    bool read_event(int32_t track, SmfEvent& event);

private:
    struct Track {
        size_t start = 0;  // offset of the track's data
        size_t length = 0;
        size_t read = 0;  // offset of the next byte, relative to start
        uint64_t next_tick = 0;
        uint8_t running_status = 0;
        bool ended = false;
    };
    bool begin_track(Track& track);
    bool read_byte(Track& track, uint8_t& byte);
    bool read_quantity(Track& track, uint32_t& value);
    bool read_payload(Track& track, SmfEvent& event);

    const uint8_t* data_ = nullptr;
    size_t length_ = 0;
    int32_t format_ = 0;
    int32_t division_ = 0;
    std::vector<Track> tracks_;
};

}  // namespace qinghe
