#include "skin/colourise.h"

#include <algorithm>
#include <cmath>

namespace vestura {

namespace {

// Lightness is (max + min) / 2 of the channels; its doubled value, max + min, takes the
// 511 values 0..510, so one colour's whole range of results is a table of 511 pixels.
constexpr int kLightnessSteps = 511;

struct HueSaturation {
    double hue = 0;         // in sixths of a turn, 0 <= hue < 6
    double saturation = 0;  // 0..1
};

HueSaturation hueSaturationOf(QRgb colour) {
    const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    const int max = std::max({r, g, b}), min = std::min({r, g, b});
    const int chroma = max - min;
    HueSaturation hs;
    if (chroma == 0) {
        return hs;  // a grey: no hue, no saturation
    }
    const int sum = max + min;
    hs.saturation = static_cast<double>(chroma) / (sum <= 255 ? sum : 510 - sum);
    if (max == r) {
        hs.hue = static_cast<double>(g - b) / chroma;
        if (hs.hue < 0) {
            hs.hue += 6;
        }
    } else if (max == g) {
        hs.hue = static_cast<double>(b - r) / chroma + 2;
    } else {
        hs.hue = static_cast<double>(r - g) / chroma + 4;
    }
    return hs;
}

int channel(double value) {
    return std::clamp(static_cast<int>(std::lround(value * 255)), 0, 255);
}

// The opaque colour of that hue and saturation at lightness doubledLightness / 510.
QRgb fromHsl(const HueSaturation& hs, int doubledLightness) {
    const double lightness = doubledLightness / 510.0;
    const double chroma = (1 - std::abs(2 * lightness - 1)) * hs.saturation;
    const double x = chroma * (1 - std::abs(std::fmod(hs.hue, 2.0) - 1));
    const double m = lightness - chroma / 2;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hs.hue)) {
        case 0: r = chroma, g = x; break;
        case 1: r = x, g = chroma; break;
        case 2: g = chroma, b = x; break;
        case 3: g = x, b = chroma; break;
        case 4: r = x, b = chroma; break;
        default: r = chroma, b = x; break;
    }
    return qRgb(channel(r + m), channel(g + m), channel(b + m));
}

std::array<QRgb, kLightnessSteps> tableFor(QRgb colour) {
    const HueSaturation hs = hueSaturationOf(colour);
    std::array<QRgb, kLightnessSteps> table{};
    for (int l = 0; l < kLightnessSteps; ++l) {
        table[static_cast<std::size_t>(l)] = fromHsl(hs, l);
    }
    return table;
}

int doubledLightness(QRgb pixel) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return std::max({r, g, b}) + std::min({r, g, b});
}

}  // namespace

QRgb colourisedPixel(QRgb pixel, QRgb colour) {
    const QRgb made = fromHsl(hueSaturationOf(colour), doubledLightness(pixel));
    return (made & 0x00FFFFFF) | (pixel & 0xFF000000);
}

void colourise(QImage& image, QRgb colour) {
    Q_ASSERT(image.format() == QImage::Format_ARGB32_Premultiplied);
    const std::array<QRgb, kLightnessSteps> table = tableFor(colour);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = row[x];
            const int alpha = qAlpha(pixel);
            if (alpha == 0) {
                continue;
            }
            const QRgb straight = alpha == 255 ? pixel : qUnpremultiply(pixel);
            const QRgb made = table[static_cast<std::size_t>(doubledLightness(straight))];
            row[x] = alpha == 255 ? made : qPremultiply((made & 0x00FFFFFF) | (pixel & 0xFF000000));
        }
    }
}

}  // namespace vestura
