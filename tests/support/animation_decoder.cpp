#include "tests/support/animation_decoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <webp/demux.h>
#include <zlib.h>

#include <QPainter>
#include <cstring>
#include <map>

#include "tests/support/temp_folder.h"

namespace vestura::test {

DecodedAnimation decodeWebP(const Bytes& file) {
    DecodedAnimation decoded;
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;  // QImage's ARGB32 in memory on a little-endian machine
    const WebPData data{file.data(), file.size()};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (decoder == nullptr) {
        ADD_FAILURE() << "not an animated WebP";
        return decoded;
    }
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    decoded.loops = static_cast<int>(info.loop_count);
    int lastMs = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        std::uint8_t* pixels = nullptr;
        int timestampMs = 0;  // when the frame ends
        if (!WebPAnimDecoderGetNext(decoder, &pixels, &timestampMs)) {
            ADD_FAILURE() << "WebP frame " << decoded.frames.size() << " does not decode";
            break;
        }
        const QImage canvas(pixels, static_cast<int>(info.canvas_width),
                            static_cast<int>(info.canvas_height), QImage::Format_ARGB32);
        decoded.frames.push_back(canvas.convertToFormat(QImage::Format_RGB32));
        decoded.seconds.push_back((timestampMs - lastMs) / 1000.0);
        lastMs = timestampMs;
    }
    WebPAnimDecoderDelete(decoder);
    return decoded;
}

namespace {

struct Reading {
    const Bytes* file;
    std::size_t at = 0;
};

int readGif(GifFileType* gif, GifByteType* into, int count) {
    auto* reading = static_cast<Reading*>(gif->UserData);
    const std::size_t n =
        std::min(static_cast<std::size_t>(count), reading->file->size() - reading->at);
    std::memcpy(into, reading->file->data() + reading->at, n);
    reading->at += n;
    return static_cast<int>(n);
}

// The loop count of a NETSCAPE2.0 application block among the extension blocks.
int loopsIn(const ExtensionBlock* blocks, int count) {
    for (int i = 0; i + 1 < count; ++i) {
        if (blocks[i].Function == APPLICATION_EXT_FUNC_CODE && blocks[i].ByteCount == 11 &&
            std::memcmp(blocks[i].Bytes, "NETSCAPE2.0", 11) == 0 && blocks[i + 1].ByteCount == 3 &&
            blocks[i + 1].Bytes[0] == 1) {
            return blocks[i + 1].Bytes[1] | blocks[i + 1].Bytes[2] << 8;
        }
    }
    return -1;
}

}  // namespace

DecodedAnimation decodeGif(const Bytes& file) {
    DecodedAnimation decoded;
    Reading reading{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(&reading, &readGif, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "not a GIF: error " << (gif != nullptr ? gif->Error : error);
        DGifCloseFile(gif, &error);
        return decoded;
    }
    const ColorMapObject* map = gif->SColorMap;
    if (map == nullptr) {
        ADD_FAILURE() << "no global colour table";
        DGifCloseFile(gif, &error);
        return decoded;
    }
    for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType c = map->Colors[i];
        decoded.palette.push_back(qRgb(c.Red, c.Green, c.Blue));
    }
    QImage canvas(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
    canvas.fill(decoded.palette.at(static_cast<std::size_t>(gif->SBackGroundColor)));
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        if (k == 0) {
            decoded.loops = loopsIn(image.ExtensionBlocks, image.ExtensionBlockCount);
        }
        EXPECT_EQ(image.ImageDesc.ColorMap, nullptr) << "frame " << k << " has its own colours";
        const GifImageDesc& d = image.ImageDesc;
        decoded.rectangles.emplace_back(d.Left, d.Top, d.Width, d.Height);
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                canvas.setPixel(d.Left + x, d.Top + y,
                                decoded.palette.at(image.RasterBits[y * d.Width + x]));
            }
        }
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, k, &control);
        EXPECT_EQ(control.DisposalMode, DISPOSE_DO_NOT);
        decoded.seconds.push_back(control.DelayTime / 100.0);
        decoded.frames.push_back(canvas.copy());
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

namespace {

std::uint32_t bigEndian(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

void putChunk(Bytes& out, const char* type, const std::uint8_t* data, std::size_t size) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(size >> shift));
    }
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    const auto crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
}

struct ApngFrame {
    QRect rect;
    double seconds = 0;
    Bytes data;  // the frame's zlib stream
};

}  // namespace

DecodedAnimation decodeApng(const Bytes& file) {
    DecodedAnimation decoded;
    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature.begin(), signature.end(), file.begin())) {
        ADD_FAILURE() << "no PNG signature";
        return decoded;
    }
    Bytes header;
    std::vector<ApngFrame> frames;
    int declaredFrames = -1;
    std::uint32_t sequence = 0;
    std::vector<std::string> order;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t length = bigEndian(&file[at]);
        if (at + 12 + length > file.size()) {
            ADD_FAILURE() << "a chunk runs past the end";
            return decoded;
        }
        const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const std::uint8_t* data = &file[at + 8];
        EXPECT_EQ(bigEndian(data + length), crc32(0, &file[at + 4], length + 4)) << type;
        order.push_back(type);
        if (type == "IHDR") {
            header.assign(data, data + length);
        } else if (type == "acTL") {
            declaredFrames = static_cast<int>(bigEndian(data));
            decoded.loops = static_cast<int>(bigEndian(data + 4));
        } else if (type == "fcTL" || type == "fdAT") {
            EXPECT_EQ(bigEndian(data), sequence++) << type << " out of sequence";
        }
        if (type == "fcTL") {
            const int numerator = data[20] << 8 | data[21], denominator = data[22] << 8 | data[23];
            EXPECT_EQ(data[24], 0) << "dispose";
            EXPECT_EQ(data[25], 0) << "blend";
            frames.push_back({QRect(static_cast<int>(bigEndian(data + 12)),
                                    static_cast<int>(bigEndian(data + 16)),
                                    static_cast<int>(bigEndian(data + 4)),
                                    static_cast<int>(bigEndian(data + 8))),
                              double(numerator) / (denominator == 0 ? 100 : denominator),
                              {}});
        } else if (type == "IDAT" && !frames.empty()) {
            EXPECT_EQ(frames.size(), 1U) << "IDAT after a later frame";
            frames.back().data.insert(frames.back().data.end(), data, data + length);
        } else if (type == "fdAT" && !frames.empty()) {
            frames.back().data.insert(frames.back().data.end(), data + 4, data + length);
        }
        at += 12 + length;
    }
    EXPECT_EQ(order.front(), "IHDR");
    EXPECT_EQ(order.back(), "IEND");
    EXPECT_EQ(declaredFrames, static_cast<int>(frames.size()));
    if (header.size() != 13) {
        ADD_FAILURE() << "no IHDR";
        return decoded;
    }
    QImage canvas(static_cast<int>(bigEndian(header.data())),
                  static_cast<int>(bigEndian(header.data() + 4)), QImage::Format_RGB32);
    for (const ApngFrame& frame : frames) {
        // The frame as a PNG of its own: the header at the frame's size, then its data.
        Bytes ownHeader = header;
        for (int i = 0; i < 4; ++i) {
            ownHeader[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(frame.rect.width() >> (24 - 8 * i));
            ownHeader[static_cast<std::size_t>(4 + i)] =
                static_cast<std::uint8_t>(frame.rect.height() >> (24 - 8 * i));
        }
        Bytes png = signature;
        putChunk(png, "IHDR", ownHeader.data(), ownHeader.size());
        putChunk(png, "IDAT", frame.data.data(), frame.data.size());
        putChunk(png, "IEND", nullptr, 0);
        const QImage part = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
        if (part.isNull()) {
            ADD_FAILURE() << "APNG frame " << decoded.frames.size() << " does not decode";
            break;
        }
        QPainter(&canvas).drawImage(frame.rect.topLeft(), part);
        decoded.rectangles.push_back(frame.rect);
        decoded.seconds.push_back(frame.seconds);
        decoded.frames.push_back(canvas.copy());
    }
    return decoded;
}

DecodedAnimation decodeAnimationFile(const std::string& path) {
    const std::string text = readFile(path);
    const Bytes file(text.begin(), text.end());
    const QString name = QString::fromStdString(path).toLower();
    if (name.endsWith(QStringLiteral(".webp"))) {
        return decodeWebP(file);
    }
    if (name.endsWith(QStringLiteral(".gif"))) {
        return decodeGif(file);
    }
    return decodeApng(file);
}

}  // namespace vestura::test
