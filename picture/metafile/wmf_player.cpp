// The WMF record player. Records hold 16-bit words: a 32-bit size in words, a 16-bit
// function number, then parameters, many of them in reverse order (y before x, bottom
// before top).
#include "picture/limits.h"
#include "picture/metafile/metafile_players.h"
#include "picture/metafile/metafile_record.h"

namespace vestura {

namespace {

enum WmfFunction : std::uint16_t {
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetPolyFillMode = 0x0106,
    kRestoreDc = 0x0127,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kDibStretchBlt = 0x0B41,
    kStretchDib = 0x0F43,
};

constexpr std::size_t kRecordHeaderBytes = 6;
constexpr std::size_t kFaceNameBytes = 32;
constexpr std::uint16_t kExtTextOpaque = 2;
constexpr std::uint16_t kExtTextClipped = 4;

QPointF pointYX(const RecordView& p, std::size_t at) {
    return QPointF(p.i16(at + 2), p.i16(at));
}

QSizeF sizeYX(const RecordView& p, std::size_t at) {
    return QSizeF(p.i16(at + 2), p.i16(at));
}

// Bottom, right, top, left.
QRectF rectBRTL(const RecordView& p, std::size_t at) {
    return QRectF(QPointF(p.i16(at + 6), p.i16(at + 4)), QPointF(p.i16(at + 2), p.i16(at)));
}

QPolygonF points(const RecordView& p, std::size_t at, std::size_t count) {
    QPolygonF result;
    if (!p.has(at, count * 4)) {
        return result;
    }
    result.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        result.append(QPointF(p.i16(at + i * 4), p.i16(at + i * 4 + 2)));
    }
    return result;
}

std::vector<QPolygonF> polyPolygon(const RecordView& p) {
    const std::size_t count = p.u16(0);
    std::vector<QPolygonF> result;
    std::size_t at = 2 + count * 2;
    for (std::size_t i = 0; i < count && p.has(at, 0); ++i) {
        const std::size_t n = p.u16(2 + i * 2);
        result.push_back(points(p, at, n));
        at += n * 4;
    }
    return result;
}

GdiObject pen(const RecordView& p) {
    return GdiObject(penFromStyle(p.u16(0), p.i16(2), colorFromRef(p.u32(6))));
}

GdiObject brush(const RecordView& p) {
    return GdiObject(brushFromStyle(p.u16(0), colorFromRef(p.u32(2)), p.u16(6)));
}

GdiObject font(const RecordView& p) {
    constexpr std::size_t kFaceAt = 18;
    LogFont log;
    log.height = p.i16(0);
    log.width = p.i16(2);
    log.escapement = p.i16(4);
    log.weight = p.i16(8);
    log.italic = p.u8(10) != 0;
    log.underline = p.u8(11) != 0;
    log.strikeOut = p.u8(12) != 0;
    const auto face =
        p.bytes(kFaceAt, std::min(kFaceNameBytes, p.size() - std::min(p.size(), kFaceAt)));
    const auto end = std::find(face.begin(), face.end(), std::uint8_t{0});
    log.face = ansiString(face.subspan(0, static_cast<std::size_t>(end - face.begin())));
    return GdiObject(std::move(log));
}

void textOut(const RecordView& p, MetafileDc& dc) {
    const std::size_t length = p.u16(0);
    const std::size_t padded = (length + 1) / 2 * 2;
    if (!p.has(2, padded + 4)) {
        return;
    }
    dc.text(pointYX(p, 2 + padded), ansiString(p.bytes(2, length)), {}, std::nullopt, std::nullopt);
}

void extTextOut(const RecordView& p, MetafileDc& dc) {
    const QPointF reference = pointYX(p, 0);
    const std::size_t length = p.u16(4);
    const std::uint16_t options = p.u16(6);
    std::size_t at = 8;
    std::optional<QRectF> box;
    if (options & (kExtTextOpaque | kExtTextClipped)) {
        box = QRectF(QPointF(p.i16(8), p.i16(10)), QPointF(p.i16(12), p.i16(14)));
        at += 8;
    }
    if (!p.has(at, length)) {
        return;
    }
    std::vector<double> dx;
    const std::size_t dxAt = at + (length + 1) / 2 * 2;
    if (p.has(dxAt, length * 2)) {
        for (std::size_t i = 0; i < length; ++i) {
            dx.push_back(p.i16(dxAt + i * 2));
        }
    }
    dc.text(reference, ansiString(p.bytes(at, length)), dx,
            options & kExtTextOpaque ? box : std::nullopt,
            options & kExtTextClipped ? box : std::nullopt);
}

// The blits: the raster operation, then source and destination in reverse order, then
// the DIB.
void dibBlit(const RecordView& p, MetafileDc& dc, std::uint16_t function) {
    const std::uint32_t rop = p.u32(0);
    std::size_t at = 4;
    if (function == kStretchDib) {
        at += 2;  // colour usage
    }
    QSizeF sourceSize;
    if (function != kDibBitBlt) {
        sourceSize = sizeYX(p, at);
        at += 4;
    }
    const QPointF source = pointYX(p, at);
    const QSizeF destSize = sizeYX(p, at + 4);
    const QPointF dest = pointYX(p, at + 8);
    const auto dib = p.bytes(at + 12, p.size() - std::min(p.size(), at + 12));
    if (function == kDibBitBlt) {
        sourceSize = destSize;
    }
    drawDib(dc, dib, QRectF(dest, destSize), QRectF(source, sourceSize), rop);
}

void playRecord(std::uint16_t function, const RecordView& p, MetafileDc& dc) {
    switch (function) {
        case kSetWindowOrg:
            dc.setWindowOrg(pointYX(p, 0));
            break;
        case kSetWindowExt:
            dc.setWindowExt(sizeYX(p, 0));
            break;
        case kSetViewportOrg:
            dc.setViewportOrg(pointYX(p, 0));
            break;
        case kSetViewportExt:
            dc.setViewportExt(sizeYX(p, 0));
            break;
        case kOffsetWindowOrg:
            dc.offsetWindowOrg(pointYX(p, 0));
            break;
        case kSetMapMode:
            dc.setMapMode(p.u16(0));
            break;
        case kSetBkMode:
            dc.setBkMode(p.u16(0));
            break;
        case kSetBkColor:
            dc.setBkColor(colorFromRef(p.u32(0)));
            break;
        case kSetTextColor:
            dc.setTextColor(colorFromRef(p.u32(0)));
            break;
        case kSetPolyFillMode:
            dc.setPolyFillMode(p.u16(0));
            break;
        case kSetTextAlign:
            dc.setTextAlign(p.u16(0));
            break;
        case kCreatePenIndirect:
            dc.addObject(pen(p));
            break;
        case kCreateBrushIndirect:
            dc.addObject(brush(p));
            break;
        case kCreateFontIndirect:
            dc.addObject(font(p));
            break;
        case kCreatePatternBrush:
        case kDibCreatePatternBrush:
            dc.addObject(GdiObject(patternBrush()));
            break;
        case kCreatePalette:
        case kCreateRegion:
            dc.addObject(GdiObject{});
            break;
        case kSelectObject:
            dc.selectObject(p.u16(0));
            break;
        case kDeleteObject:
            dc.deleteObject(p.u16(0));
            break;
        case kMoveTo:
            dc.moveTo(pointYX(p, 0));
            break;
        case kLineTo:
            dc.lineTo(pointYX(p, 0));
            break;
        case kRectangle:
            dc.rectangle(rectBRTL(p, 0));
            break;
        case kRoundRect:
            dc.roundRect(rectBRTL(p, 4), sizeYX(p, 0));
            break;
        case kEllipse:
            dc.ellipse(rectBRTL(p, 0));
            break;
        case kArc:
            dc.arc(ArcKind::Arc, rectBRTL(p, 8), pointYX(p, 4), pointYX(p, 0));
            break;
        case kPie:
            dc.arc(ArcKind::Pie, rectBRTL(p, 8), pointYX(p, 4), pointYX(p, 0));
            break;
        case kChord:
            dc.arc(ArcKind::Chord, rectBRTL(p, 8), pointYX(p, 4), pointYX(p, 0));
            break;
        case kPolygon:
            dc.polygon(points(p, 2, p.u16(0)));
            break;
        case kPolyline:
            dc.polyline(points(p, 2, p.u16(0)));
            break;
        case kPolyPolygon:
            dc.polyPolygon(polyPolygon(p));
            break;
        case kTextOut:
            textOut(p, dc);
            break;
        case kExtTextOut:
            extTextOut(p, dc);
            break;
        case kSaveDc:
            dc.saveDc();
            break;
        case kRestoreDc:
            dc.restoreDc(p.i16(0));
            break;
        case kIntersectClipRect:
            dc.intersectClipRect(rectBRTL(p, 0));
            break;
        case kStretchDib:
        case kDibStretchBlt:
        case kDibBitBlt:
            dibBlit(p, dc, function);
            break;
        default:
            break;  // records we do not draw
    }
}

}  // namespace

bool wmfHeaderValid(std::span<const std::uint8_t> wmf) {
    constexpr std::uint16_t kMemoryType = 1, kDiskType = 2, kHeaderWords = 9;
    constexpr std::uint16_t kVersion1 = 0x0100, kVersion3 = 0x0300;
    const RecordView header(wmf);
    const std::uint16_t type = header.u16(0);
    const std::uint16_t version = header.u16(4);
    return header.has(0, kWmfHeaderBytes) && (type == kMemoryType || type == kDiskType) &&
           header.u16(2) == kHeaderWords && (version == kVersion1 || version == kVersion3);
}

void playWmf(std::span<const std::uint8_t> wmf, MetafileDc& dc) {
    const RecordView data(wmf);
    std::size_t offset = kWmfHeaderBytes;
    for (std::size_t count = 0; count < kMaxPlaybackRecords; ++count) {
        if (!data.has(offset, kRecordHeaderBytes)) {
            return;
        }
        const std::uint64_t bytes = std::uint64_t{data.u32(offset)} * 2;
        const std::uint16_t function = data.u16(offset + 4);
        if (bytes < kRecordHeaderBytes || bytes > wmf.size() - offset || function == kEof) {
            return;
        }
        const auto size = static_cast<std::size_t>(bytes);
        if (!dc.spend(limits::kMetafileRecordWork)) {
            return;
        }
        playRecord(function,
                   RecordView(wmf.subspan(offset + kRecordHeaderBytes, size - kRecordHeaderBytes)),
                   dc);
        if (dc.exhausted()) {
            return;
        }
        offset += size;
    }
}

}  // namespace vestura
