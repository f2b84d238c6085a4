// Animated WebP through libwebp's animation encoder. Each frame is handed over as it is
// drawn and the encoder keeps only what it needs to compare the next one with, so memory
// holds the encoded frames and a few canvases, never the whole sequence. Lossless frames
// keep every pixel: the encoder may store a frame as the part that changed, blended over
// the one before, which decodes to the same pixels.
#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <string>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/anim/frame_walk.h"

namespace vestura::anim {

namespace {

constexpr int kMillisecondsPerSecond = 1000;
constexpr int kLoopForever = 0;
// Lossless effort (0 to 100) and method (0 to 6). On a turntable of the player model at 512,
// these give a file an eighth smaller than effort 25 and method 1 for 1.6 times the time;
// libwebp's defaults (75 and 4) take five times as long again to save another 2 percent.
constexpr float kLosslessEffort = 50;
constexpr int kLosslessMethod = 2;
// Lossy: libwebp's default method, its own balance of size and time.
constexpr int kLossyMethod = 4;

struct DeleteEncoder {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};
using Encoder = std::unique_ptr<WebPAnimEncoder, DeleteEncoder>;

[[noreturn]] void raiseEncoderFailure() {
    // Every failure the encoder reports for frames within the bounds is a failed allocation.
    throw EOutOfResources(std::string(msg::kOutOfMemory));
}

WebPConfig frameConfig(const AnimationSettings& settings) {
    WebPConfig config;
    if (!WebPConfigInit(&config)) {
        raiseEncoderFailure();
    }
    if (settings.webpQuality) {
        config.lossless = 0;
        config.quality = static_cast<float>(*settings.webpQuality);
        config.method = kLossyMethod;
    } else {
        config.lossless = 1;
        config.quality = kLosslessEffort;
        config.method = kLosslessMethod;
        config.exact = 1;  // the colour under a see-through pixel of a part frame is kept too
    }
    return config;
}

Encoder newEncoder(const AnimationSettings& settings) {
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) {
        raiseEncoderFailure();
    }
    options.anim_params.loop_count = kLoopForever;
    options.allow_mixed = 0;  // lossless means every frame lossless
    Encoder encoder(
        WebPAnimEncoderNew(settings.size.width(), settings.size.height(), &options));
    if (!encoder) {
        raiseEncoderFailure();
    }
    return encoder;
}

// The frame's pixels as the encoder reads them: QImage's RGB32 words are WebP's ARGB words,
// so the picture points at them rather than copying (the encoder copies what it keeps).
void addFrame(WebPAnimEncoder* encoder, const QImage& frame, int timestamp,
              const WebPConfig& config) {
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
        raiseEncoderFailure();
    }
    picture.use_argb = 1;
    picture.width = frame.width();
    picture.height = frame.height();
    picture.argb = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(frame.constBits()));
    picture.argb_stride = static_cast<int>(frame.bytesPerLine() / 4);
    const bool added = WebPAnimEncoderAdd(encoder, &picture, timestamp, &config) != 0;
    WebPPictureFree(&picture);  // frees only what the encoder allocated in it, never our pixels
    if (!added) {
        raiseEncoderFailure();
    }
}

}  // namespace

Bytes encodeWebP(const AnimationSettings& settings, FrameWalk& frames) {
    const WebPConfig config = frameConfig(settings);
    const Encoder encoder = newEncoder(settings);
    const auto timestamp = [&](int k) {
        return static_cast<int>(frameStart(k, settings.fps, kMillisecondsPerSecond));
    };
    for (int k = 0; k < settings.frames; ++k) {
        addFrame(encoder.get(), frames.frame(k), timestamp(k), config);
    }
    // The end of the last frame, which gives its length.
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp(settings.frames), nullptr)) {
        raiseEncoderFailure();
    }
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(encoder.get(), &data)) {
        raiseEncoderFailure();
    }
    const std::unique_ptr<WebPData, void (*)(WebPData*)> owned(&data, WebPDataClear);
    return Bytes(data.bytes, data.bytes + data.size);
}

}  // namespace vestura::anim
