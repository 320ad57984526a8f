// Playback of an animated GIF on a thread of its own. The thread draws the
// frames in order onto an off-screen image of the logical screen (first
// filled with the background colour), tells its owner after each frame, and
// keeps each frame for its delay (50 ms when the delay is 0), sleeping in
// 10 ms steps and checking for a stop request after each step. The round of
// frames repeats for ever.
//
// Stopping sets a stop request and waits until the thread has finished, so
// the animation data outlives every use the thread makes of it. Drawing a
// frame and reading the off-screen image never overlap (the busy lock).
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "components/image/decoded_image.h"
#include "components/image/gif_canvas.h"
#include "components/image/gif_reader.h"

namespace qinghe {

class GifPlayer {
public:
    using Sleep = std::function<void(std::chrono::milliseconds)>;
    // Called on the playback thread after each frame is drawn; must not
    // wait for the thread that stops the player.
    using FrameShown = std::function<void()>;

    static constexpr std::chrono::milliseconds kStep{10};

    GifPlayer(image::GifAnimation animation, uint32_t background_argb, FrameShown shown,
              Sleep sleep = default_sleep());
    ~GifPlayer();
    GifPlayer(const GifPlayer&) = delete;
    GifPlayer& operator=(const GifPlayer&) = delete;

    // Starts the thread; does nothing when it has been started before.
    void start();
    // Requests a stop and waits for the thread to finish. Idempotent.
    void stop();
    bool started() const { return state_ != State::idle; }

    int32_t width() const { return animation_.width; }
    int32_t height() const { return animation_.height; }
    // Runs `use` on the off-screen image while no frame is being drawn.
    void with_screen(const std::function<void(const image::DecodedImage&)>& use) const;

    static Sleep default_sleep();

private:
    enum class State { idle, running, stop_requested, stopped };

    void play();
    // Keeps the current frame; false when a stop was requested meanwhile.
    bool hold(std::chrono::milliseconds delay);

    image::GifAnimation animation_;
    image::GifCanvas canvas_;
    FrameShown shown_;
    Sleep sleep_;
    mutable std::mutex busy_;
    std::atomic<State> state_{State::idle};
    std::thread thread_;
};

}  // namespace qinghe
