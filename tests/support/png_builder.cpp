#include "tests/support/png_builder.h"

#include <png.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace vestura::test {

namespace {

void append(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void fail(png_structp, png_const_charp message) {
    throw std::runtime_error(message);
}

// Packs samples of `depth` bits (1 to 16) most significant bit first.
class RowPacker {
public:
    explicit RowPacker(int depth) : depth_(depth) {}
    void add(unsigned sample) {
        if (depth_ == 16) {
            bytes_.push_back(static_cast<png_byte>(sample >> 8));
            bytes_.push_back(static_cast<png_byte>(sample));
            return;
        }
        bits_ = bits_ << depth_ | sample;
        filled_ += depth_;
        if (filled_ == 8) {
            bytes_.push_back(static_cast<png_byte>(bits_));
            bits_ = filled_ = 0;
        }
    }
    std::vector<png_byte> finish() {
        if (filled_ > 0) {
            bytes_.push_back(static_cast<png_byte>(bits_ << (8 - filled_)));
        }
        return std::move(bytes_);
    }

private:
    int depth_;
    unsigned bits_ = 0;
    int filled_ = 0;
    std::vector<png_byte> bytes_;
};

unsigned sample(int value, int depth) {
    return depth == 16 ? static_cast<unsigned>(value) * 257u
                       : static_cast<unsigned>(value) * ((1u << depth) - 1u) / 255u;
}

}  // namespace

Bytes pngFile(const QImage& source, const PngForm& form) {
    const QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> palette;
    if (form.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (std::find(palette.begin(), palette.end(), picture.pixel(x, y)) ==
                    palette.end()) {
                    palette.push_back(picture.pixel(x, y));
                }
            }
        }
    }
    std::vector<std::vector<png_byte>> rows;
    for (int y = 0; y < picture.height(); ++y) {
        RowPacker packer(form.bitDepth);
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            switch (form.colorType) {
                case PNG_COLOR_TYPE_PALETTE:
                    packer.add(static_cast<unsigned>(std::find(palette.begin(), palette.end(), c) -
                                                     palette.begin()));
                    break;
                case PNG_COLOR_TYPE_GRAY_ALPHA:
                    packer.add(sample(qRed(c), form.bitDepth));
                    packer.add(sample(qAlpha(c), form.bitDepth));
                    break;
                case PNG_COLOR_TYPE_GRAY:
                    packer.add(sample(qRed(c), form.bitDepth));
                    break;
                default:
                    for (int v : {qRed(c), qGreen(c), qBlue(c)}) {
                        packer.add(sample(v, form.bitDepth));
                    }
                    if (form.colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
                        packer.add(sample(qAlpha(c), form.bitDepth));
                    }
            }
        }
        rows.push_back(packer.finish());
    }

    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &fail, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, &append, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), form.bitDepth, form.colorType,
                 form.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colors;
    std::vector<png_byte> alphas;
    for (const QRgb c : palette) {
        colors.push_back({static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                          static_cast<png_byte>(qBlue(c))});
        alphas.push_back(static_cast<png_byte>(qAlpha(c)));
    }
    if (!colors.empty()) {
        png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    if (form.transparentColor) {
        const QRgb c = *form.transparentColor;
        png_color_16 key{};
        key.gray = static_cast<png_uint_16>(sample(qRed(c), form.bitDepth));
        key.red = key.gray;
        key.green = static_cast<png_uint_16>(sample(qGreen(c), form.bitDepth));
        key.blue = static_cast<png_uint_16>(sample(qBlue(c), form.bitDepth));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (auto& row : rows) {
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace vestura::test
