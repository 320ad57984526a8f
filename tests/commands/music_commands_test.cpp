#include "commands/music_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "commands/smf_builder.h"
#include "platform/midi.h"
#include "runtime/background_music.h"
#include "runtime/host_services.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::make_smf;
using test::note_on_message;
using test::TrackBuilder;

Bytes read_file(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A byte-set argument that frees itself.
struct Piece {
    explicit Piece(const Bytes& bytes) : set(make_byte_set(bytes.data(), bytes.size())) {}
    ~Piece() { mem_free(set); }
    TaggedArg arg() const { return TaggedArg::of_byte_set(set); }
    ByteSet* set;
};

Bytes one_note(uint8_t key, uint32_t tail_ticks = 0) {
    TrackBuilder track;
    track.tempo(0, 500000).note_on(0, 0, key).note_on(tail_ticks, 0, key, 0);
    return make_smf({track});
}

class MusicTest : public ::testing::Test {
protected:
    void use_recording(double time_scale) {
        platform::use_midi_output([this] { return recording; }, time_scale);
    }
    void SetUp() override { use_recording(0); }
    void TearDown() override {
        stop_all_playback();
        platform::use_default_midi_output();
    }
    void play(std::vector<TaggedArg> args) {
        TaggedArg result;
        play_midi(&result, int32_t(args.size()), args.data());
    }
    static bool wait_idle() {
        for (int i = 0; i < 1000 && music_state() != 0; ++i) std::this_thread::sleep_for(10ms);
        return music_state() == 0;
    }
    bool wait_for_messages(size_t count) {
        for (int i = 0; i < 1000 && recording->messages().size() < count; ++i)
            std::this_thread::sleep_for(10ms);
        return recording->messages().size() >= count;
    }
    std::vector<uint32_t> note_ons() const {
        std::vector<uint32_t> keys;
        for (const auto& m : recording->messages())
            if ((m.message & 0xF0) == 0x90 && (m.message >> 16) != 0)
                keys.push_back((m.message >> 8) & 0x7F);
        return keys;
    }
    std::shared_ptr<platform::RecordingOutput> recording =
        std::make_shared<platform::RecordingOutput>();
};

// Channel messages of a file with their times, worked out directly from the
// file: events of all tracks merged by tick (the earlier track first on
// equal ticks), times from the tempo events in force.
std::vector<platform::RecordingOutput::Message> expected_messages(const Bytes& smf) {
    struct Timed {
        uint64_t tick;
        size_t track;
        uint32_t message;  // 0: tempo
        uint32_t tempo;
    };
    std::vector<Timed> events;
    uint32_t division = uint32_t(smf[12]) << 8 | smf[13];
    size_t pos = 14;
    for (size_t track = 0; pos + 8 <= smf.size(); ++track) {
        size_t length = size_t(smf[pos + 4]) << 24 | size_t(smf[pos + 5]) << 16 |
                        size_t(smf[pos + 6]) << 8 | smf[pos + 7];
        size_t p = pos + 8, end = p + length;
        uint64_t tick = 0;
        uint8_t running = 0;
        auto quantity = [&] {
            uint32_t v = 0;
            uint8_t b;
            do v = (v << 7) | ((b = smf[p++]) & 0x7F);
            while (b & 0x80);
            return v;
        };
        while (p < end) {
            tick += quantity();
            uint8_t status = smf[p] & 0x80 ? smf[p++] : running;
            if (status == 0xFF) {
                uint8_t type = smf[p++];
                uint32_t size = quantity();
                if (type == 0x51)
                    events.push_back(
                        {tick, track, 0, uint32_t(smf[p]) << 16 | smf[p + 1] << 8 | smf[p + 2]});
                p += size;
            } else if (status == 0xF0 || status == 0xF7) {
                p += quantity();
            } else {
                running = status;
                uint32_t message = status | uint32_t(smf[p++]) << 8;
                if ((status & 0xE0) != 0xC0) message |= uint32_t(smf[p++]) << 16;
                events.push_back({tick, track, message, 0});
            }
        }
        pos = end;
    }
    std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.track < b.track;
    });
    std::vector<platform::RecordingOutput::Message> out;
    double time = 0, tempo = 500000;
    uint64_t last = 0;
    for (const Timed& e : events) {
        time += double(e.tick - last) * tempo / division;
        last = e.tick;
        if (e.message == 0) tempo = e.tempo;
        else out.push_back({e.message, int64_t(time)});
    }
    return out;
}

void expect_played(const std::vector<platform::RecordingOutput::Message>& played,
                   const std::vector<platform::RecordingOutput::Message>& expected) {
    ASSERT_EQ(played.size(), expected.size());
    for (size_t i = 0; i < played.size(); ++i) {
        ASSERT_EQ(played[i].message, expected[i].message) << "message " << i;
        ASSERT_NEAR(double(played[i].time_us), double(expected[i].time_us), 2) << "message " << i;
    }
}

TEST_F(MusicTest, TheTunePlaysEveryEventInOrderAtItsTempos) {
    Bytes tune = read_file(QINGHE_TUNE_FILE);
    ASSERT_EQ(tune.size(), 3952u);
    const uint8_t header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 17, 0, 120};
    ASSERT_TRUE(std::equal(std::begin(header), std::end(header), tune.begin()));

    Piece piece(tune);
    play({TaggedArg::of_int(1), TaggedArg{}, piece.arg()});
    ASSERT_TRUE(wait_idle());
    auto played = recording->messages();
    expect_played(played, expected_messages(tune));

    // The flute enters on the third bar: two bars of 4 beats at 180 per minute.
    auto flute = std::find_if(played.begin(), played.end(), [](const auto& m) {
        return (m.message & 0xFF) == 0x90 && (m.message >> 16) != 0;
    });
    ASSERT_NE(flute, played.end());
    EXPECT_NEAR(double(flute->time_us), 8 * 333333.0, 2);
    // The tempo map slows down: the piece lasts longer than 144 beats at 180.
    EXPECT_GT(played.back().time_us, int64_t(144 * 333333.0));
}

TEST_F(MusicTest, EventsOnOneTickPlayInTrackOrderAndTempoChangesTakeEffect) {
    TrackBuilder first, second;
    first.tempo(0, 600000).note_on(10, 0, 60).tempo(10, 300000).note_on(20, 0, 62);
    second
        .note_on(5, 1, 70)       // an earlier tick plays before the first track's
        .event(5, {0xC1, 0x05})  // program change: one data byte
        .event(0, {0x06});       // running status repeats it
    Bytes smf = make_smf({first, second}, 100);
    Piece piece(smf);
    play({TaggedArg{}, TaggedArg{}, piece.arg()});
    ASSERT_TRUE(wait_idle());
    auto played = recording->messages();
    expect_played(played, expected_messages(smf));
    ASSERT_EQ(played.size(), 5u);
    EXPECT_EQ(played[0].message, note_on_message(1, 70));  // tick 5
    EXPECT_EQ(played[1].message, note_on_message(0, 60));  // tick 10, first track
    EXPECT_EQ(played[2].message, 0x05C1u);                 // tick 10, second track
    EXPECT_EQ(played[3].message, 0x06C1u);
    EXPECT_EQ(played[4].time_us, 20 * 6000 + 20 * 3000);  // faster after tick 20
}

TEST_F(MusicTest, SysexAndMetaEventsOtherThanTempoNeverReachTheOutput) {
    TrackBuilder track;
    track.event(0, {0xF0, 0x03, 0x7E, 0x09, 0xF7})
        .event(0, {0xFF, 0x01, 0x02, 'h', 'i'})
        .event(7, {0xFF, 0x06, 0x01, 'M'})
        .note_on(3, 0, 60)
        .event(4, {0xF7, 0x01, 0x42})
        .event(4, {0xFF, 0x7F, 0x00})
        .note_on(2, 0, 60, 0);
    Bytes smf = make_smf({track}, 100);
    Piece piece(smf);
    play({TaggedArg::of_int(1), TaggedArg{}, piece.arg()});
    ASSERT_TRUE(wait_idle());
    auto played = recording->messages();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].message, note_on_message(0, 60));
    EXPECT_EQ(played[1].message, note_on_message(0, 60, 0));
    // Dropped events take no time away: ticks 10 and 20 at 5000 us a tick.
    EXPECT_EQ(played[0].time_us, 50000);
    EXPECT_EQ(played[1].time_us, 100000);
}

TEST_F(MusicTest, PassCountTwoPlaysEachPieceInTurnTwice) {
    Piece a(one_note(60)), b(one_note(61));
    play({TaggedArg::of_int(2), TaggedArg::of_int(0), a.arg(), b.arg()});
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(note_ons(), (std::vector<uint32_t>{60, 61, 60, 61}));
}

TEST_F(MusicTest, ArraysAndFileNamesArePiecesToo) {
    Bytes c = one_note(62);
    std::string path = testing::TempDir() + "music_piece.mid";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(c.data()), c.size());
    Piece a(one_note(60)), b(one_note(61));
    ArrayBlock* array = make_array(2, sizeof(void*));
    array->set_pointer_at(0, a.set);
    array->set_pointer_at(1, b.set);
    play({TaggedArg{}, TaggedArg{},
          TaggedArg::of_pointer(array, TypeTag::kByteSet | TypeTag::kArrayFlag),
          TaggedArg::of_text("no such file.mid"), TaggedArg::of_text(path.c_str()),
          TaggedArg::of_int(5)});
    ASSERT_TRUE(wait_idle());
    mem_free(array);
    std::remove(path.c_str());
    EXPECT_EQ(note_ons(), (std::vector<uint32_t>{60, 61, 62}));
}

TEST_F(MusicTest, NothingToPlayLeavesARunningPlaybackAlone) {
    use_recording(1);  // real time: the piece holds its note for ten seconds
    Piece a(one_note(60, 20 * 120));
    play({TaggedArg::of_int(1), TaggedArg{}, a.arg()});
    ASSERT_TRUE(wait_for_messages(1));

    Piece b(one_note(61));
    const uint8_t riff[] = {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 1, 0, 1, 0, 120};
    Piece not_midi(Bytes(std::begin(riff), std::end(riff)));
    Piece too_short(Bytes{'M', 'T', 'h', 'd'});
    play({TaggedArg::of_int(0), TaggedArg{}, b.arg()});
    play({TaggedArg::of_int(1), TaggedArg{}, not_midi.arg(), too_short.arg(),
          TaggedArg::of_text("")});
    play({TaggedArg::of_int(1), TaggedArg{}});
    EXPECT_EQ(music_state(), 1);
    EXPECT_EQ(note_ons(), std::vector<uint32_t>{60});

    TaggedArg result;
    stop_playback(&result, 0, nullptr);
    EXPECT_EQ(music_state(), 0);
    EXPECT_EQ(note_ons(), std::vector<uint32_t>{60});
}

TEST_F(MusicTest, InvalidPiecesAloneStartNothing) {
    Piece too_short(Bytes{'M', 'T', 'h', 'd'});
    play({TaggedArg::of_int(1), TaggedArg{}, too_short.arg()});
    EXPECT_EQ(music_state(), 0);
    stop_all_playback();  // nothing playing: nothing happens
    EXPECT_TRUE(recording->messages().empty());
}

TEST_F(MusicTest, StopDuringThePauseEndsPlayback) {
    Piece a(one_note(60));
    play({TaggedArg::of_int(-1), TaggedArg::of_int(600), a.arg()});  // a minute between passes
    ASSERT_TRUE(wait_for_messages(2));
    auto stopped = std::async(std::launch::async, [] { stop_all_playback(); });
    ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(music_state(), 0);
    EXPECT_EQ(note_ons(), std::vector<uint32_t>{60});
}

TEST_F(MusicTest, UnplayablePiecesAreSkippedEvenWhenEndless) {
    TrackBuilder broken;
    broken.note_on(0, 0, 60).event(0, {0xF4});  // an undefined status cuts the piece short
    Bytes corrupt = make_smf({broken});
    Bytes no_track = one_note(61);
    no_track[14] = 'X';  // "XTrk"
    Piece a(corrupt), b(no_track);
    play({TaggedArg::of_int(-1), TaggedArg{}, b.arg(), TaggedArg::of_text("missing.mid")});
    EXPECT_TRUE(wait_idle());  // every entry skipped: the endless walk ends
    play({TaggedArg::of_int(1), TaggedArg{}, a.arg()});
    EXPECT_TRUE(wait_idle());
    EXPECT_EQ(note_ons(), std::vector<uint32_t>{60});
}

TEST_F(MusicTest, WithoutAnOutputNothingIsHeardAndEntriesAreSkipped) {
    platform::use_midi_output([] { return std::shared_ptr<platform::MidiOutput>(); });
    Piece a(one_note(60));
    play({TaggedArg::of_int(-1), TaggedArg{}, a.arg()});
    EXPECT_TRUE(wait_idle());
}

TEST_F(MusicTest, WindowsBackgroundMusicPlaysOnceOrLoopsUntilStopped) {
    register_music_services();
    Bytes note = one_note(64);
    std::string_view piece(reinterpret_cast<const char*>(note.data()), note.size());
    const int owner = 0;
    ASSERT_TRUE(play_background_music(&owner, piece, false));
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(note_ons(), (std::vector<uint32_t>{64}));
    ASSERT_TRUE(play_background_music(&owner, piece, true));
    ASSERT_TRUE(wait_for_messages(8));  // more passes than one
    host_service(2016, 0, 0);           // stop all media playback
    EXPECT_TRUE(wait_idle());
}

}  // namespace
}  // namespace qinghe
