#include "components/gif_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace qinghe {
namespace {

using namespace std::chrono_literals;

image::GifFrame uniform_frame(int32_t side, uint32_t colour, int32_t delay) {
    image::GifFrame frame;
    frame.width = frame.height = side;
    frame.delay_centiseconds = delay;
    frame.pixels.assign(size_t(side) * size_t(side), colour);
    return frame;
}

image::GifAnimation animation(int32_t side, std::vector<int32_t> delays) {
    image::GifAnimation gif;
    gif.width = gif.height = side;
    uint32_t colour = 0xFF102030;
    for (int32_t delay : delays)
        gif.frames.push_back(uniform_frame(side, colour += 0x010101, delay));
    return gif;
}

// Counts frames and lets a test wait until enough were shown.
struct FrameLog {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int64_t> shown_at;

    void record(int64_t at) {
        std::lock_guard guard(lock);
        shown_at.push_back(at);
        changed.notify_all();
    }
    std::vector<int64_t> wait_for(size_t count) {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return shown_at.size() >= count; });
        return shown_at;
    }
};

TEST(GifPlayer, FramesStayForTheirDelayAndZeroMeansFiftyMilliseconds) {
    std::atomic<int64_t> virtual_ms{0};
    std::vector<int64_t> steps;
    FrameLog log;
    GifPlayer player(
        animation(4, {0, 3, 1}), 0, [&] { log.record(virtual_ms); },
        [&](std::chrono::milliseconds d) {
            virtual_ms += d.count();
            std::this_thread::yield();
        });
    player.start();
    std::vector<int64_t> times = log.wait_for(5);
    player.stop();
    times.resize(5);
    // delay 0 -> 50 ms, 3 -> 30 ms, 1 -> 10 ms, then the round repeats.
    EXPECT_EQ(times, (std::vector<int64_t>{0, 50, 80, 90, 140}));
}

TEST(GifPlayer, StopWaitsForTheThreadSoTheDataOutlivesIt) {
    std::atomic<bool> released{false};
    std::atomic<int> frames_after_release{0};
    FrameLog log;
    auto player = std::make_unique<GifPlayer>(animation(8, {1, 1}), 0, [&] {
        if (released) ++frames_after_release;
        log.record(0);
    });
    player->start();
    log.wait_for(3);
    player->stop();
    EXPECT_TRUE(player->started());
    released = true;
    player.reset();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(frames_after_release, 0);
}

TEST(GifPlayer, ReadersNeverSeeAHalfDrawnFrame) {
    GifPlayer player(animation(64, {1, 1}), 0, nullptr, [](auto) { std::this_thread::yield(); });
    player.start();
    int torn = 0;
    for (int i = 0; i < 300; ++i) {
        player.with_screen([&](const image::DecodedImage& screen) {
            for (uint32_t p : screen.pixels) {
                if (p != screen.pixels[0]) {
                    ++torn;
                    return;
                }
            }
        });
    }
    player.stop();
    EXPECT_EQ(torn, 0);
}

TEST(GifPlayer, StartsWithTheBackgroundAndStopWithoutStartIsHarmless) {
    image::GifAnimation gif = animation(2, {5});
    gif.frames[0].pixels.assign(4, 0);  // fully transparent frame
    GifPlayer player(std::move(gif), 0x00ABCDEF, nullptr);
    player.stop();
    EXPECT_FALSE(player.started());
    player.with_screen(
        [](const image::DecodedImage& screen) { EXPECT_EQ(screen.at(1, 1), 0xFFABCDEFu); });
}

}  // namespace
}  // namespace qinghe
