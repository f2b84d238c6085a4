// The animations Vestura writes, the bounds of what one may ask for, and the turn each frame
// of a turntable shows. Free of Qt, so vestura-cli's front end checks a command line with
// the same numbers the encoders and the window use.
#pragma once

#include <cstdint>

namespace vestura {

enum class AnimationFormat {
    WebP,  // animated WebP: lossless, or lossy at a quality
    Gif,   // GIF89a with one palette for the whole animation
    Png,   // animated PNG: a plain PNG of the first frame to a reader that knows no APNG
};

// The bounds of a turntable's numbers.
inline constexpr int kMinAnimationFrames = 4;
inline constexpr int kMaxAnimationFrames = 360;
inline constexpr int kDefaultAnimationFrames = 36;
inline constexpr int kMinAnimationFps = 1;
inline constexpr int kMaxAnimationFps = 50;
inline constexpr int kDefaultAnimationFps = 12;
inline constexpr int kMinWebPQuality = 0;
inline constexpr int kMaxWebPQuality = 100;

// Every frame's pixels together, frames x side x side, at most 36 frames at 1024 x 1024:
// what an encoder works through, and so its time, grows with this, and the output of a
// lossless format with it.
inline constexpr int kBudgetFrames = 36;
inline constexpr int kBudgetSide = 1024;
inline constexpr std::int64_t kMaxAnimationPixels =
    std::int64_t{kBudgetFrames} * kBudgetSide * kBudgetSide;

// A lossless WebP's frames are at most this wide and high: libwebp's lossless encoder holds
// some 33 bytes for each pixel of a frame (canvases, hash chains, backward references), so a
// 3072-pixel frame would take over 300 MiB. At 2560 it takes some 220.
inline constexpr int kMaxLosslessWebPSide = 2560;

// True when `frames` square frames of `side` pixels stay within kMaxAnimationPixels.
constexpr bool animationFits(int frames, int side) {
    return std::int64_t{frames} * side * side <= kMaxAnimationPixels;
}

// The largest side `frames` square frames may have within kMaxAnimationPixels (at least 1).
constexpr int largestAnimationSide(int frames) {
    int side = kBudgetSide * 6;  // past the side the fewest frames may have
    while (side > 1 && !animationFits(frames, side)) {
        --side;
    }
    return side;
}
static_assert(!animationFits(kMinAnimationFrames, kBudgetSide * 6));

// The turn of frame `k` of `frames`, starting at `firstYaw` degrees: k x 360 / frames
// further, so the last frame stops one step short of the first and the loop has no stutter.
// Computed in double and rounded once, as `view --yaw` rounds the number it is given.
constexpr float turntableYaw(float firstYaw, int k, int frames) {
    return static_cast<float>(static_cast<double>(firstYaw) + 360.0 * k / frames);
}

}  // namespace vestura
