// GIF through giflib, with one palette for the whole animation. A turntable shows the same
// skin from every side, so one palette made from every frame serves each frame about as
// well as its own would, and a surface keeps its colour as it turns: a palette per frame
// would give the same texel another colour in the next frame, and the picture would
// shimmer. The palette needs every frame seen first, and holding the frames would cost more
// memory than drawing them again: the frames are asked for twice, once for the histogram
// and once to be written. No dithering: a dither pattern crawls over a turning model.
// After the first frame each frame stores only the rectangle that changed, left in place
// over the one before.
#include <gif_lib.h>

#include <array>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/anim/frame_walk.h"
#include "picture/anim/palette.h"

namespace vestura::anim {

namespace {

constexpr int kCentisecondsPerSecond = 100;
constexpr int kColourResolution = 8;
constexpr int kBackgroundIndex = 0;
constexpr int kMinPaletteSize = 2;  // a GIF colour table holds a power of two, 2 at least

[[noreturn]] void raiseEncoderFailure() {
    // Output goes to memory: every failure giflib can meet there is a failed allocation.
    throw EOutOfResources(std::string(msg::kOutOfMemory));
}

void check(int result) {
    if (result == GIF_ERROR) {
        raiseEncoderFailure();
    }
}

int appendBytes(GifFileType* gif, const GifByteType* data, int size) {
    auto* file = static_cast<Bytes*>(gif->UserData);
    try {
        file->insert(file->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        return 0;  // giflib reports a short write as a failure
    }
    return size;
}

struct CloseGif {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
using GifWriter = std::unique_ptr<GifFileType, CloseGif>;

struct FreeColourMap {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// The palette as a colour table, padded to a power of two.
std::unique_ptr<ColorMapObject, FreeColourMap> colourTable(const std::vector<QRgb>& palette) {
    int size = kMinPaletteSize;
    while (size < std::ssize(palette)) {
        size *= 2;
    }
    std::vector<GifColorType> colours(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colours[i] = {static_cast<GifByteType>(qRed(palette[i])),
                      static_cast<GifByteType>(qGreen(palette[i])),
                      static_cast<GifByteType>(qBlue(palette[i]))};
    }
    std::unique_ptr<ColorMapObject, FreeColourMap> map(GifMakeMapObject(size, colours.data()));
    if (!map) {
        raiseEncoderFailure();
    }
    return map;
}

// The NETSCAPE2.0 application block that makes a browser play the frames again and again.
void loopForever(GifFileType* gif) {
    static const char kApplication[] = "NETSCAPE2.0";
    static constexpr std::array<GifByteType, 3> kLoops{1, 0, 0};  // sub-block 1, count 0
    check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
    check(EGifPutExtensionBlock(gif, sizeof(kApplication) - 1, kApplication));
    check(EGifPutExtensionBlock(gif, static_cast<int>(kLoops.size()), kLoops.data()));
    check(EGifPutExtensionTrailer(gif));
}

void putFrameTiming(GifFileType* gif, int centiseconds) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = centiseconds;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    std::array<GifByteType, 4> extension{};
    const auto length = EGifGCBToExtension(&control, extension.data());
    check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                           extension.data()));
}

void putRectangle(GifFileType* gif, std::vector<std::uint8_t>& indices, QSize size, QRect rect) {
    check(EGifPutImageDesc(gif, rect.x(), rect.y(), rect.width(), rect.height(), false, nullptr));
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        check(EGifPutLine(gif, indices.data() + std::size_t(y) * std::size_t(size.width()) +
                                   std::size_t(rect.x()),
                          rect.width()));
    }
}

}  // namespace

Bytes encodeGif(const AnimationSettings& settings, FrameWalk& frames) {
    std::vector<QRgb> palette;
    {
        ColourHistogram histogram;
        for (int k = 0; k < settings.frames; ++k) {
            histogram.add(frames.frame(k));
        }
        palette = medianCutPalette(histogram);
    }
    NearestColour nearest(palette);

    Bytes file;
    int error = 0;
    GifWriter gif(EGifOpen(&file, &appendBytes, &error));
    if (!gif) {
        raiseEncoderFailure();
    }
    EGifSetGifVersion(gif.get(), true);
    const QSize size = settings.size;
    check(EGifPutScreenDesc(gif.get(), size.width(), size.height(), kColourResolution,
                            kBackgroundIndex, colourTable(palette).get()));
    loopForever(gif.get());

    const auto pixels = std::size_t(size.width()) * std::size_t(size.height());
    std::vector<std::uint8_t> indices(pixels), previous(pixels);
    for (int k = 0; k < settings.frames; ++k) {
        const QImage& frame = frames.frame(k);
        for (int y = 0; y < size.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            std::uint8_t* out = indices.data() + std::size_t(y) * std::size_t(size.width());
            for (int x = 0; x < size.width(); ++x) {
                out[x] = nearest.index(row[x]);
            }
        }
        putFrameTiming(gif.get(),
                       static_cast<int>(frameStart(k + 1, settings.fps, kCentisecondsPerSecond) -
                                        frameStart(k, settings.fps, kCentisecondsPerSecond)));
        putRectangle(gif.get(), indices, size,
                     k == 0 ? QRect(QPoint(0, 0), size) : changedRect(previous, indices, size));
        indices.swap(previous);
    }
    // Closing writes the trailer and frees the writer whatever happens.
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) {
        raiseEncoderFailure();
    }
    return file;
}

}  // namespace vestura::anim
