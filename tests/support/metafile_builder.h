// Builders for WMF (with placeable header) and EMF files, record by record, so tests and
// other engineers can make exactly the metafile a case needs.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <vector>

#include "common/file_io.h"

namespace vestura::test {

std::uint32_t colorRef(QColor color);

// A bottom-up 24-bit DIB (40-byte header, then rows) of `picture`.
Bytes dib24(const QImage& picture);

struct PlaceableOptions {
    std::uint32_t key = 0x9AC6CDD7;
    bool badChecksum = false;
    std::uint16_t standardVersion = 0x0300;
};

// Bounding box in metafile units: left, top, right, bottom.
class WmfBuilder {
public:
    WmfBuilder(int left, int top, int right, int bottom, std::uint16_t unitsPerInch,
               PlaceableOptions options = {});

    // A record of 16-bit parameter words, in the order the file stores them.
    WmfBuilder& record(std::uint16_t function, const std::vector<int>& words);
    // Any bytes, written as they are (for broken records).
    WmfBuilder& raw(const Bytes& bytes);

    WmfBuilder& createPen(int style, int width, QColor color);
    WmfBuilder& createBrush(int style, QColor color, int hatch = 0);
    WmfBuilder& selectObject(int index);
    WmfBuilder& rectangle(int left, int top, int right, int bottom);
    WmfBuilder& ellipse(int left, int top, int right, int bottom);
    WmfBuilder& polygon(const std::vector<QPoint>& points);
    WmfBuilder& setWindow(int x, int y, int width, int height);
    // StretchDIB of the whole DIB into the destination box, copying the source.
    WmfBuilder& stretchDib(const QRect& dest, const Bytes& dib, QSize dibSize);

    // Placeable header, standard header, records, end-of-file record.
    Bytes build() const;

private:
    int left_, top_, right_, bottom_;
    std::uint16_t unitsPerInch_;
    PlaceableOptions options_;
    Bytes records_;
};

// Frame in 0.01 mm (left, top, right, bottom) and the reference device.
class EmfBuilder {
public:
    EmfBuilder(int left, int top, int right, int bottom, QSize devicePixels,
               QSize deviceMillimetres);

    // A record of 32-bit values.
    EmfBuilder& record(std::uint32_t type, const std::vector<std::int32_t>& values);
    // A record whose parameters are given as bytes (padded to 4).
    EmfBuilder& recordBytes(std::uint32_t type, const Bytes& parameters);
    EmfBuilder& raw(const Bytes& bytes);

    EmfBuilder& createPen(std::uint32_t index, int style, int width, QColor color);
    EmfBuilder& createBrush(std::uint32_t index, int style, QColor color, int hatch = 0);
    EmfBuilder& selectObject(std::uint32_t index);
    EmfBuilder& rectangle(int left, int top, int right, int bottom);
    EmfBuilder& ellipse(int left, int top, int right, int bottom);
    EmfBuilder& polygon16(const std::vector<QPoint>& points);
    EmfBuilder& polyline16(const std::vector<QPoint>& points);
    EmfBuilder& setWorldTransform(const QTransform& world);
    // EXTCREATEFONTINDIRECTW: a font of `height` logical units (negative: character height)
    // named `face` (at most 31 characters).
    EmfBuilder& createFont(std::uint32_t index, int height, const QString& face);
    // EXTTEXTOUTW of `text` at (x, y), no box, no advances.
    EmfBuilder& textOut(int x, int y, const QString& text);
    // STRETCHDIBITS of the whole DIB into the destination box, copying the source.
    EmfBuilder& stretchDiBits(const QRect& dest, const Bytes& dib, QSize dibSize);

    // Header record, records, end-of-file record; the header's byte and record counts
    // filled in.
    Bytes build() const;

private:
    int left_, top_, right_, bottom_;
    QSize devicePixels_, deviceMillimetres_;
    Bytes records_;
    std::uint32_t recordCount_ = 0;
};

inline constexpr std::uint16_t kWmfCreatePenIndirect = 0x02FA;
inline constexpr std::uint16_t kWmfCreateBrushIndirect = 0x02FC;
inline constexpr std::uint16_t kWmfSelectObject = 0x012D;
inline constexpr std::uint16_t kWmfRectangle = 0x041B;
inline constexpr std::uint16_t kWmfEllipse = 0x0418;
inline constexpr std::uint16_t kWmfPolygon = 0x0324;
inline constexpr std::uint32_t kEmfSelectObject = 37;
inline constexpr std::uint32_t kEmfRectangle = 43;
inline constexpr std::uint32_t kEmfEllipse = 42;
inline constexpr std::uint32_t kEmfPolygon16 = 86;
inline constexpr std::uint32_t kEmfPolyline16 = 87;
inline constexpr std::uint32_t kEmfSetWorldTransform = 35;
inline constexpr std::uint32_t kEmfExtCreateFontIndirectW = 82;
inline constexpr std::uint32_t kEmfExtTextOutW = 84;
inline constexpr std::uint32_t kEmfStockNullPen = 0x80000008;

}  // namespace vestura::test
