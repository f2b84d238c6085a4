// Writing a sequence of pictures as one animation file's bytes: animated WebP, GIF or APNG.
// The pictures come from a source the writer asks for each frame when it needs it, so no
// writer holds the whole sequence: a GIF's one palette is made from a first look at every
// frame, and the frames are asked for again to be written with it.
#pragma once

#include <QImage>
#include <QSize>
#include <functional>
#include <optional>

#include "common/file_io.h"
#include "picture/anim/animation_format.h"

namespace vestura {

struct AnimationSettings {
    AnimationFormat format = AnimationFormat::WebP;
    int frames = kDefaultAnimationFrames;
    int fps = kDefaultAnimationFps;
    QSize size;                        // every frame's size
    std::optional<int> webpQuality;    // WebP only: lossy at this quality; lossless when empty
};

// Frame `k` (0 .. frames - 1), opaque, at the settings' size; the same picture each time the
// same frame is asked for. The picture need stay valid only until the next call.
using FrameSource = std::function<QImage(int k)>;

// Told after every frame looked at or written: `done` of `total` steps. Returning false
// stops the work.
using AnimationProgress = std::function<bool(int done, int total)>;

// How many times the writer of `format` asks for each frame.
int framePasses(AnimationFormat format);

// The animation, looping forever, frame k shown for 1/fps of a second (the formats' own time
// units round each frame's start, not its length, so the whole turn keeps time). Lossless
// WebP and APNG hold every frame's pixels exactly; a GIF shows each pixel as the nearest
// colour of its palette. Empty when `progress` stopped the work. Raises EOutOfResources
// ("Out of memory") when an encoder cannot have the memory it needs.
std::optional<Bytes> encodeAnimation(const AnimationSettings& settings, const FrameSource& source,
                                     const AnimationProgress& progress = {});

}  // namespace vestura
