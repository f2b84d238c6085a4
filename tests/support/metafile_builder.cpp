#include "tests/support/metafile_builder.h"

#include <algorithm>

#include "tests/support/le_writer.h"

namespace vestura::test {

namespace {
constexpr std::uint32_t kEmfHeader = 1;
constexpr std::uint32_t kEmfEof = 14;
constexpr std::uint32_t kEmfHeaderBytes = 88;
constexpr std::uint32_t kEmfSignature = 0x464D4520;
constexpr std::uint32_t kEmfCreatePen = 38;
constexpr std::uint32_t kEmfCreateBrushIndirect = 39;
constexpr std::uint32_t kEmfStretchDiBits = 81;
constexpr std::uint16_t kWmfStretchDib = 0x0F43;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kDibHeaderBytes = 40;
}  // namespace

std::uint32_t colorRef(QColor color) {
    return static_cast<std::uint32_t>(color.red()) |
           static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

Bytes dib24(const QImage& source) {
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    LeWriter w;
    w.u32(kDibHeaderBytes).i32(picture.width()).i32(picture.height()).u16(1).u16(24);
    w.u32(0).u32(0).i32(0).i32(0).u32(0).u32(0);
    const int rowBytes = (picture.width() * 3 + 3) / 4 * 4;
    for (int y = picture.height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            w.u8(qBlue(p)).u8(qGreen(p)).u8(qRed(p));
        }
        for (int pad = picture.width() * 3; pad < rowBytes; ++pad) {
            w.u8(0);
        }
    }
    return w.result();
}

WmfBuilder::WmfBuilder(int left, int top, int right, int bottom, std::uint16_t unitsPerInch,
                       PlaceableOptions options)
    : left_(left),
      top_(top),
      right_(right),
      bottom_(bottom),
      unitsPerInch_(unitsPerInch),
      options_(options) {}

WmfBuilder& WmfBuilder::record(std::uint16_t function, const std::vector<int>& words) {
    LeWriter w;
    w.u32(static_cast<std::uint32_t>(3 + words.size())).u16(function);
    for (int word : words) {
        w.i16(word);
    }
    return raw(w.result());
}

WmfBuilder& WmfBuilder::raw(const Bytes& bytes) {
    records_.insert(records_.end(), bytes.begin(), bytes.end());
    return *this;
}

WmfBuilder& WmfBuilder::createPen(int style, int width, QColor color) {
    const std::uint32_t ref = colorRef(color);
    return record(kWmfCreatePenIndirect,
                  {style, width, 0, static_cast<int>(ref & 0xFFFF), static_cast<int>(ref >> 16)});
}

WmfBuilder& WmfBuilder::createBrush(int style, QColor color, int hatch) {
    const std::uint32_t ref = colorRef(color);
    return record(kWmfCreateBrushIndirect,
                  {style, static_cast<int>(ref & 0xFFFF), static_cast<int>(ref >> 16), hatch});
}

WmfBuilder& WmfBuilder::selectObject(int index) {
    return record(kWmfSelectObject, {index});
}

WmfBuilder& WmfBuilder::rectangle(int left, int top, int right, int bottom) {
    return record(kWmfRectangle, {bottom, right, top, left});
}

WmfBuilder& WmfBuilder::ellipse(int left, int top, int right, int bottom) {
    return record(kWmfEllipse, {bottom, right, top, left});
}

WmfBuilder& WmfBuilder::polygon(const std::vector<QPoint>& points) {
    std::vector<int> words{static_cast<int>(points.size())};
    for (const QPoint& p : points) {
        words.push_back(p.x());
        words.push_back(p.y());
    }
    return record(kWmfPolygon, words);
}

WmfBuilder& WmfBuilder::setWindow(int x, int y, int width, int height) {
    constexpr std::uint16_t kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C;
    return record(kSetWindowOrg, {y, x}).record(kSetWindowExt, {height, width});
}

WmfBuilder& WmfBuilder::stretchDib(const QRect& dest, const Bytes& dib, QSize dibSize) {
    constexpr std::size_t kParameterBytes = 22;
    LeWriter w;
    w.u32(static_cast<std::uint32_t>((6 + kParameterBytes + dib.size() + 1) / 2))
        .u16(kWmfStretchDib);
    w.u32(kSrcCopy).u16(0).i16(dibSize.height()).i16(dibSize.width()).i16(0).i16(0);
    w.i16(dest.height()).i16(dest.width()).i16(dest.y()).i16(dest.x()).bytes(dib);
    if (dib.size() % 2 != 0) {
        w.u8(0);
    }
    return raw(w.result());
}

Bytes WmfBuilder::build() const {
    LeWriter w;
    w.u32(options_.key)
        .u16(0)
        .i16(left_)
        .i16(top_)
        .i16(right_)
        .i16(bottom_)
        .u16(unitsPerInch_)
        .u32(0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) {
        checksum ^= static_cast<std::uint16_t>(w.result()[i] | w.result()[i + 1] << 8);
    }
    w.u16(options_.badChecksum ? checksum ^ 1u : checksum);
    const std::uint32_t words = static_cast<std::uint32_t>((18 + records_.size() + 6) / 2);
    w.u16(1).u16(9).u16(options_.standardVersion).u32(words).u16(16).u32(64).u16(0);
    w.bytes(records_);
    w.u32(3).u16(0);
    return w.result();
}

EmfBuilder::EmfBuilder(int left, int top, int right, int bottom, QSize devicePixels,
                       QSize deviceMillimetres)
    : left_(left),
      top_(top),
      right_(right),
      bottom_(bottom),
      devicePixels_(devicePixels),
      deviceMillimetres_(deviceMillimetres) {}

EmfBuilder& EmfBuilder::record(std::uint32_t type, const std::vector<std::int32_t>& values) {
    LeWriter w;
    for (std::int32_t v : values) {
        w.i32(v);
    }
    return recordBytes(type, w.result());
}

EmfBuilder& EmfBuilder::recordBytes(std::uint32_t type, const Bytes& parameters) {
    Bytes padded = parameters;
    padded.resize((padded.size() + 3) / 4 * 4, 0);
    LeWriter w;
    w.u32(type).u32(static_cast<std::uint32_t>(8 + padded.size())).bytes(padded);
    ++recordCount_;
    records_.insert(records_.end(), w.result().begin(), w.result().end());
    return *this;
}

EmfBuilder& EmfBuilder::raw(const Bytes& bytes) {
    records_.insert(records_.end(), bytes.begin(), bytes.end());
    return *this;
}

EmfBuilder& EmfBuilder::createPen(std::uint32_t index, int style, int width, QColor color) {
    return record(kEmfCreatePen, {static_cast<std::int32_t>(index), style, width, 0,
                                  static_cast<std::int32_t>(colorRef(color))});
}

EmfBuilder& EmfBuilder::createBrush(std::uint32_t index, int style, QColor color, int hatch) {
    return record(kEmfCreateBrushIndirect, {static_cast<std::int32_t>(index), style,
                                            static_cast<std::int32_t>(colorRef(color)), hatch});
}

EmfBuilder& EmfBuilder::selectObject(std::uint32_t index) {
    return record(kEmfSelectObject, {static_cast<std::int32_t>(index)});
}

EmfBuilder& EmfBuilder::rectangle(int left, int top, int right, int bottom) {
    return record(kEmfRectangle, {left, top, right, bottom});
}

EmfBuilder& EmfBuilder::ellipse(int left, int top, int right, int bottom) {
    return record(kEmfEllipse, {left, top, right, bottom});
}

EmfBuilder& EmfBuilder::polygon16(const std::vector<QPoint>& points) {
    LeWriter w;
    w.i32(0).i32(0).i32(0).i32(0).u32(static_cast<std::uint32_t>(points.size()));
    for (const QPoint& p : points) {
        w.i16(p.x()).i16(p.y());
    }
    return recordBytes(kEmfPolygon16, w.result());
}

EmfBuilder& EmfBuilder::polyline16(const std::vector<QPoint>& points) {
    LeWriter w;
    w.i32(0).i32(0).i32(0).i32(0).u32(static_cast<std::uint32_t>(points.size()));
    for (const QPoint& p : points) {
        w.i16(p.x()).i16(p.y());
    }
    return recordBytes(kEmfPolyline16, w.result());
}

EmfBuilder& EmfBuilder::setWorldTransform(const QTransform& world) {
    LeWriter w;
    for (const double v :
         {world.m11(), world.m12(), world.m21(), world.m22(), world.dx(), world.dy()}) {
        w.f32(static_cast<float>(v));
    }
    return recordBytes(kEmfSetWorldTransform, w.result());
}

EmfBuilder& EmfBuilder::createFont(std::uint32_t index, int height, const QString& face) {
    constexpr int kFaceChars = 32;
    constexpr int kWeightNormal = 400;
    LeWriter w;
    w.u32(index).i32(height).i32(0).i32(0).i32(0).i32(kWeightNormal);
    w.u32(0).u32(0);  // italic, underline, strike-out, charset; precision, quality, pitch
    for (int i = 0; i < kFaceChars; ++i) {
        w.u16(i < std::min<int>(face.size(), kFaceChars - 1) ? face[i].unicode() : 0);
    }
    return recordBytes(kEmfExtCreateFontIndirectW, w.result());
}

EmfBuilder& EmfBuilder::textOut(int x, int y, const QString& text) {
    constexpr std::uint32_t kStringAt = 76;
    constexpr std::uint32_t kGmCompatible = 1;
    LeWriter w;
    w.i32(0).i32(0).i32(0).i32(0).u32(kGmCompatible).f32(1).f32(1);
    w.i32(x).i32(y).u32(static_cast<std::uint32_t>(text.size())).u32(kStringAt).u32(0);
    w.i32(0).i32(0).i32(0).i32(0).u32(0);  // no box, no advances
    for (const QChar c : text) {
        w.u16(c.unicode());
    }
    return recordBytes(kEmfExtTextOutW, w.result());
}

EmfBuilder& EmfBuilder::stretchDiBits(const QRect& dest, const Bytes& dib, QSize dibSize) {
    constexpr std::uint32_t kRecordBytes = 80;
    const auto pixelBytes = static_cast<std::uint32_t>(dib.size() - kDibHeaderBytes);
    LeWriter w;
    w.i32(0).i32(0).i32(0).i32(0);  // bounds
    w.i32(dest.x()).i32(dest.y()).i32(0).i32(0).i32(dibSize.width()).i32(dibSize.height());
    w.u32(kRecordBytes).u32(kDibHeaderBytes).u32(kRecordBytes + kDibHeaderBytes).u32(pixelBytes);
    w.u32(0).u32(kSrcCopy).i32(dest.width()).i32(dest.height()).bytes(dib);
    return recordBytes(kEmfStretchDiBits, w.result());
}

Bytes EmfBuilder::build() const {
    LeWriter w;
    w.u32(kEmfHeader).u32(kEmfHeaderBytes);
    w.i32(0).i32(0).i32(0).i32(0);  // bounds
    w.i32(left_).i32(top_).i32(right_).i32(bottom_);
    w.u32(kEmfSignature).u32(0x10000);
    const std::size_t totalAt = w.size();
    w.u32(0).u32(recordCount_ + 2).u16(8).u16(0).u32(0).u32(0).u32(0);
    w.i32(devicePixels_.width()).i32(devicePixels_.height());
    w.i32(deviceMillimetres_.width()).i32(deviceMillimetres_.height());
    w.bytes(records_);
    w.u32(kEmfEof).u32(20).u32(0).u32(16).u32(20);
    w.patch32(totalAt, static_cast<std::uint32_t>(w.size()));
    return w.result();
}

}  // namespace vestura::test
