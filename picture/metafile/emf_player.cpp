// The EMF record player. Every record starts with a 32-bit type and a 32-bit size in
// bytes (a multiple of 4); offsets inside a record count from its start.
#include "picture/limits.h"
#include "picture/metafile/metafile_players.h"
#include "picture/metafile/metafile_record.h"

namespace vestura {

namespace {

enum EmfRecord : std::uint32_t {
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExtEx = 9,
    kSetWindowOrgEx = 10,
    kSetViewportExtEx = 11,
    kSetViewportOrgEx = 12,
    kEof = 14,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kMoveToEx = 27,
    kIntersectClipRect = 30,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kCreatePalette = 49,
    kLineTo = 54,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kStretchDiBits = 81,
    kExtCreateFontIndirectW = 82,
    kExtTextOutA = 83,
    kExtTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
};

constexpr std::size_t kRecordHeaderBytes = 8;
constexpr std::uint32_t kStockObject = 0x80000000u;
constexpr std::uint32_t kExtTextOpaque = 2;
constexpr std::uint32_t kExtTextClipped = 4;
// Where the poly records keep their point count and first point (after the bounds).
constexpr std::size_t kPolyCountAt = 24;
constexpr std::size_t kPolyPointsAt = 28;

QPointF point(const RecordView& r, std::size_t at) {
    return QPointF(r.i32(at), r.i32(at + 4));
}
QSizeF size(const RecordView& r, std::size_t at) {
    return QSizeF(r.i32(at), r.i32(at + 4));
}
QRectF box(const RecordView& r, std::size_t at) {
    return QRectF(point(r, at), point(r, at + 8));
}

QTransform xform(const RecordView& r, std::size_t at) {
    return QTransform(r.f32(at), r.f32(at + 4), r.f32(at + 8), r.f32(at + 12), r.f32(at + 16),
                      r.f32(at + 20));
}

// `count` points of 32-bit (wide) or 16-bit coordinates at `at`; empty when the record
// does not hold them all.
QPolygonF points(const RecordView& r, std::size_t at, std::size_t count, bool wide) {
    const std::size_t step = wide ? 8 : 4;
    QPolygonF result;
    if (!r.has(at, count * step)) {
        return result;
    }
    result.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t p = at + i * step;
        result.append(wide ? point(r, p) : QPointF(r.i16(p), r.i16(p + 2)));
    }
    return result;
}

QPolygonF polyPoints(const RecordView& r, bool wide) {
    return points(r, kPolyPointsAt, r.u32(kPolyCountAt), wide);
}

// Bounds, polygon count, total point count, the counts, then all points.
std::vector<QPolygonF> polyPolyPoints(const RecordView& r, bool wide) {
    constexpr std::size_t kCountsAt = 32;
    const std::size_t polygons = r.u32(kPolyCountAt);
    std::vector<QPolygonF> result;
    if (!r.has(kCountsAt, polygons * 4)) {
        return result;
    }
    std::size_t at = kCountsAt + polygons * 4;
    const std::size_t step = wide ? 8 : 4;
    for (std::size_t i = 0; i < polygons; ++i) {
        const std::size_t count = r.u32(kCountsAt + i * 4);
        if (!r.has(at, count * step)) {
            break;
        }
        result.push_back(points(r, at, count, wide));
        at += count * step;
    }
    return result;
}

void createPen(const RecordView& r, MetafileDc& dc) {
    dc.putObject(r.u32(8), GdiObject(penFromStyle(r.u32(12), r.i32(16), colorFromRef(r.u32(24)))));
}

void extCreatePen(const RecordView& r, MetafileDc& dc) {
    constexpr std::uint32_t kNullBrush = 1;
    constexpr std::uint32_t kNullPenStyle = 5;
    const std::uint32_t style = r.u32(36) == kNullBrush ? kNullPenStyle : r.u32(28);
    dc.putObject(r.u32(8), GdiObject(penFromStyle(style, r.u32(32), colorFromRef(r.u32(40)))));
}

void createBrush(const RecordView& r, MetafileDc& dc) {
    dc.putObject(r.u32(8),
                 GdiObject(brushFromStyle(r.u32(12), colorFromRef(r.u32(16)), r.u32(20))));
}

void createPatternBrush(const RecordView& r, MetafileDc& dc) {
    dc.putObject(r.u32(8), GdiObject(patternBrush()));
}

void createFont(const RecordView& r, MetafileDc& dc) {
    constexpr std::size_t kFaceAt = 40;
    constexpr std::size_t kFaceChars = 32;
    LogFont log;
    log.height = r.i32(12);
    log.width = r.i32(16);
    log.escapement = r.i32(20);
    log.weight = r.i32(28);
    log.italic = r.u8(32) != 0;
    log.underline = r.u8(33) != 0;
    log.strikeOut = r.u8(34) != 0;
    for (std::size_t i = 0; i < kFaceChars && r.has(kFaceAt + i * 2, 2); ++i) {
        const char16_t c = r.u16(kFaceAt + i * 2);
        if (c == 0) {
            break;
        }
        log.face.append(QChar(c));
    }
    dc.putObject(r.u32(8), GdiObject(std::move(log)));
}

// EMRTEXT: reference point, character count, string offset, options, box, offset of the
// advances; the offsets count from the record's start.
void extTextOut(const RecordView& r, MetafileDc& dc, bool wide) {
    constexpr std::size_t kTextAt = 36;
    const QPointF reference = point(r, kTextAt);
    const std::size_t count = r.u32(kTextAt + 8);
    const std::size_t stringAt = r.u32(kTextAt + 12);
    const std::uint32_t options = r.u32(kTextAt + 16);
    const QRectF rect = box(r, kTextAt + 20);
    const std::size_t dxAt = r.u32(kTextAt + 36);
    const std::size_t charBytes = wide ? 2 : 1;
    if (!r.has(stringAt, count * charBytes)) {
        return;
    }
    QString text;
    if (wide) {
        for (std::size_t i = 0; i < count; ++i) {
            text.append(QChar(r.u16(stringAt + i * 2)));
        }
    } else {
        text = ansiString(r.bytes(stringAt, count));
    }
    std::vector<double> dx;
    if (dxAt != 0 && r.has(dxAt, count * 4)) {
        for (std::size_t i = 0; i < count; ++i) {
            dx.push_back(r.i32(dxAt + i * 4));
        }
    }
    dc.text(reference, text, dx,
            options & kExtTextOpaque ? std::optional<QRectF>(rect) : std::nullopt,
            options & kExtTextClipped ? std::optional<QRectF>(rect) : std::nullopt);
}

// The bitmap header and the pixels sit apart in the record; the DIB reader wants them
// together.
void stretchDiBits(const RecordView& r, MetafileDc& dc) {
    const QPointF dest = point(r, 24);
    const QPointF source = point(r, 32);
    const QSizeF sourceSize = size(r, 40);
    const auto header = r.bytes(r.u32(48), r.u32(52));
    const auto pixels = r.bytes(r.u32(56), r.u32(60));
    const std::uint32_t rop = r.u32(68);
    const QSizeF destSize = size(r, 72);
    if (header.empty()) {
        return;
    }
    std::vector<std::uint8_t> dib(header.begin(), header.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    drawDib(dc, dib, QRectF(dest, destSize), QRectF(source, sourceSize), rop);
}

void selectObject(std::uint32_t index, MetafileDc& dc) {
    if (index & kStockObject) {
        dc.selectStockObject(index & ~kStockObject);
    } else {
        dc.selectObject(index);
    }
}

void playShape(std::uint32_t type, const RecordView& r, MetafileDc& dc) {
    const bool wide = type < kPolyBezier16;
    switch (type) {
        case kPolyBezier:
        case kPolyBezier16:
            dc.polyBezier(polyPoints(r, wide));
            break;
        case kPolygon:
        case kPolygon16:
            dc.polygon(polyPoints(r, wide));
            break;
        case kPolyline:
        case kPolyline16:
            dc.polyline(polyPoints(r, wide));
            break;
        case kPolyBezierTo:
        case kPolyBezierTo16:
            dc.polyBezierTo(polyPoints(r, wide));
            break;
        case kPolylineTo:
        case kPolylineTo16:
            dc.polylineTo(polyPoints(r, wide));
            break;
        case kPolyPolyline:
        case kPolyPolyline16:
            dc.polyPolyline(polyPolyPoints(r, wide));
            break;
        case kPolyPolygon:
        case kPolyPolygon16:
            dc.polyPolygon(polyPolyPoints(r, wide));
            break;
        case kEllipse:
            dc.ellipse(box(r, 8));
            break;
        case kRectangle:
            dc.rectangle(box(r, 8));
            break;
        case kRoundRect:
            dc.roundRect(box(r, 8), size(r, 24));
            break;
        case kArc:
            dc.arc(ArcKind::Arc, box(r, 8), point(r, 24), point(r, 32));
            break;
        case kChord:
            dc.arc(ArcKind::Chord, box(r, 8), point(r, 24), point(r, 32));
            break;
        case kPie:
            dc.arc(ArcKind::Pie, box(r, 8), point(r, 24), point(r, 32));
            break;
        case kMoveToEx:
            dc.moveTo(point(r, 8));
            break;
        case kLineTo:
            dc.lineTo(point(r, 8));
            break;
        case kExtTextOutA:
            extTextOut(r, dc, false);
            break;
        case kExtTextOutW:
            extTextOut(r, dc, true);
            break;
        case kStretchDiBits:
            stretchDiBits(r, dc);
            break;
        default:
            break;
    }
}

void playRecord(std::uint32_t type, const RecordView& r, MetafileDc& dc) {
    switch (type) {
        case kSetWindowExtEx:
            dc.setWindowExt(size(r, 8));
            break;
        case kSetWindowOrgEx:
            dc.setWindowOrg(point(r, 8));
            break;
        case kSetViewportExtEx:
            dc.setViewportExt(size(r, 8));
            break;
        case kSetViewportOrgEx:
            dc.setViewportOrg(point(r, 8));
            break;
        case kSetMapMode:
            dc.setMapMode(r.i32(8));
            break;
        case kSetBkMode:
            dc.setBkMode(r.i32(8));
            break;
        case kSetPolyFillMode:
            dc.setPolyFillMode(r.i32(8));
            break;
        case kSetTextAlign:
            dc.setTextAlign(r.i32(8));
            break;
        case kSetTextColor:
            dc.setTextColor(colorFromRef(r.u32(8)));
            break;
        case kSetBkColor:
            dc.setBkColor(colorFromRef(r.u32(8)));
            break;
        case kIntersectClipRect:
            dc.intersectClipRect(box(r, 8));
            break;
        case kSaveDc:
            dc.saveDc();
            break;
        case kRestoreDc:
            dc.restoreDc(r.i32(8));
            break;
        case kSetWorldTransform:
            dc.setWorldTransform(xform(r, 8));
            break;
        case kModifyWorldTransform:
            dc.modifyWorldTransform(xform(r, 8), r.i32(32));
            break;
        case kSelectObject:
            selectObject(r.u32(8), dc);
            break;
        case kDeleteObject:
            dc.deleteObject(r.u32(8));
            break;
        case kCreatePen:
            createPen(r, dc);
            break;
        case kExtCreatePen:
            extCreatePen(r, dc);
            break;
        case kCreateBrushIndirect:
            createBrush(r, dc);
            break;
        case kCreateMonoBrush:
        case kCreateDibPatternBrushPt:
            createPatternBrush(r, dc);
            break;
        case kCreatePalette:
            dc.putObject(r.u32(8), GdiObject{});
            break;
        case kExtCreateFontIndirectW:
            createFont(r, dc);
            break;
        case kBeginPath:
            dc.beginPath();
            break;
        case kEndPath:
            dc.endPath();
            break;
        case kCloseFigure:
            dc.closeFigure();
            break;
        case kFillPath:
            dc.fillPath();
            break;
        case kStrokeAndFillPath:
            dc.strokeAndFillPath();
            break;
        case kStrokePath:
            dc.strokePath();
            break;
        default:
            playShape(type, r, dc);
            break;
    }
}

}  // namespace

void playEmf(std::span<const std::uint8_t> emf, MetafileDc& dc) {
    const RecordView data(emf);
    std::size_t offset = 0;
    for (std::size_t count = 0; count < kMaxPlaybackRecords; ++count) {
        if (!data.has(offset, kRecordHeaderBytes)) {
            return;
        }
        const std::uint32_t type = data.u32(offset);
        const std::size_t size = data.u32(offset + 4);
        if (size < kRecordHeaderBytes || size % 4 != 0 || size > emf.size() - offset ||
            type == kEof) {
            return;
        }
        if (!dc.spend(limits::kMetafileRecordWork)) {
            return;
        }
        playRecord(type, RecordView(emf.subspan(offset, size)), dc);
        if (dc.exhausted()) {
            return;
        }
        offset += size;
    }
}

}  // namespace vestura
