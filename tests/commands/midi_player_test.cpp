#include "commands/midi_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>

#include "commands/smf_builder.h"

namespace qinghe {
namespace {

using test::Bytes;
using test::make_smf;
using test::note_on_message;
using test::TrackBuilder;

struct StreamEventWords {
    uint32_t delta, stream_id, event;
};

// Fills buffers until the end of the piece; each buffer as its events.
std::vector<std::vector<StreamEventWords>> fill_all(const Bytes& smf, bool insert_tempo = false) {
    SmfReader reader;
    EXPECT_TRUE(reader.open(smf.data(), smf.size()));
    BufferFiller filler;
    filler.start(&reader);
    std::vector<std::vector<StreamEventWords>> buffers;
    uint8_t memory[BufferFiller::kBufferSize];
    for (int guard = 0; guard < 1000; ++guard) {
        if (insert_tempo && guard == 1) filler.insert_tempo_next();
        uint32_t used = 0;
        if (filler.fill(memory, sizeof memory, used) != BufferFiller::Fill::filled) break;
        std::vector<StreamEventWords> events(used / 12);
        std::memcpy(events.data(), memory, used);
        buffers.push_back(std::move(events));
    }
    return buffers;
}

TEST(BufferFiller, ABufferHoldsAtMost85EventsAndTheRestWaits) {
    TrackBuilder track;
    for (int i = 0; i < 100; ++i) track.note_on(0, 0, uint8_t(i));
    auto buffers = fill_all(make_smf({track}));
    ASSERT_EQ(buffers.size(), 2u);
    EXPECT_EQ(buffers[0].size(), 85u);
    ASSERT_EQ(buffers[1].size(), 15u);
    EXPECT_EQ(buffers[1][0].event, note_on_message(0, 85));
}

TEST(BufferFiller, ABufferSpansAbout60Milliseconds) {
    // 500000 us per quarter and 100 ticks: 60 ms are 12 ticks.
    TrackBuilder track;
    track.tempo(0, 500000);
    for (int i = 1; i <= 8; ++i) track.note_on(5, 0, uint8_t(60 + i));
    auto buffers = fill_all(make_smf({track}, 100));
    ASSERT_GE(buffers.size(), 2u);
    // Ticks 0 (tempo), 5, 10, 15, then 20: the one event allowed past the span.
    ASSERT_EQ(buffers[0].size(), 5u);
    EXPECT_EQ(buffers[0][0].event, 0x01000000u | 500000);
    EXPECT_EQ(buffers[0][4].event, note_on_message(0, 64));
    // The next buffer goes on with the event left waiting, its delta intact.
    EXPECT_EQ(buffers[1][0].delta, 5u);
    EXPECT_EQ(buffers[1][0].event, note_on_message(0, 65));
}

TEST(BufferFiller, VolumeChangesAreFlaggedAndDroppedEventsLoseNoTime) {
    TrackBuilder track;
    track
        .event(0, {0xB3, 0x07, 0x40})       // volume: reported back
        .event(0, {0xB3, 0x0A, 0x40})       // pan: not
        .event(4, {0xFF, 0x01, 0x01, 'x'})  // dropped text at tick 4
        .event(6, {0xF0, 0x01, 0xF7})       // dropped sysex at tick 10
        .note_on(3, 3, 60);                 // tick 13
    auto buffers = fill_all(make_smf({track}));
    ASSERT_EQ(buffers.size(), 1u);
    ASSERT_EQ(buffers[0].size(), 3u);
    EXPECT_EQ(buffers[0][0].event, 0x40000000u | 0x4007B3);
    EXPECT_EQ(buffers[0][1].event, 0x400AB3u);
    EXPECT_EQ(buffers[0][2].delta, 13u);  // from the last event written
}

TEST(BufferFiller, AfterAStartTheNextBufferBeginsWithTheCurrentTempo) {
    TrackBuilder track;
    track.tempo(0, 400000);
    for (int i = 0; i < 6; ++i) track.note_on(30, 0, 60);  // each note past the 60 ms span
    auto buffers = fill_all(make_smf({track}, 120), true);
    ASSERT_GE(buffers.size(), 2u);
    EXPECT_EQ(buffers[1][0].delta, 0u);
    EXPECT_EQ(buffers[1][0].event, 0x01000000u | 400000);
    EXPECT_EQ(buffers[1][1].event, note_on_message(0, 60));
}

class MidiPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::use_midi_output([this] { return recording; }, 0);
    }
    void TearDown() override { platform::use_default_midi_output(); }
    std::shared_ptr<platform::RecordingOutput> recording =
        std::make_shared<platform::RecordingOutput>();
};

TEST_F(MidiPlayerTest, KeepsChannelVolumesAndClosesItsStreamAtTheEnd) {
    TrackBuilder track;
    track.event(0, {0xB2, 0x07, 0x40}).note_on(10, 2, 60).note_on(10, 2, 60, 0);
    Bytes smf = make_smf({track});
    MidiPlayer player;
    std::promise<void> closed;
    bool once = false;
    ASSERT_TRUE(player.open(smf.data(), smf.size(), [&] {
        if (!std::exchange(once, true)) closed.set_value();
    }));
    EXPECT_EQ(player.channel_volume(2), 100);
    ASSERT_TRUE(player.play(false));
    ASSERT_EQ(closed.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(player.channel_volume(2), 50);  // 64 of 127
    EXPECT_EQ(player.channel_volume(0), 100);
    EXPECT_EQ(recording->messages().size(), 3u);

    // Primed again after the end: a second play starts from the beginning.
    recording->clear();
    ASSERT_TRUE(player.play(false));
    for (int i = 0; i < 500 && recording->messages().size() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(recording->messages().size(), 3u);
    player.close();
}

}  // namespace
}  // namespace qinghe
