// The pens, brushes, colours and DIB pictures that metafile records describe, as Qt objects.
#include <cmath>

#include "common/errors.h"
#include "picture/bmp/bmp_reader.h"
#include "picture/metafile/metafile_players.h"
#include "picture/metafile/metafile_record.h"

namespace vestura {

QColor colorFromRef(std::uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>(colorRef >> 8 & 0xFF),
                  static_cast<int>(colorRef >> 16 & 0xFF));
}

QPen penFromStyle(std::uint32_t style, double width, QColor color) {
    enum : std::uint32_t {
        kDash = 1,
        kDot,
        kDashDot,
        kDashDotDot,
        kNull,
        kInsideFrame,
        kUser,
        kAlternate
    };
    constexpr std::uint32_t kStyleMask = 0xF, kCapMask = 0xF00, kJoinMask = 0xF000;
    constexpr std::uint32_t kCapSquare = 0x100, kCapFlat = 0x200;
    constexpr std::uint32_t kJoinBevel = 0x1000, kJoinMiter = 0x2000;
    QPen pen(color, std::max(width, 0.0));
    switch (style & kStyleMask) {
        case kDash:
            pen.setStyle(Qt::DashLine);
            break;
        case kDot:
        case kAlternate:
            pen.setStyle(Qt::DotLine);
            break;
        case kDashDot:
            pen.setStyle(Qt::DashDotLine);
            break;
        case kDashDotDot:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        case kNull:
            return QPen(Qt::NoPen);
        default:
            break;  // solid, inside-frame and user styles draw solid
    }
    const std::uint32_t cap = style & kCapMask;
    pen.setCapStyle(cap == kCapSquare ? Qt::SquareCap
                    : cap == kCapFlat ? Qt::FlatCap
                                      : Qt::RoundCap);
    const std::uint32_t join = style & kJoinMask;
    pen.setJoinStyle(join == kJoinBevel   ? Qt::BevelJoin
                     : join == kJoinMiter ? Qt::MiterJoin
                                          : Qt::RoundJoin);
    return pen;
}

QBrush brushFromStyle(std::uint32_t style, QColor color, std::uint32_t hatch) {
    enum : std::uint32_t { kSolid, kNull, kHatched };
    constexpr Qt::BrushStyle kHatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                           Qt::FDiagPattern, Qt::BDiagPattern,
                                           Qt::CrossPattern, Qt::DiagCrossPattern};
    switch (style) {
        case kSolid:
            return QBrush(color);
        case kNull:
            return QBrush(Qt::NoBrush);
        case kHatched:
            return hatch < std::size(kHatches) ? QBrush(color, kHatches[hatch]) : QBrush(color);
        default:
            return patternBrush();
    }
}

QBrush patternBrush() {
    constexpr int kPatternGrey = 0x80;
    return QBrush(QColor(kPatternGrey, kPatternGrey, kPatternGrey));
}

QString ansiString(std::span<const std::uint8_t> bytes) {
    // Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five holes stay as they are.
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    constexpr std::uint8_t kFirstHigh = 0x80, kLastHigh = 0x9F;
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::uint8_t byte : bytes) {
        text.append(byte >= kFirstHigh && byte <= kLastHigh
                        ? QChar(kHighControls[byte - kFirstHigh])
                        : QChar(byte));
    }
    return text;
}

namespace {

// The pixel count the DIB's header declares, read before anything is decoded.
double dibPixels(std::span<const std::uint8_t> dib) {
    constexpr std::uint32_t kCoreHeaderSize = 12;
    const RecordView header(dib);
    if (header.u32(0) == kCoreHeaderSize) {
        return static_cast<double>(header.u16(4)) * header.u16(6);
    }
    return std::abs(static_cast<double>(header.i32(4))) *
           std::abs(static_cast<double>(header.i32(8)));
}

bool dibBottomUp(std::span<const std::uint8_t> dib) {
    constexpr std::uint32_t kCoreHeaderSize = 12;
    constexpr std::size_t kHeightOffset = 8;
    const RecordView header(dib);
    return header.u32(0) == kCoreHeaderSize || header.i32(kHeightOffset) > 0;
}

}  // namespace

void drawDib(MetafileDc& dc, std::span<const std::uint8_t> dib, const QRectF& dest,
             const QRectF& source, std::uint32_t rasterOp) {
    // Decoding and drawing are paid for before either starts.
    if (!dc.spendOnBitmap(dibPixels(dib), dest)) {
        return;
    }
    QImage image;
    try {
        image = readDib(dib, 0, nullptr).image;
    } catch (const Exception&) {
        return;  // a damaged picture record draws nothing
    }
    if (image.isNull()) {
        return;
    }
    QRectF from = source;
    if (dibBottomUp(dib)) {
        from.moveTop(image.height() - source.y() - source.height());
    }
    dc.image(dest, image, from, rasterOp);
}

}  // namespace vestura
