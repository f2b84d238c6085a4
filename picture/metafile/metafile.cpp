#include "picture/metafile/metafile.h"

#include <QPainter>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/display.h"
#include "picture/limits.h"
#include "picture/metafile/metafile_players.h"
#include "picture/metafile/metafile_record.h"

namespace vestura {

namespace {

constexpr std::size_t kEnhancedMinimumBytes = 101;  // "more than 100 bytes"
constexpr std::uint32_t kEnhancedHeaderType = 1;
constexpr std::size_t kEnhancedSignatureAt = 40;
constexpr std::uint32_t kEnhancedSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kEnhancedHeaderMinimumBytes = 88;

constexpr std::size_t kPlaceableBytes = 22;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableChecksumWords = 10;
constexpr std::int64_t kHundredthsMmPerInch = 2540;
constexpr std::int64_t kDefaultUnitsPerInch = 96;
constexpr double kMmPerInch = 25.4;

[[noreturn]] void invalid() {
    throw EInvalidGraphic(std::string(msg::kMetafileInvalid));
}

// value * numerator / denominator, rounded to the nearest whole number (halves away from
// zero), in 64 bits. A header whose product does not fit 64 bits is not a valid one.
std::int64_t mulDiv(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(value, numerator, &product) || product > INT64_MAX / 2 ||
        product < INT64_MIN / 2) {
        invalid();
    }
    const std::int64_t half = denominator / 2;
    return (product >= 0 ? product + half : product - half) / denominator;
}

// A picture dimension must be one a slot can take: 0 up to the decoders' largest.
int checkedPixels(std::int64_t pixels) {
    if (pixels < 0 || pixels > limits::kMaxDimension) {
        invalid();
    }
    return static_cast<int>(pixels);
}

// The picture is drawn onto a 32-bit canvas of its own size: that canvas must fit the
// budget.
void checkCanvas(int width, int height) {
    if (!limits::fits(width, height, 0)) {
        invalid();
    }
}

}  // namespace

void TMetafile::refuseOversizedFile() const {
    invalid();
}

void TMetafile::loadFromBytes(std::span<const std::uint8_t> file) {
    const RecordView data(file);
    if (file.size() >= kEnhancedMinimumBytes && data.u32(0) == kEnhancedHeaderType &&
        data.u32(kEnhancedSignatureAt) == kEnhancedSignature) {
        loadEnhanced(file);
    } else {
        loadPlaceable(file);
    }
    data_.assign(file.begin(), file.end());
}

// The EMF header: bounds, frame (0.01 mm), signature, ..., reference device size in pixels
// and in millimetres.
void TMetafile::loadEnhanced(std::span<const std::uint8_t> file) {
    constexpr std::size_t kFrameAt = 24, kDevicePixelsAt = 72, kDeviceMmAt = 80;
    const RecordView header(file);
    const std::uint32_t headerSize = header.u32(4);
    const std::int64_t devicePx[] = {header.i32(kDevicePixelsAt), header.i32(kDevicePixelsAt + 4)};
    const std::int64_t deviceMm[] = {header.i32(kDeviceMmAt), header.i32(kDeviceMmAt + 4)};
    const std::int64_t left = header.i32(kFrameAt), top = header.i32(kFrameAt + 4);
    const std::int64_t right = header.i32(kFrameAt + 8), bottom = header.i32(kFrameAt + 12);
    if (headerSize < kEnhancedHeaderMinimumBytes || headerSize > file.size() || devicePx[0] <= 0 ||
        devicePx[1] <= 0 || deviceMm[0] <= 0 || deviceMm[1] <= 0 || right < left || bottom < top) {
        invalid();
    }
    mmWidth_ = static_cast<int>(std::min<std::int64_t>(right - left, INT32_MAX));
    mmHeight_ = static_cast<int>(std::min<std::int64_t>(bottom - top, INT32_MAX));
    width_ = checkedPixels(mulDiv(right - left, devicePx[0], deviceMm[0] * 100));
    height_ = checkedPixels(mulDiv(bottom - top, devicePx[1], deviceMm[1] * 100));
    checkCanvas(width_, height_);

    const double perMmX = static_cast<double>(devicePx[0]) / static_cast<double>(deviceMm[0]);
    const double perMmY = static_cast<double>(devicePx[1]) / static_cast<double>(deviceMm[1]);
    constexpr double kHundredths = 100;
    device_.frame = QRectF(QPointF(left * perMmX / kHundredths, top * perMmY / kHundredths),
                           QPointF(right * perMmX / kHundredths, bottom * perMmY / kHundredths));
    device_.unitsPerMmX = perMmX;
    device_.unitsPerMmY = perMmY;
    device_.initialMode = MapMode::Text;
    enhanced_ = true;
}

// The placeable header: key, handle, bounding box (left, top, right, bottom), units per
// inch, reserved, checksum; the standard WMF header follows it.
void TMetafile::loadPlaceable(std::span<const std::uint8_t> file) {
    constexpr std::size_t kBoxAt = 6, kUnitsAt = 14, kChecksumAt = 20;
    const RecordView header(file);
    if (!header.has(0, kPlaceableBytes) || header.u32(0) != kPlaceableKey) {
        invalid();
    }
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < kPlaceableChecksumWords; ++i) {
        checksum ^= header.u16(i * 2);
    }
    if (checksum != header.u16(kChecksumAt) || !wmfHeaderValid(file.subspan(kPlaceableBytes))) {
        invalid();
    }
    const std::int64_t left = header.i16(kBoxAt), top = header.i16(kBoxAt + 2);
    const std::int64_t right = header.i16(kBoxAt + 4), bottom = header.i16(kBoxAt + 6);
    const std::int64_t unitsPerInch = header.u16(kUnitsAt);
    if (right < left || bottom < top) {
        invalid();
    }
    const std::int64_t perInch = unitsPerInch != 0 ? unitsPerInch : kDefaultUnitsPerInch;
    const std::int64_t mmWidth = mulDiv(right - left, kHundredthsMmPerInch, perInch);
    const std::int64_t mmHeight = mulDiv(bottom - top, kHundredthsMmPerInch, perInch);
    mmWidth_ = static_cast<int>(mmWidth);
    mmHeight_ = static_cast<int>(mmHeight);
    if (unitsPerInch != 0) {
        const std::int64_t dpi = display().logicalDpiY;
        width_ = checkedPixels(mulDiv(mmWidth, dpi, kHundredthsMmPerInch));
        height_ = checkedPixels(mulDiv(mmHeight, dpi, kHundredthsMmPerInch));
    } else {
        width_ = checkedPixels(
            mulDiv(mmWidth, kReferenceDeviceWidthPx, kReferenceDeviceWidthMm * 100LL));
        height_ = checkedPixels(
            mulDiv(mmHeight, kReferenceDeviceHeightPx, kReferenceDeviceHeightMm * 100LL));
    }
    checkCanvas(width_, height_);
    device_.frame = QRectF(QPointF(left, top), QPointF(right, bottom));
    device_.unitsPerMmX = device_.unitsPerMmY = static_cast<double>(perInch) / kMmPerInch;
    device_.initialMode = MapMode::Anisotropic;
    enhanced_ = false;
}

void TMetafile::draw(QPainter& painter, const QRect& rect) {
    drawWithBudget(painter, rect, static_cast<double>(limits::kMetafileWorkBudget));
}

double TMetafile::drawWithBudget(QPainter& painter, const QRect& rect, double workBudget) {
    if (data_.empty() || rect.isEmpty()) {
        return workBudget;
    }
    MetafileDc dc(painter, QRectF(rect), device_, workBudget);
    const std::span<const std::uint8_t> data(data_);
    if (enhanced_) {
        playEmf(data, dc);
    } else {
        playWmf(data.subspan(kPlaceableBytes), dc);
    }
    return dc.workLeft();
}

}  // namespace vestura
