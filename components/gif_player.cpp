#include "components/gif_player.h"

namespace qinghe {

GifPlayer::GifPlayer(image::GifAnimation animation, uint32_t background_argb, FrameShown shown,
                     Sleep sleep)
    : animation_(std::move(animation)),
      canvas_(animation_.width, animation_.height, background_argb | 0xFF000000u),
      shown_(std::move(shown)),
      sleep_(std::move(sleep)) {}

GifPlayer::~GifPlayer() { stop(); }

GifPlayer::Sleep GifPlayer::default_sleep() {
    return [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
}

void GifPlayer::start() {
    if (state_ != State::idle || animation_.frames.empty()) return;
    state_ = State::running;
    thread_ = std::thread([this] { play(); });
}

void GifPlayer::stop() {
    if (!thread_.joinable()) return;
    state_ = State::stop_requested;
    thread_.join();
    state_ = State::stopped;
}

void GifPlayer::with_screen(const std::function<void(const image::DecodedImage&)>& use) const {
    std::lock_guard busy(busy_);
    use(canvas_.image());
}

bool GifPlayer::hold(std::chrono::milliseconds delay) {
    for (auto held = std::chrono::milliseconds(0); held < delay; held += kStep) {
        sleep_(kStep);
        if (state_ == State::stop_requested) return false;
    }
    return true;
}

void GifPlayer::play() {
    for (;;) {
        for (const image::GifFrame& frame : animation_.frames) {
            if (state_ == State::stop_requested) return;
            {
                std::lock_guard busy(busy_);
                canvas_.draw(frame);
            }
            if (shown_) shown_();
            if (!hold(std::chrono::milliseconds(frame.delay_ms()))) return;
        }
    }
}

}  // namespace qinghe
