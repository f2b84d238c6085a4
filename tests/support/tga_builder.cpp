#include "tests/support/tga_builder.h"

#include <algorithm>
#include <vector>

#include "tests/support/le_writer.h"

namespace vestura::test {

namespace {

void putColor(LeWriter& out, QRgb c, int bits) {
    switch (bits) {
        case 15:
        case 16:
            out.u16(static_cast<std::uint32_t>((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 |
                                               qBlue(c) >> 3 | (qAlpha(c) >= 128 ? 0x8000 : 0)));
            break;
        case 24:
            out.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c));
            break;
        default:
            out.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(qAlpha(c));
    }
}

// Run-length packets over one sequence of stored pixel values, runs of equal values packed.
Bytes runLength(const std::vector<Bytes>& pixels) {
    constexpr std::size_t kMaxPacket = 128;
    Bytes out;
    std::size_t i = 0;
    while (i < pixels.size()) {
        std::size_t run = 1;
        while (i + run < pixels.size() && run < kMaxPacket && pixels[i + run] == pixels[i]) {
            ++run;
        }
        if (run > 1) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < pixels.size() && raw < kMaxPacket &&
               (i + raw + 1 >= pixels.size() || pixels[i + raw] != pixels[i + raw + 1])) {
            ++raw;
        }
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        for (std::size_t k = 0; k < raw; ++k) {
            out.insert(out.end(), pixels[i + k].begin(), pixels[i + k].end());
        }
        i += raw;
    }
    return out;
}

}  // namespace

Bytes tgaFile(const QImage& source, const TgaForm& form) {
    const QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> map;
    std::vector<Bytes> pixels;
    for (int row = 0; row < picture.height(); ++row) {
        const int y = form.topDown ? row : picture.height() - 1 - row;
        for (int column = 0; column < picture.width(); ++column) {
            const int x = form.rightToLeft ? picture.width() - 1 - column : column;
            const QRgb c = picture.pixel(x, y);
            LeWriter value;
            if (form.imageType == 1) {
                auto found = std::find(map.begin(), map.end(), c);
                if (found == map.end()) {
                    found = map.insert(map.end(), c);
                }
                value.u8(static_cast<std::uint32_t>(found - map.begin()));
            } else if (form.imageType == 3) {
                value.u8(qRed(c));
                if (form.pixelBits == 16) {
                    value.u8(qAlpha(c));
                }
            } else {
                putColor(value, c, form.pixelBits);
            }
            pixels.push_back(value.result());
        }
    }
    LeWriter out;
    const bool mapped = form.imageType == 1;
    out.u8(0).u8(mapped ? 1 : 0).u8(form.imageType | (form.runLength ? 8 : 0));
    out.u16(0)
        .u16(mapped ? static_cast<std::uint32_t>(map.size()) : 0)
        .u8(mapped ? form.mapEntryBits : 0);
    out.u16(0).u16(0).u16(picture.width()).u16(picture.height()).u8(form.pixelBits);
    out.u8(form.alphaBits | (form.rightToLeft ? 0x10 : 0) | (form.topDown ? 0x20 : 0));
    for (const QRgb c : map) {
        putColor(out, c, form.mapEntryBits);
    }
    if (form.runLength) {
        out.bytes(runLength(pixels));
    } else {
        for (const Bytes& p : pixels) {
            out.bytes(p);
        }
    }
    return out.result();
}

}  // namespace vestura::test
