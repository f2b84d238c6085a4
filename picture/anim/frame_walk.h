// What the three animation writers share: walking through the frames with progress and a
// way to stop, the start of each frame in a format's time units, and the part of a frame
// that differs from the one before.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <span>

#include "picture/anim/animation_writer.h"

namespace vestura::anim {

// Raised inside a writer when the progress callback asks it to stop; encodeAnimation turns
// it into an empty result.
struct Stopped {};

// Hands the writer each frame as opaque 32-bit pixels (QImage::Format_RGB32), counting the
// steps for the progress callback.
class FrameWalk {
public:
    FrameWalk(const AnimationSettings& settings, const FrameSource& source,
              const AnimationProgress& progress);

    // Frame k, valid until the next call. Raises Stopped when the callback says stop, and
    // EOutOfResources when the frame cannot be converted.
    const QImage& frame(int k);
    // Tells the callback that every step is done; raises Stopped when it says stop.
    void finish();

private:
    void report(int done);

    const FrameSource& source_;
    const AnimationProgress& progress_;
    int done_ = 0;
    int total_;
    QImage frame_;
};

// When frame k starts, in units of 1/unitsPerSecond of a second, rounded to the nearest.
std::int64_t frameStart(int k, int fps, int unitsPerSecond);

// The smallest rectangle holding every pixel where `now` differs from `before` (both the
// same size); one pixel at the origin when none does, as no format stores an empty frame.
QRect changedRect(const QImage& before, const QImage& now);
QRect changedRect(std::span<const std::uint8_t> before, std::span<const std::uint8_t> now,
                  QSize size);

// The writers, each through the frames as often as framePasses() says.
Bytes encodeWebP(const AnimationSettings& settings, FrameWalk& frames);
Bytes encodeGif(const AnimationSettings& settings, FrameWalk& frames);
Bytes encodeApng(const AnimationSettings& settings, FrameWalk& frames);

}  // namespace vestura::anim
