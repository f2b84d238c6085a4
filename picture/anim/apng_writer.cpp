// Animated PNG. libpng writes no APNG, so each frame (or the rectangle of it that changed)
// is written as a PNG of its own by the same encoder as the 3D view's pictures, and its
// compressed data is moved into the animation:
//   signature, IHDR, acTL (frame count, loop forever),
//   fcTL 0, IDAT...        frame 0 at full size: also the picture of a reader without APNG
//   fcTL n, fdAT n+1...    each later frame: its rectangle and timing, then its data, each
//                          fdAT the IDAT's payload after a sequence number
//   IEND
// fcTL and fdAT chunks share one sequence counter from 0. Each later frame replaces its
// rectangle (blend "source") and stays in place for the next (dispose "none"); every chunk
// carries the CRC of its type and data.
#include <zlib.h>

#include <array>
#include <cstring>
#include <string_view>

#include "picture/allocation.h"
#include "picture/anim/frame_walk.h"
#include "picture/png/png_writer.h"

namespace vestura::anim {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkHeader = 8;  // length, type
constexpr std::size_t kCrcBytes = 4;
constexpr std::uint32_t kLoopForever = 0;
constexpr std::uint8_t kDisposeNone = 0;
constexpr std::uint8_t kBlendSource = 0;

void putUint32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void putUint16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

std::uint32_t readUint32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

// Appends one chunk: its length, type, `head` then `data` as its payload, and the CRC.
void putChunk(Bytes& out, std::string_view type, ByteView head, ByteView data = {}) {
    putUint32(out, static_cast<std::uint32_t>(head.size() + data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), data.begin(), data.end());
    const auto crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    putUint32(out, static_cast<std::uint32_t>(crc));
}

// The payloads of the chunks of one type in a PNG our own encoder wrote.
std::vector<ByteView> payloadsOf(const Bytes& png, std::string_view type) {
    std::vector<ByteView> payloads;
    for (std::size_t at = kSignature.size(); at + kChunkHeader <= png.size();) {
        const std::uint32_t length = readUint32(png.data() + at);
        const ByteView payload(png.data() + at + kChunkHeader, length);
        if (std::memcmp(png.data() + at + 4, type.data(), 4) == 0) {
            payloads.push_back(payload);
        }
        at += kChunkHeader + length + kCrcBytes;
    }
    return payloads;
}

Bytes frameControl(std::uint32_t sequence, QRect rect, int fps) {
    Bytes control;
    putUint32(control, sequence);
    putUint32(control, static_cast<std::uint32_t>(rect.width()));
    putUint32(control, static_cast<std::uint32_t>(rect.height()));
    putUint32(control, static_cast<std::uint32_t>(rect.x()));
    putUint32(control, static_cast<std::uint32_t>(rect.y()));
    putUint16(control, 1);  // each frame lasts 1 / fps of a second
    putUint16(control, static_cast<std::uint16_t>(fps));
    control.push_back(kDisposeNone);
    control.push_back(kBlendSource);
    return control;
}

}  // namespace

Bytes encodeApng(const AnimationSettings& settings, FrameWalk& frames) {
    Bytes file(kSignature.begin(), kSignature.end());
    std::uint32_t sequence = 0;
    QImage previous;
    for (int k = 0; k < settings.frames; ++k) {
        const QImage& frame = frames.frame(k);
        const QRect rect = k == 0 ? frame.rect() : changedRect(previous, frame);
        const Bytes png = encodePng(rect == frame.rect()
                                        ? frame
                                        : requirePixels(frame.copy(rect), rect.size()));
        if (k == 0) {
            putChunk(file, "IHDR", payloadsOf(png, "IHDR").at(0));
            Bytes animation;
            putUint32(animation, static_cast<std::uint32_t>(settings.frames));
            putUint32(animation, kLoopForever);
            putChunk(file, "acTL", animation);
        }
        putChunk(file, "fcTL", frameControl(sequence++, rect, settings.fps));
        for (const ByteView data : payloadsOf(png, "IDAT")) {
            if (k == 0) {
                putChunk(file, "IDAT", data);
            } else {
                Bytes number;
                putUint32(number, sequence++);
                putChunk(file, "fdAT", number, data);
            }
        }
        previous = requirePixels(frame.copy(), frame.size());
    }
    putChunk(file, "IEND", {});
    return file;
}

}  // namespace vestura::anim
