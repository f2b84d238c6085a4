#include "picture/anim/animation_writer.h"

#include <algorithm>
#include <new>

#include "picture/allocation.h"
#include "picture/anim/frame_walk.h"

namespace vestura {

namespace anim {

FrameWalk::FrameWalk(const AnimationSettings& settings, const FrameSource& source,
                     const AnimationProgress& progress)
    : source_(source),
      progress_(progress),
      total_(settings.frames * framePasses(settings.format)) {}

void FrameWalk::report(int done) {
    if (progress_ && !progress_(done, total_)) {
        throw Stopped{};
    }
}

const QImage& FrameWalk::frame(int k) {
    report(done_);
    frame_ = QImage();  // the last frame's pixels go before the next is made
    frame_ = convertedImage(source_(k), QImage::Format_RGB32);
    ++done_;
    return frame_;
}

void FrameWalk::finish() {
    frame_ = QImage();
    report(total_);
}

std::int64_t frameStart(int k, int fps, int unitsPerSecond) {
    return (std::int64_t{2} * k * unitsPerSecond + fps) / (std::int64_t{2} * fps);
}

namespace {

// The first and one past the last row where the two differ, given how to compare a row.
template <typename RowsDiffer>
std::pair<int, int> changedRows(int height, RowsDiffer rowsDiffer) {
    int top = 0;
    while (top < height && !rowsDiffer(top)) {
        ++top;
    }
    int bottom = height;
    while (bottom > top && !rowsDiffer(bottom - 1)) {
        --bottom;
    }
    return {top, bottom};
}

// The rectangle from the changed rows, narrowed to the changed columns of each row.
template <typename Pixel>
QRect changedIn(const Pixel* before, const Pixel* now, qsizetype stride, QSize size) {
    const auto row = [&](const Pixel* pixels, int y) { return pixels + y * stride; };
    const auto [top, bottom] = changedRows(size.height(), [&](int y) {
        return !std::equal(row(before, y), row(before, y) + size.width(), row(now, y));
    });
    if (top == bottom) {
        return QRect(0, 0, 1, 1);
    }
    int left = size.width(), right = 0;
    for (int y = top; y < bottom; ++y) {
        const Pixel* b = row(before, y);
        const Pixel* n = row(now, y);
        for (int x = 0; x < left; ++x) {
            if (b[x] != n[x]) {
                left = x;
                break;
            }
        }
        for (int x = size.width(); x > std::max(right, left); --x) {
            if (b[x - 1] != n[x - 1]) {
                right = x;
                break;
            }
        }
    }
    return QRect(left, top, std::max(right, left + 1) - left, bottom - top);
}

}  // namespace

QRect changedRect(const QImage& before, const QImage& now) {
    return changedIn(reinterpret_cast<const QRgb*>(before.constBits()),
                     reinterpret_cast<const QRgb*>(now.constBits()),
                     before.bytesPerLine() / qsizetype{sizeof(QRgb)}, now.size());
}

QRect changedRect(std::span<const std::uint8_t> before, std::span<const std::uint8_t> now,
                  QSize size) {
    return changedIn(before.data(), now.data(), size.width(), size);
}

}  // namespace anim

int framePasses(AnimationFormat format) {
    return format == AnimationFormat::Gif ? 2 : 1;
}

std::optional<Bytes> encodeAnimation(const AnimationSettings& settings, const FrameSource& source,
                                     const AnimationProgress& progress) {
    anim::FrameWalk frames(settings, source, progress);
    try {
        Bytes file;
        switch (settings.format) {
            case AnimationFormat::WebP:
                file = anim::encodeWebP(settings, frames);
                break;
            case AnimationFormat::Gif:
                file = anim::encodeGif(settings, frames);
                break;
            case AnimationFormat::Png:
                file = anim::encodeApng(settings, frames);
                break;
        }
        frames.finish();
        return file;
    } catch (const anim::Stopped&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        raiseOutOfMemory();
    }
}

}  // namespace vestura
