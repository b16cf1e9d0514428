#pragma once
// CCDDBTrackPosition: where a track (or the lead-out) starts on an audio CD,
// in minutes, seconds and frames (75 frames make a second).

#include <cstdint>

class CCDDBTrackPosition {
public:
    static constexpr int32_t kFramesPerSecond = 75;

    CCDDBTrackPosition() = default;
    CCDDBTrackPosition(int32_t minute, int32_t second, int32_t frame)
        : minute_(minute), second_(second), frame_(frame) {}
    // The position of an absolute frame number (75 frames a second).
    static CCDDBTrackPosition FromFrames(uint32_t frames) {
        return CCDDBTrackPosition(static_cast<int32_t>(frames / (60 * kFramesPerSecond)),
                                  static_cast<int32_t>((frames / kFramesPerSecond) % 60),
                                  static_cast<int32_t>(frames % kFramesPerSecond));
    }

    int32_t GetMinute() const { return minute_; }
    void SetMinute(int32_t minute) { minute_ = minute; }
    int32_t GetSecond() const { return second_; }
    void SetSecond(int32_t second) { second_ = second; }
    int32_t GetFrame() const { return frame_; }
    void SetFrame(int32_t frame) { frame_ = frame; }

    // Whole seconds from the start of the disc, as the disc identifier counts.
    int64_t Seconds() const { return int64_t{minute_} * 60 + second_; }
    // Absolute frame number, as queries send it.
    int64_t Frames() const {
        return int64_t{minute_} * 60 * kFramesPerSecond + int64_t{second_} * kFramesPerSecond +
               frame_;
    }

private:
    int32_t minute_ = 0;
    int32_t second_ = 0;
    int32_t frame_ = 0;
};
