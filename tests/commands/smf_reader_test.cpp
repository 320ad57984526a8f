#include "commands/smf_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "commands/midi_player.h"
#include "commands/smf_builder.h"

namespace qinghe {
namespace {

using test::Bytes;
using test::make_smf;
using test::TrackBuilder;

Bytes two_tracks() {
    TrackBuilder a, b;
    a.tempo(0, 333333).note_on(0, 0, 60).event(0x81, {0x3C, 0x00});  // delta 0x81: two bytes
    b.event(0, {0xF0, 0x02, 0x01, 0xF7}).note_on(0x3FFF, 1, 64);
    return make_smf({a, b});
}

TEST(SmfReader, ReadsHeaderTracksQuantitiesAndRunningStatus) {
    Bytes smf = two_tracks();
    SmfReader reader;
    ASSERT_TRUE(reader.open(smf.data(), smf.size()));
    EXPECT_EQ(reader.format(), 1);
    EXPECT_EQ(reader.track_count(), 2);
    EXPECT_EQ(reader.division(), 120);

    struct Row {
        int32_t track;
        SmfEvent::Kind kind;
        uint64_t tick;
        uint8_t status, data1;
    };
    const Row rows[] = {
        {0, SmfEvent::Kind::meta, 0, 0xFF, 0},
        {0, SmfEvent::Kind::channel, 0, 0x90, 60},
        {1, SmfEvent::Kind::sysex, 0, 0xF0, 0},
        {0, SmfEvent::Kind::channel, 0x81, 0x90, 60},  // running status
        {0, SmfEvent::Kind::end_of_track, 0x81, 0xFF, 0},
        {1, SmfEvent::Kind::channel, 0x3FFF, 0x91, 64},
        {1, SmfEvent::Kind::end_of_track, 0x3FFF, 0xFF, 0},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(reader.next_track(), row.track);
        SmfEvent event;
        ASSERT_TRUE(reader.read_event(row.track, event));
        EXPECT_EQ(event.kind, row.kind);
        EXPECT_EQ(event.tick, row.tick);
        EXPECT_EQ(event.status, row.status);
        EXPECT_EQ(event.data1, row.data1);
    }
    EXPECT_TRUE(reader.all_ended());
    EXPECT_EQ(reader.next_track(), -1);
    reader.rewind();
    EXPECT_EQ(reader.next_track(), 0);
}

TEST(SmfReader, RejectsWhatIsNotAUsableFile) {
    Bytes good = two_tracks();
    struct Case {
        const char* name;
        size_t offset;  // byte to change, or the new length when value < 0
        int value;
    };
    const Case cases[] = {
        {"cut inside the header", 10, -1},
        {"not MThd", 0, 'X'},
        {"header length 7", 7, 7},
        {"not MTrk", 14, 'X'},
        {"track longer than the file", 20, 0x7F},
        {"second track cut short", 0, -2},
        {"division 0", 13, 0},
        {"frame-based division", 12, 0xE7},
    };
    for (const Case& c : cases) {
        Bytes smf = good;
        if (c.value == -1) smf.resize(c.offset);
        else if (c.value == -2) smf.pop_back();
        else smf[c.offset] = uint8_t(c.value);
        if (c.offset == 13) smf[12] = 0;
        SmfReader reader;
        EXPECT_FALSE(reader.open(smf.data(), smf.size())) << c.name;
    }
}

TEST(SmfReader, ReadingCorruptEventsFailsInsteadOfOverreading) {
    struct Case {
        const char* name;
        Bytes track_body;
    };
    const Case cases[] = {
        {"data byte without running status", {0x00, 0x40, 0x40}},
        {"undefined status", {0x00, 0xF4}},
        {"quantity of five bytes", {0x00, 0x90, 0x40, 0x40, 0x81, 0x81, 0x81, 0x81, 0x01}},
        {"meta longer than the track", {0x00, 0xFF, 0x01, 0x7F, 'x'}},
        {"note cut short", {0x00, 0x90, 0x40}},
        {"no end of track", {0x00, 0x90, 0x40, 0x40}},
    };
    for (const Case& c : cases) {
        Bytes smf = {'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                     1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0};
        smf.push_back(uint8_t(c.track_body.size()));
        smf.insert(smf.end(), c.track_body.begin(), c.track_body.end());
        SmfReader reader;
        ASSERT_TRUE(reader.open(smf.data(), smf.size())) << c.name;
        SmfEvent event;
        bool ok = true;
        for (int i = 0; i < 4 && ok && !reader.all_ended(); ++i) ok = reader.read_event(0, event);
        EXPECT_FALSE(ok) << c.name;
    }
}

// Cuts and flips bytes of real files and plays them into buffers: every
// outcome is fine except a crash, an over-read (seen under the address
// sanitizer) or a fill that never ends.
TEST(SmfReader, SurvivesCutAndFlippedFiles) {
    std::ifstream file(QINGHE_TUNE_FILE, std::ios::binary);
    std::vector<Bytes> seeds = {Bytes(std::istreambuf_iterator<char>(file), {}), two_tracks()};
    ASSERT_EQ(seeds[0].size(), 3952u);
    const char* runs = std::getenv("QINGHE_FUZZ_RUNS");
    const int iterations = runs ? std::atoi(runs) : 2000;
    std::mt19937 random(20261208);
    uint8_t memory[BufferFiller::kBufferSize];
    for (int i = 0; i < iterations; ++i) {
        Bytes smf = seeds[size_t(i) % seeds.size()];
        int flips = int(random() % 8);
        for (int f = 0; f < flips; ++f) smf[random() % smf.size()] ^= uint8_t(1u << (random() % 8));
        if (random() % 3 == 0) smf.resize(random() % (smf.size() + 1));
        // A heap copy of exactly the file's length, so any over-read is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[smf.size()]);
        std::copy(smf.begin(), smf.end(), exact.get());
        SmfReader reader;
        if (!reader.open(exact.get(), smf.size())) continue;
        BufferFiller filler;
        filler.start(&reader);
        uint32_t used = 0;
        int buffers = 0;
        while (filler.fill(memory, sizeof memory, used) == BufferFiller::Fill::filled) {
            ASSERT_LE(used, sizeof memory);
            ASSERT_LT(++buffers, 100000) << "iteration " << i;
        }
    }
}

}  // namespace
}  // namespace qinghe
