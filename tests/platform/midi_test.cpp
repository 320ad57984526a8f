#include "platform/midi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <vector>

#include "platform/event.h"

namespace qinghe::platform {
namespace {

using namespace std::chrono_literals;

struct Events {
    std::vector<uint8_t> bytes;
    StreamBuffer buffer;
    Events& add(uint32_t delta, uint32_t event) {
        uint32_t words[3] = {delta, 0, event};
        auto p = reinterpret_cast<const uint8_t*>(words);
        bytes.insert(bytes.end(), p, p + sizeof words);
        return *this;
    }
    StreamBuffer* done() {
        buffer =
            StreamBuffer{bytes.data(), uint32_t(bytes.size()), uint32_t(bytes.size()), 0, nullptr};
        return &buffer;
    }
};

// Notices of one stream, with the order buffers came back in.
struct Notices {
    std::mutex mutex;
    std::vector<StreamBuffer*> done;
    std::vector<uint32_t> positions;
    int closed = 0;
    Event changed{false};
    StreamCallback callback() {
        return [this](StreamNotice notice, StreamBuffer* buffer) {
            {
                std::lock_guard lock(mutex);
                if (notice == StreamNotice::buffer_done) done.push_back(buffer);
                if (notice == StreamNotice::position) positions.push_back(buffer->offset);
                if (notice == StreamNotice::closed) ++closed;
            }
            changed.set();
        };
    }
    size_t done_count() {
        std::lock_guard lock(mutex);
        return done.size();
    }
    bool wait_for_done(size_t count) {
        for (int i = 0; i < 200 && done_count() < count; ++i) changed.wait_for(50ms);
        return done_count() >= count;
    }
};

class MidiStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        use_midi_output([this] { return recording; }, 0);
    }
    void TearDown() override { use_default_midi_output(); }
    std::shared_ptr<RecordingOutput> recording = std::make_shared<RecordingOutput>();
};

TEST_F(MidiStreamTest, EventTimesFollowDeltaTicksDivisionAndTempo) {
    Notices notices;
    auto stream = MidiStream::open(notices.callback());
    ASSERT_TRUE(stream);
    stream->set_division(100);
    Events first, second;
    first
        .add(0, 0x403C90)              // note at 0
        .add(100, 0x403E90)            // a quarter later at the default 500000 us
        .add(0, 0x01000000 | 250000);  // twice as fast from here
    second
        .add(100, 0x404090)   // the delta counts across buffers
        .add(50, 0x02000000)  // a no-op still takes its time
        .add(50, 0x404190);
    stream->queue(first.done());
    stream->queue(second.done());
    stream->restart();
    ASSERT_TRUE(notices.wait_for_done(2));

    auto messages = recording->messages();
    ASSERT_EQ(messages.size(), 4u);
    const std::pair<uint32_t, int64_t> expected[] = {
        {0x403C90, 0}, {0x403E90, 500000}, {0x404090, 750000}, {0x404190, 1000000}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(messages[i].message, expected[i].first) << i;
        EXPECT_EQ(messages[i].time_us, expected[i].second) << i;
    }
    EXPECT_EQ(notices.done[0], &first.buffer);
    EXPECT_EQ(notices.done[1], &second.buffer);
}

TEST_F(MidiStreamTest, FlaggedEventsAreReportedWithTheirOffset) {
    Notices notices;
    auto stream = MidiStream::open(notices.callback());
    Events events;
    events.add(0, 0x403C90).add(10, 0x40000000 | 0x5007B0).add(10, 0x003C90);
    stream->queue(events.done());
    stream->restart();
    ASSERT_TRUE(notices.wait_for_done(1));
    ASSERT_EQ(notices.positions, std::vector<uint32_t>{12});
    EXPECT_EQ(recording->messages()[1].message, 0x5007B0u);  // the flag is not sent
}

TEST_F(MidiStreamTest, NothingPlaysBeforeRestartAndStopReturnsQueuedBuffers) {
    Notices notices;
    auto stream = MidiStream::open(notices.callback());
    Events a, b;
    a.add(0, 0x403C90);
    b.add(0, 0x403D90);
    stream->queue(a.done());
    stream->queue(b.done());
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(recording->messages().empty());
    stream->stop();
    ASSERT_TRUE(notices.wait_for_done(2));
    EXPECT_TRUE(recording->messages().empty());
    stream->reset();
    EXPECT_EQ(recording->reset_count(), 1);
}

TEST_F(MidiStreamTest, CloseFromItsOwnCallbackReportsClosed) {
    Notices notices;
    std::unique_ptr<MidiStream> stream;
    std::promise<void> closed;
    stream = MidiStream::open([&](StreamNotice notice, StreamBuffer*) {
        if (notice == StreamNotice::buffer_done) stream->close();
        if (notice == StreamNotice::closed) closed.set_value();
    });
    Events events;
    events.add(0, 0x403C90);
    stream->queue(events.done());
    stream->restart();
    EXPECT_EQ(closed.get_future().wait_for(10s), std::future_status::ready);
    stream.reset();
}

TEST(MidiStreamOutput, OpeningFailsWithoutAnOutput) {
    use_midi_output([] { return std::shared_ptr<MidiOutput>(); });
    EXPECT_FALSE(MidiStream::open([](StreamNotice, StreamBuffer*) {}));
    use_default_midi_output();
}

}  // namespace
}  // namespace qinghe::platform
